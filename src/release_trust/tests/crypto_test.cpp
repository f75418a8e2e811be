// The system's SHA-256 (whole and in pieces) against published values, and the text forms of keys
// and signatures.
#include "release_trust/crypto.h"

#include <gtest/gtest.h>

#include "release_trust/release_encoding.h"
#include "release_trust_vectors.h"

namespace nimbrook {
namespace {

std::string Sha256Hex(std::string_view bytes) {
  Sha256Digest digest{};
  EXPECT_TRUE(SystemCrypto().Sha256(bytes, digest));
  return DigestHex(digest);
}

TEST(CryptoTest, Sha256MatchesPublishedValuesWholeAndInPieces) {
  EXPECT_EQ(Sha256Hex(""), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
  EXPECT_EQ(Sha256Hex("abc"), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
  const std::string message = "abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq";
  EXPECT_EQ(Sha256Hex(message), "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1");

  auto hasher = SystemCrypto().NewSha256();
  ASSERT_NE(hasher, nullptr);
  for (size_t at = 0; at < message.size(); at += 7) ASSERT_TRUE(hasher->Update(message.substr(at, 7)));
  Sha256Digest digest{};
  ASSERT_TRUE(hasher->Finish(digest));
  EXPECT_EQ(DigestHex(digest), "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1");
  EXPECT_FALSE(hasher->Finish(digest));  // once only
}

TEST(CryptoTest, VerifierRefusesKeysAndSignaturesOfTheWrongShape) {
  std::string key;
  ASSERT_TRUE(DecodePublicKeyText(testing::kTestKey, key));
  Sha256Digest digest{};
  ASSERT_TRUE(SystemCrypto().Sha256(testing::kSignedLf, digest));
  std::string signature;
  ASSERT_TRUE(DecodeBase64Strict(testing::kSigLf, signature));
  EXPECT_TRUE(SystemCrypto().VerifyP256(key, digest, signature));

  EXPECT_FALSE(SystemCrypto().VerifyP256(key.substr(0, 64), digest, signature));
  EXPECT_FALSE(SystemCrypto().VerifyP256(key, digest, signature.substr(0, 63)));
  EXPECT_FALSE(SystemCrypto().VerifyP256(key, digest, std::string(64, '\0')));  // r = s = 0
  std::string offCurve = key;
  offCurve[64] = static_cast<char>(offCurve[64] ^ 0x01);
  EXPECT_FALSE(SystemCrypto().VerifyP256(offCurve, digest, signature));
  std::string compressed = key;
  compressed[0] = 0x02;
  EXPECT_FALSE(SystemCrypto().VerifyP256(compressed, digest, signature));
}

TEST(ReleaseEncodingTest, Base64IsDecodedStrictly) {
  std::string bytes;
  EXPECT_EQ(EncodeBase64Line(""), "");
  EXPECT_EQ(EncodeBase64Line("f"), "Zg==");
  EXPECT_EQ(EncodeBase64Line("foob"), "Zm9vYg==");
  EXPECT_EQ(EncodeBase64Line("fooba"), "Zm9vYmE=");
  // A signature (64 bytes) stays on one line, and reads back.
  const std::string long_bytes(64, '\xA5');
  const std::string line = EncodeBase64Line(long_bytes);
  EXPECT_EQ(line.find_first_of("\r\n"), std::string::npos);
  EXPECT_TRUE(DecodeBase64Strict(line, bytes));
  EXPECT_EQ(bytes, long_bytes);
  for (const char* good : {"Zm9vYmE=", "Zm9vYmE", "Zm9vYg==", "Zm9vYg", "Zm9v", ""}) {
    EXPECT_TRUE(DecodeBase64Strict(good, bytes)) << good;
  }
  EXPECT_TRUE(DecodeBase64Strict("Zm9vYmE", bytes));
  EXPECT_EQ(bytes, "fooba");
  for (const char* bad : {"Zm9vY", "Zm9v=", "Zm9vYg=", "Zm 9v", "Zm9v\r\n", "Zm9vYh==", "Z===", "Zm9-"}) {
    EXPECT_FALSE(DecodeBase64Strict(bad, bytes)) << bad;
  }
  std::string key;
  EXPECT_TRUE(DecodePublicKeyText(std::string(testing::kTestKey) + "\n", key));
  EXPECT_FALSE(DecodePublicKeyText(testing::kSigLf, key));  // 64 bytes
  EXPECT_FALSE(DecodePublicKeyText("", key));
}

}  // namespace
}  // namespace nimbrook
