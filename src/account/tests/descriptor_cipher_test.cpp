// The descriptor cipher against independently enciphered values, and the enciphering direction as
// its exact inverse with INI-safe output.
#include "account/descriptor_cipher.h"

#include <gtest/gtest.h>

#include <cctype>
#include <random>
#include "testing/bytes.h"

namespace nimbrook {
namespace {

using testing::FromHex;

struct Vector {
  const char* enciphered;
  const char* plainHex;
};

const Vector kVectors[] = {
    // http://127.0.0.1:8080/clogin.php
    {"AkDaChEpEgKdDkEoCiEkDtGcDnBdHgHeAADAEdCAAyGoCtAnACGoEnHfGjDeA7Ep",
     "687474703a2f2f3132372e302e302e313a383038302f636c6f67696e2e706870"},
    // odd length: the last character is ignored
    {"AkDaChEpEgKdDkEoCiEkDtGcDnBdHgHeAADAEdCAAyGoCtAnACGoEnHfGjDeA7EpQ",
     "687474703a2f2f3132372e302e302e313a383038302f636c6f67696e2e706870"},
    // http://a.example/x;http://b.example/clogin.php
    {"AkDaChEpEgKdDkHbBxMdA8GaAwAsFuArGfDpExAoDlAdAMAXNfJdAbBoDyAzEAEeCvLeEpAADcAwFoAMKeCxEkBxDyBw",
     "687474703a2f2f612e6578616d706c652f783b687474703a2f2f622e6578616d706c652f636c6f67696e2e706870"},
    {"AkDaChEpEgKdDkHbBxMdA8GaAwAsFuArGfDpExAoDlAdAMAXNfJdAbBoDyAzEAEeCvLeEpAADcAwFoAMKeCxEkBxDyBwQ",
     "687474703a2f2f612e6578616d706c652f783b687474703a2f2f622e6578616d706c652f636c6f67696e2e706870"},
    {"ArMgA3Cf", "73697465"},   // site
    {"ArMgA3CfQ", "73697465"},  // site, odd length
    // http://例子.测试/页 in code page 936
    {"AkDaChEpEgKdDkKfAYNdGeAdDqA4CrBzDiFsEt", "687474703a2f2fc0fdd7d32eb2e2cad42fd2b3"},
    {"AkDaChEpEgKdDkKfAYNdGeAdDqA4CrBzDiFsEtQ", "687474703a2f2fc0fdd7d32eb2e2cad42fd2b3"},
    // deciphers to "abc", a zero byte and more: cut at the zero
    {"AdBdA4DrBlDnAn", "616263"},
    // pairs no encoder of ours would choose still decipher
    {"zz00AZaz", "62e5eedc"},
};

TEST(DescriptorCipherTest, DeciphersKnownValues) {
  for (const auto& v : kVectors) {
    EXPECT_EQ(DecodeDescriptorValue(v.enciphered), FromHex(v.plainHex)) << v.enciphered;
  }
}

TEST(DescriptorCipherTest, ShortAndOddInputs) {
  EXPECT_EQ(DecodeDescriptorValue(""), "");
  EXPECT_EQ(DecodeDescriptorValue("A"), "");
  EXPECT_EQ(DecodeDescriptorValue("Ar"), "s");
  EXPECT_EQ(DecodeDescriptorValue("ArM"), "s");
  // Bytes above 127 count modulo 256 whether read signed or not: 0xC0 0xFD and "A^" are one pair value.
  EXPECT_EQ(DecodeDescriptorValue("A^"), "_");
  EXPECT_EQ(DecodeDescriptorValue("\xC0\xFD"), "_");
}

TEST(DescriptorCipherTest, EveryByteValueRoundTrips) {
  // Each value 1..255 alone, after a prefix (other key-stream positions), and all together.
  std::string all;
  for (int b = 1; b < 256; ++b) {
    const std::string one(1, static_cast<char>(b));
    EXPECT_EQ(DecodeDescriptorValue(EncodeDescriptorValue(one)), one) << b;
    const std::string prefixed = "http://x/" + one + "y";
    EXPECT_EQ(DecodeDescriptorValue(EncodeDescriptorValue(prefixed)), prefixed) << b;
    all.push_back(static_cast<char>(b));
  }
  EXPECT_EQ(DecodeDescriptorValue(EncodeDescriptorValue(all)), all);
}

TEST(DescriptorCipherTest, RandomTextsRoundTripWithPrintableOutput) {
  std::mt19937 random(0x5C2B7);
  for (int round = 0; round < 500; ++round) {
    std::string plain(random() % 200, '\0');
    for (auto& c : plain) c = static_cast<char>(1 + random() % 255);
    const std::string enciphered = EncodeDescriptorValue(plain);
    ASSERT_EQ(enciphered.size(), plain.size() * 2);
    for (const char c : enciphered) ASSERT_TRUE(std::isalnum(static_cast<unsigned char>(c))) << static_cast<int>(c);
    // Every pair starts with an upper-case letter, so no value can ever hold a lower-case reader
    // marker such as "notfound".
    for (size_t i = 0; i < enciphered.size(); i += 2) ASSERT_TRUE(std::isupper(static_cast<unsigned char>(enciphered[i])));
    ASSERT_EQ(DecodeDescriptorValue(enciphered), plain);
  }
}

TEST(DescriptorCipherTest, EncipheringAKnownUrlGivesItBack) {
  const std::string url = "http://a.example/x;http://b.example/clogin.php";
  EXPECT_EQ(DecodeDescriptorValue(EncodeDescriptorValue(url)), url);
  EXPECT_EQ(EncodeDescriptorValue(""), "");
  // Pairs are chosen as in existing descriptors (first upper-case letter that admits a letter or
  // digit), so re-enciphering a value leaves the file unchanged.
  EXPECT_EQ(EncodeDescriptorValue("http://127.0.0.1:8080/clogin.php"),
            "AkDaChEpEgKdDkEoCiEkDtGcDnBdHgHeAADAEdCAAyGoCtAnACGoEnHfGjDeA7Ep");
}

TEST(DescriptorCipherTest, ZeroBytesCannotBeEnciphered) {
  std::string enciphered = "unchanged";
  EXPECT_FALSE(TryEncodeDescriptorValue(std::string("abc\0def", 7), enciphered));
  EXPECT_EQ(enciphered, "unchanged");
  EXPECT_FALSE(TryEncodeDescriptorValue(std::string(1, '\0'), enciphered));
  EXPECT_EQ(EncodeDescriptorValue(std::string("abc\0", 4)), "");
  ASSERT_TRUE(TryEncodeDescriptorValue("", enciphered));
  EXPECT_EQ(enciphered, "");
}

}  // namespace
}  // namespace nimbrook
