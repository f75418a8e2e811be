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

// Every invalid form decodes to U+FFFD only, never to the character it would spell if taken loosely:
// names from the network are checked after decoding.
TEST(TextTest, InvalidUtf8NeverDecodesToAnotherCharacter) {
  // Overlong forms of '.', '/' and NUL.
  EXPECT_EQ(FromUtf8("\xC0\xAE\xC0\xAE\xC0\xAF"), std::wstring(6, L'\uFFFD'));
  EXPECT_EQ(FromUtf8("\xE0\x80\xAF"), std::wstring(3, L'\uFFFD'));
  EXPECT_EQ(FromUtf8("\xF0\x80\x80\xAF"), std::wstring(4, L'\uFFFD'));
  EXPECT_EQ(FromUtf8("a\xC0\x80" "b"), L"a\uFFFD\uFFFD" L"b");
  // UTF-16 surrogates encoded directly, and code points above U+10FFFF.
  EXPECT_EQ(FromUtf8("\xED\xA0\x80"), std::wstring(3, L'\uFFFD'));
  EXPECT_EQ(FromUtf8("\xED\xBF\xBF"), std::wstring(3, L'\uFFFD'));
  EXPECT_EQ(FromUtf8("\xF4\x90\x80\x80"), std::wstring(4, L'\uFFFD'));
  EXPECT_EQ(FromUtf8("\xF5\x80\x80\x80"), std::wstring(4, L'\uFFFD'));
  // Each byte of a truncated sequence is one U+FFFD, and the following character survives.
  EXPECT_EQ(FromUtf8("\xE7\xB3/x"), L"\uFFFD\uFFFD/x");
  EXPECT_EQ(FromUtf8("\xF0\x9F\x98"), std::wstring(3, L'\uFFFD'));
  // The boundaries of each form still decode.
  EXPECT_EQ(FromUtf8("\xC2\x80"), L"\u0080");
  EXPECT_EQ(FromUtf8("\xE0\xA0\x80"), L"\u0800");
  EXPECT_EQ(FromUtf8("\xED\x9F\xBF"), L"\uD7FF");
  EXPECT_EQ(FromUtf8("\xEE\x80\x80"), L"\uE000");
  EXPECT_EQ(FromUtf8("\xEF\xBF\xBD"), L"\uFFFD");
  EXPECT_EQ(ToUtf8(FromUtf8("\xF0\x90\x80\x80")), "\xF0\x90\x80\x80");
  EXPECT_EQ(ToUtf8(FromUtf8("\xF4\x8F\xBF\xBF")), "\xF4\x8F\xBF\xBF");
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
