// The descriptor signature rules and the system's verifier, with the same vectors natively and under
// Wine: good signatures in every line-end style and encoding, every single-byte change of the signed
// part, moved, duplicated, trailing, truncated and foreign signatures, and empty files.
#include "release_trust/descriptor_signature.h"

#include <gtest/gtest.h>

#include "release_trust/release_encoding.h"
#include "release_trust_vectors.h"

namespace nimbrook {
namespace {

using namespace testing;

std::string Key(const char* text = kTestKey) {
  std::string key;
  EXPECT_TRUE(DecodePublicKeyText(text, key));
  return key;
}

SignatureStatus Verify(const std::string& bytes, const char* key = kTestKey) {
  return VerifyDescriptorSignature(bytes, Key(key), SystemCrypto());
}

std::string Line(const char* signature, const char* end = "\n") { return std::string(";signature=") + signature + end; }

const std::string kGoodLf = kSignedLf + Line(kSigLf);

TEST(DescriptorSignatureTest, AcceptsGoodSignaturesInEveryLineEndStyleAndEncoding) {
  EXPECT_EQ(Verify(kGoodLf), SignatureStatus::kValid);
  EXPECT_EQ(Verify(kSignedLf + Line(kSigLf, "")), SignatureStatus::kValid);      // no final line end
  EXPECT_EQ(Verify(kSignedLf + Line(kSigLf, "\r\n")), SignatureStatus::kValid);  // CR LF after it
  EXPECT_EQ(Verify(kSignedLf + Line(kSigLf, "  \n")), SignatureStatus::kValid);  // trailing blanks
  EXPECT_EQ(Verify(WithCrLf(kSignedLf) + Line(kSigCrLf, "\r\n")), SignatureStatus::kValid);
  EXPECT_EQ(Verify(WithCrLf(kSignedLf) + Line(kSigCrLf, "")), SignatureStatus::kValid);
  const std::string utf16 = SignedUtf16() + Utf16Units(u";signature=") +
                            Utf16Units(std::u16string(kSigUtf16, kSigUtf16 + sizeof kSigUtf16 - 1)) +
                            Utf16Units(u"\r\n");
  EXPECT_EQ(Verify(utf16), SignatureStatus::kValid);
  EXPECT_EQ(Verify(Line(kSigEmpty)), SignatureStatus::kValid);  // nothing signed but the empty text

  const SignatureLocation location = LocateSignature(kGoodLf);
  EXPECT_EQ(location.signedLength, kSignedLf.size());
  EXPECT_EQ(location.signature.size(), kP256SignatureSize);
}

TEST(DescriptorSignatureTest, RefusesEveryChangeOfTheSignedBytes) {
  for (size_t at = 0; at < kSignedLf.size(); ++at) {
    std::string changed = kGoodLf;
    changed[at] = static_cast<char>(changed[at] ^ 0x01);
    EXPECT_NE(Verify(changed), SignatureStatus::kValid) << "byte " << at;
  }
  // The same text with other line ends, another encoding, a byte more or less.
  EXPECT_EQ(Verify(WithCrLf(kSignedLf) + Line(kSigLf)), SignatureStatus::kMismatch);
  EXPECT_EQ(Verify(kSignedLf + "\n" + Line(kSigLf)), SignatureStatus::kMismatch);
  EXPECT_EQ(Verify(kSignedLf.substr(1) + Line(kSigLf)), SignatureStatus::kMismatch);
  // A flipped bit in the signature itself.
  std::string signature = kSigLf;
  signature[10] = signature[10] == 'A' ? 'B' : 'A';
  EXPECT_EQ(Verify(kSignedLf + Line(signature.c_str())), SignatureStatus::kMismatch);
}

TEST(DescriptorSignatureTest, RefusesMovedDuplicatedAndTrailingSignatureLines) {
  EXPECT_EQ(Verify(Line(kSigLf) + kSignedLf), SignatureStatus::kNotLast);
  EXPECT_EQ(Verify(kGoodLf + "[EXTRA]\n"), SignatureStatus::kNotLast);
  EXPECT_EQ(Verify(kGoodLf + "\n"), SignatureStatus::kNotLast);  // an empty line after it
  EXPECT_EQ(Verify(kGoodLf + Line(kSigLf)), SignatureStatus::kDuplicated);
  EXPECT_EQ(Verify(Line(kSigLf) + kGoodLf), SignatureStatus::kDuplicated);
  EXPECT_EQ(Verify(";SIGNATURE=x\n" + kGoodLf), SignatureStatus::kDuplicated);
  EXPECT_EQ(Verify(kSignedLf + "  " + Line(kSigLf)), SignatureStatus::kMalformed);  // indented
}

TEST(DescriptorSignatureTest, RefusesMalformedAndForeignSignatures) {
  const std::string full = kSigLf;
  EXPECT_EQ(Verify(kSignedLf + Line(full.substr(0, 86).c_str())), SignatureStatus::kValid);  // unpadded
  EXPECT_EQ(Verify(kSignedLf + Line(full.substr(0, 84).c_str())), SignatureStatus::kMalformed);
  EXPECT_EQ(Verify(kSignedLf + Line(full.substr(0, 40).c_str())), SignatureStatus::kMalformed);
  EXPECT_EQ(Verify(kSignedLf + Line("")), SignatureStatus::kMalformed);
  EXPECT_EQ(Verify(kSignedLf + Line((full.substr(0, 40) + "*" + full.substr(41)).c_str())),
            SignatureStatus::kMalformed);
  EXPECT_EQ(Verify(kSignedLf + Line((full + "AAAA").c_str())), SignatureStatus::kMalformed);  // 67 bytes
  EXPECT_EQ(Verify(kSignedLf + Line(kSigOtherKey)), SignatureStatus::kMismatch);
  EXPECT_EQ(Verify(kSignedLf + Line(kSigOtherKey), kOtherKey), SignatureStatus::kValid);
  EXPECT_EQ(Verify(kGoodLf, kOtherKey), SignatureStatus::kMismatch);
}

TEST(DescriptorSignatureTest, RefusesFilesWithoutASignature) {
  EXPECT_EQ(Verify(""), SignatureStatus::kMissing);
  EXPECT_EQ(Verify("\xFF\xFE"), SignatureStatus::kMissing);
  EXPECT_EQ(Verify(kSignedLf), SignatureStatus::kMissing);
  EXPECT_EQ(Verify("\n\n\n"), SignatureStatus::kMissing);
  // Half a UTF-16 unit at the end.
  EXPECT_EQ(Verify(SignedUtf16() + Utf16Units(u";signature=") + "x"), SignatureStatus::kMalformed);
}

TEST(DescriptorSignatureTest, SigningContentDropsOnlyATrailingSignatureLine) {
  std::string content, error;
  ASSERT_TRUE(UnsignedContent(kGoodLf, content, error));
  EXPECT_EQ(content, kSignedLf);
  ASSERT_TRUE(UnsignedContent("[URL]\r\na=1", content, error));
  EXPECT_EQ(content, "[URL]\r\na=1\r\n");
  ASSERT_TRUE(UnsignedContent("", content, error));
  EXPECT_EQ(content, "");
  EXPECT_FALSE(UnsignedContent(Line(kSigLf) + kSignedLf, content, error));
  EXPECT_NE(error, "");

  const std::string utf16 = "\xFF\xFE" + Utf16Units(u"[URL]\r\na=\u670d");
  ASSERT_TRUE(UnsignedContent(utf16, content, error));
  EXPECT_EQ(content, utf16 + Utf16Units(u"\r\n"));
  const std::string signature(kP256SignatureSize, '\x11');
  const std::string signedText = WithSignatureLine(content, signature);
  const SignatureLocation location = LocateSignature(signedText);
  EXPECT_EQ(location.status, SignatureStatus::kValid);
  EXPECT_EQ(location.signedLength, content.size());
  EXPECT_EQ(location.signature, signature);
}

}  // namespace
}  // namespace nimbrook
