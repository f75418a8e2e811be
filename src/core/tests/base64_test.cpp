// Base64: the exact line-break rule against known encodings, decoding back, and decoding of broken
// or hostile text, which must give a defined result and never read past the input.
#include "core/base64.h"

#include <gtest/gtest.h>

#include <cctype>
#include <random>
#include <string>
#include "testing/bytes.h"

namespace nimbrook {
namespace {

using testing::FromHex;

struct Vector {
  const char* inputHex;
  const char* encoded;
};

// Independent encodings of the bytes 3, 10, 17, ... (step 7): around the 57-byte (76-character) line.
const Vector kVectors[] = {
    {"",
     ""},
    {"03",
     "Aw=="},
    {"030a",
     "Awo="},
    {"030a11",
     "AwoR"},
    {"030a1118",
     "AwoRGA=="},
    {"030a11181f",
     "AwoRGB8="},
    {"030a11181f262d343b424950575e656c737a81888f969da4abb2b9c0c7ced5dce3eaf1f8ff060d141b222930373e454c535a61686f767d84",
     "AwoRGB8mLTQ7QklQV15lbHN6gYiPlp2kq7K5wMfO1dzj6vH4/wYNFBsiKTA3PkVMU1phaG92fYQ="},
    {"030a11181f262d343b424950575e656c737a81888f969da4abb2b9c0c7ced5dce3eaf1f8ff060d141b222930373e454c535a61686f767d848b",
     "AwoRGB8mLTQ7QklQV15lbHN6gYiPlp2kq7K5wMfO1dzj6vH4/wYNFBsiKTA3PkVMU1phaG92fYSL\r\n"},
    {"030a11181f262d343b424950575e656c737a81888f969da4abb2b9c0c7ced5dce3eaf1f8ff060d141b222930373e454c535a61686f767d848b92",
     "AwoRGB8mLTQ7QklQV15lbHN6gYiPlp2kq7K5wMfO1dzj6vH4/wYNFBsiKTA3PkVMU1phaG92fYSL\r\nkg=="},
    {"030a11181f262d343b424950575e656c737a81888f969da4abb2b9c0c7ced5dce3eaf1f8ff060d141b222930373e454c535a61686f767d848b9299",
     "AwoRGB8mLTQ7QklQV15lbHN6gYiPlp2kq7K5wMfO1dzj6vH4/wYNFBsiKTA3PkVMU1phaG92fYSL\r\nkpk="},
    {"030a11181f262d343b424950575e656c737a81888f969da4abb2b9c0c7ced5dce3eaf1f8ff060d141b222930373e454c535a61686f767d848b9299a0a7aeb5bcc3cad1d8dfe6edf4fb020910171e252c333a41484f565d646b727980878e959ca3aab1b8bfc6cdd4dbe2e9f0f7fe050c13",
     "AwoRGB8mLTQ7QklQV15lbHN6gYiPlp2kq7K5wMfO1dzj6vH4/wYNFBsiKTA3PkVMU1phaG92fYSL\r\nkpmgp661vMPK0djf5u30+wIJEBceJSwzOkFIT1ZdZGtyeYCHjpWco6qxuL/GzdTb4unw9/4FDBM="},
    {"030a11181f262d343b424950575e656c737a81888f969da4abb2b9c0c7ced5dce3eaf1f8ff060d141b222930373e454c535a61686f767d848b9299a0a7aeb5bcc3cad1d8dfe6edf4fb020910171e252c333a41484f565d646b727980878e959ca3aab1b8bfc6cdd4dbe2e9f0f7fe050c131a",
     "AwoRGB8mLTQ7QklQV15lbHN6gYiPlp2kq7K5wMfO1dzj6vH4/wYNFBsiKTA3PkVMU1phaG92fYSL\r\nkpmgp661vMPK0djf5u30+wIJEBceJSwzOkFIT1ZdZGtyeYCHjpWco6qxuL/GzdTb4unw9/4FDBMa\r\n"},
    {"030a11181f262d343b424950575e656c737a81888f969da4abb2b9c0c7ced5dce3eaf1f8ff060d141b222930373e454c535a61686f767d848b9299a0a7aeb5bcc3cad1d8dfe6edf4fb020910171e252c333a41484f565d646b727980878e959ca3aab1b8bfc6cdd4dbe2e9f0f7fe050c131a21",
     "AwoRGB8mLTQ7QklQV15lbHN6gYiPlp2kq7K5wMfO1dzj6vH4/wYNFBsiKTA3PkVMU1phaG92fYSL\r\nkpmgp661vMPK0djf5u30+wIJEBceJSwzOkFIT1ZdZGtyeYCHjpWco6qxuL/GzdTb4unw9/4FDBMa\r\nIQ=="},
    {"030a11181f262d343b424950575e656c737a81888f969da4abb2b9c0c7ced5dce3eaf1f8ff060d141b222930373e454c535a61686f767d848b9299a0a7aeb5bcc3cad1d8dfe6edf4fb020910171e252c333a41484f565d646b727980878e959ca3aab1b8bfc6cdd4dbe2e9f0f7fe050c131a21282f363d444b525960676e757c838a91989fa6adb4bbc2c9d0d7dee5ecf3fa01080f161d242b323940474e555c636a71787f868d949ba2a9",
     "AwoRGB8mLTQ7QklQV15lbHN6gYiPlp2kq7K5wMfO1dzj6vH4/wYNFBsiKTA3PkVMU1phaG92fYSL\r\nkpmgp661vMPK0djf5u30+wIJEBceJSwzOkFIT1ZdZGtyeYCHjpWco6qxuL/GzdTb4unw9/4FDBMa\r\nISgvNj1ES1JZYGdudXyDipGYn6attLvCydDX3uXs8/oBCA8WHSQrMjlAR05VXGNqcXh/ho2Um6Kp\r\n"},
};

TEST(Base64Test, EncodesKnownVectorsWithTheLineBreakRule) {
  const Base64 codec;
  for (const auto& v : kVectors) {
    EXPECT_EQ(codec.Encode(FromHex(v.inputHex)), v.encoded) << "input " << v.inputHex;
  }
}

TEST(Base64Test, DecodesKnownVectorsBackToTheirBytes) {
  const Base64 codec;
  for (const auto& v : kVectors) {
    EXPECT_EQ(codec.Decode(v.encoded), FromHex(v.inputHex)) << "encoded " << v.encoded;
  }
}

TEST(Base64Test, LineBreaksFollowEveryNineteenCompleteGroups) {
  const Base64 codec;
  // 114 bytes fill exactly two lines of complete groups: both end in CR LF.
  const std::string twoLines = codec.Encode(std::string(114, 'x'));
  ASSERT_EQ(twoLines.size(), 2u * 78u);
  EXPECT_EQ(twoLines.substr(76, 2), "\r\n");
  EXPECT_EQ(twoLines.substr(154, 2), "\r\n");
  // One more byte: its padded group follows the second break without a break of its own.
  const std::string more = codec.Encode(std::string(115, 'x'));
  EXPECT_EQ(more.substr(0, 156), twoLines);
  EXPECT_EQ(more.substr(156), "eA==");
  // 56 bytes: 18 complete groups (72 characters) and a padded group: no line break at all.
  EXPECT_EQ(codec.Encode(std::string(56, 'x')).find('\r'), std::string::npos);
}

TEST(Base64Test, RoundTripsEveryByteValueAndRandomLengths) {
  const Base64 codec;
  std::string all;
  for (int b = 0; b < 256; ++b) all.push_back(static_cast<char>(b));
  EXPECT_EQ(codec.Decode(codec.Encode(all)), all);

  std::mt19937 random(1321);
  for (int round = 0; round < 300; ++round) {
    std::string bytes(random() % 400, '\0');
    for (auto& b : bytes) b = static_cast<char>(random() & 0xFF);
    const std::string encoded = codec.Encode(bytes);
    ASSERT_EQ(codec.Decode(encoded), bytes) << "length " << bytes.size();
    for (size_t i = 0; i < encoded.size(); ++i) {
      // Only alphabet characters, padding, and CR LF pairs.
      const char c = encoded[i];
      const bool ok = std::isalnum(static_cast<unsigned char>(c)) || c == '+' || c == '/' || c == '=' ||
                      (c == '\r' && i + 1 < encoded.size() && encoded[i + 1] == '\n') ||
                      (c == '\n' && i > 0 && encoded[i - 1] == '\r');
      ASSERT_TRUE(ok) << "character " << static_cast<int>(c) << " at " << i;
    }
  }
}

TEST(Base64Test, DecodingSkipsLineBreaksAndStrayCharacters) {
  const Base64 codec;
  EXPECT_EQ(codec.Decode("c2Vj\r\ncmV0"), "secret");
  EXPECT_EQ(codec.Decode("c2Vj\ncmV0\r"), "secret");
  EXPECT_EQ(codec.Decode(" c2V j*cm V0!\t"), "secret");
  EXPECT_EQ(codec.Decode("!!!"), "");
  EXPECT_EQ(codec.Decode(std::string("c2Vj\0cmV0", 9)), "secret");
  // Bytes above 127 are outside the alphabet except alphabet characters with the high bit set.
  EXPECT_EQ(codec.Decode("\xFF\xFE" "c2VjcmV0\x80"), "secret");
  EXPECT_EQ(codec.Decode("\xE3\xB2VjcmV0"), "secret");  // 'c' | 0x80, '2' | 0x80
}

TEST(Base64Test, PaddingEndsTheData) {
  const Base64 codec;
  EXPECT_EQ(codec.Decode("QQ=="), "A");
  EXPECT_EQ(codec.Decode("QUI="), "AB");
  EXPECT_EQ(codec.Decode("QQ==QUJD"), "A");  // nothing after the padding counts
  EXPECT_EQ(codec.Decode("QUJD=QUJD"), "ABC");
  EXPECT_EQ(codec.Decode("="), "");
  EXPECT_EQ(codec.Decode("=QUJD"), "");
  EXPECT_EQ(codec.Decode("Q==="), "");  // one character holds no whole byte
  EXPECT_EQ(codec.Decode("===="), "");
}

TEST(Base64Test, TruncatedGroupsGiveTheirWholeBytes) {
  const Base64 codec;
  EXPECT_EQ(codec.Decode("Q"), "");
  EXPECT_EQ(codec.Decode("QQ"), "A");
  EXPECT_EQ(codec.Decode("QUI"), "AB");
  EXPECT_EQ(codec.Decode("QUJDR"), "ABC");
  EXPECT_EQ(codec.Decode("QUJD\r\n"), "ABC");
  EXPECT_EQ(codec.Decode(""), "");
}

TEST(Base64Test, HostileInputNeverReadsPastItsEnd) {
  const Base64 codec;
  // Every prefix of a valid encoding and of random garbage decodes without touching memory beyond
  // the view (the sanitizers watch the heap copy).
  const std::string encoded = codec.Encode("the quick brown fox jumps over the lazy dog");
  for (size_t n = 0; n <= encoded.size(); ++n) {
    const std::string prefix = encoded.substr(0, n);
    const std::string bytes = codec.Decode(prefix);
    EXPECT_LE(bytes.size(), n * 3 / 4);
  }
  std::mt19937 random(4648);
  for (int round = 0; round < 200; ++round) {
    std::string garbage(random() % 64, '\0');
    for (auto& b : garbage) b = static_cast<char>(random() & 0xFF);
    const std::string bytes = codec.Decode(garbage);
    EXPECT_LE(bytes.size(), garbage.size() * 3 / 4);
  }
}

TEST(Base64Test, CopiesBehaveLikeTheOriginal) {
  const Base64 codec;
  const Base64 copy = codec;
  EXPECT_EQ(copy.Encode("secret"), "c2VjcmV0");
  EXPECT_EQ(copy.Decode("c2VjcmV0"), "secret");
}

}  // namespace
}  // namespace nimbrook
