// MD5 against the RFC 1321 test suite and against lengths around the padding boundaries.
#include "core/md5.h"

#include <gtest/gtest.h>

namespace nimbrook {
namespace {

TEST(Md5Test, Rfc1321TestSuite) {
  EXPECT_EQ(Md5Hex(""), "d41d8cd98f00b204e9800998ecf8427e");
  EXPECT_EQ(Md5Hex("a"), "0cc175b9c0f1b6a831c399e269772661");
  EXPECT_EQ(Md5Hex("abc"), "900150983cd24fb0d6963f7d28e17f72");
  EXPECT_EQ(Md5Hex("message digest"), "f96b697d7cb7938d525a2f31aaf161d0");
  EXPECT_EQ(Md5Hex("abcdefghijklmnopqrstuvwxyz"), "c3fcd3d76192e4007dfb496cca67e13b");
  EXPECT_EQ(Md5Hex("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789"),
            "d174ab98d277d9f5a5611c2c9f419d9f");
  EXPECT_EQ(Md5Hex("12345678901234567890123456789012345678901234567890123456789012345678901234567890"),
            "57edf4a22be3c955ac49da2e2107b67a");
}

TEST(Md5Test, DigestBytesMatchTheHexForm) {
  const auto digest = Md5("abc");
  EXPECT_EQ(digest[0], 0x90);
  EXPECT_EQ(digest[1], 0x01);
  EXPECT_EQ(digest[15], 0x72);
}

TEST(Md5Test, LengthsAroundThePaddingBoundary) {
  // 55 bytes fit the length into one final block, 56 need a second one; 64 is a whole block.
  EXPECT_EQ(Md5Hex(std::string(55, 'a')), "ef1772b6dff9a122358552954ad0df65");
  EXPECT_EQ(Md5Hex(std::string(56, 'a')), "3b0c8ac703f828b04c6c197006d17218");
  EXPECT_EQ(Md5Hex(std::string(57, 'a')), "652b906d60af96844ebd21b674f35e93");
  EXPECT_EQ(Md5Hex(std::string(63, 'a')), "b06521f39153d618550606be297466d5");
  EXPECT_EQ(Md5Hex(std::string(64, 'a')), "014842d480b571495a4a0363793f7367");
  EXPECT_EQ(Md5Hex(std::string(65, 'a')), "c743a45e0d2e6a95cb859adae0248435");
  EXPECT_EQ(Md5Hex(std::string(1000000, 'a')), "7707d6ae4e027c70eea2a935c2296f21");
}

TEST(Md5Test, BytesAboveAsciiAndZeroBytesCount) {
  EXPECT_EQ(Md5Hex(std::string("\0", 1)), "93b885adfe0da089cdf634904fd59f71");
  EXPECT_EQ(Md5Hex("\xCD\xF5\xD0\xA1\xC3\xF7"), "3e85d718924dd4c9fcc2cb8abb46c30e");
  EXPECT_NE(Md5Hex(std::string("a\0b", 3)), Md5Hex("ab"));
}

}  // namespace
}  // namespace nimbrook

namespace nimbrook {
namespace {

// A digest over pieces equals the digest of the whole, wherever the pieces are cut (inside a block,
// on a block edge, across the padding boundary).
TEST(Md5Test, PiecesGiveTheDigestOfTheWhole) {
  std::string bytes;
  for (int i = 0; i < 1000; ++i) bytes.push_back(static_cast<char>(i * 7 + 3));
  for (size_t length : {0u, 55u, 56u, 63u, 64u, 65u, 127u, 128u, 1000u}) {
    const std::string_view whole(bytes.data(), length);
    for (size_t piece : {1u, 3u, 63u, 64u, 65u, 200u}) {
      Md5Stream stream;
      for (size_t at = 0; at < length; at += piece) stream.Update(whole.substr(at, piece));
      EXPECT_EQ(stream.FinishHex(), Md5Hex(whole)) << length << " in pieces of " << piece;
    }
  }
}

}  // namespace
}  // namespace nimbrook
