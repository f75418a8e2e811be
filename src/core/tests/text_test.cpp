#include "core/text.h"

#include <gtest/gtest.h>

namespace nimbrook::text {
namespace {

TEST(TextTest, Utf8RoundTripKeepsChineseAndAstralCharacters) {
  const std::string utf8 = "\xE7\xB3\xBB\xE7\xBB\x9F abc \xF0\x9F\x98\x80";  // 系统 abc 😀
  const std::wstring wide = FromUtf8(utf8);
  EXPECT_EQ(wide.substr(0, 2), L"\u7CFB\u7EDF");
  EXPECT_EQ(ToUtf8(wide), utf8);
}

TEST(TextTest, MalformedUtf8BecomesReplacementCharacters) {
  EXPECT_EQ(FromUtf8("a\xFF" "b"), L"a\uFFFD" L"b");
  EXPECT_EQ(FromUtf8("a\xE7\xB3"), L"a\uFFFD\uFFFD");
}

TEST(TextTest, LeadingIntegerReadsLikeAtoi) {
  EXPECT_EQ(LeadingInteger("1"), 1);
  EXPECT_EQ(LeadingInteger("11"), 11);
  EXPECT_EQ(LeadingInteger(" 2x"), 2);
  EXPECT_EQ(LeadingInteger("true"), 0);
  EXPECT_EQ(LeadingInteger(""), 0);
  EXPECT_EQ(LeadingInteger("-3"), -3);
}

TEST(TextTest, CaseInsensitiveComparison) {
  EXPECT_TRUE(EqualsIgnoreCase(L"Setting", L"SETTING"));
  EXPECT_FALSE(EqualsIgnoreCase(L"Setting", L"Settings"));
  EXPECT_TRUE(EqualsIgnoreCase(std::string("loginURL"), std::string("LOGINurl")));
}

}  // namespace
}  // namespace nimbrook::text
