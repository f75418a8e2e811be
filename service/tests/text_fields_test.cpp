// Text helpers of the service: form bodies as the client sends them (not URL-encoded), parameter
// texts, percent decoding, the GBK fallback and HTML escaping.
#include "text_fields.h"

#include <gtest/gtest.h>

namespace nimbrook::service {
namespace {

TEST(FormBody, KeepsPlusSlashAndLineBreaksOfTheRawBody) {
  const Fields fields = ParseFormBody("m=windows&a=login&p=ab+c/d\r\nef&hash=0123");
  ASSERT_EQ(fields.size(), 4u);
  EXPECT_EQ(*FindField(fields, "p"), "ab+c/d\r\nef");
  EXPECT_EQ(*FindField(fields, "hash"), "0123");
  EXPECT_EQ(FindField(fields, "missing"), nullptr);
}

TEST(FormBody, DecodesPercentEscapesButNotPlus) {
  const Fields fields = ParseFormBody("match=%2Freleases%2F&x=a+b%20c&empty=&novalue");
  EXPECT_EQ(*FindField(fields, "match"), "/releases/");
  EXPECT_EQ(*FindField(fields, "x"), "a+b c");
  EXPECT_EQ(*FindField(fields, "empty"), "");
  EXPECT_EQ(*FindField(fields, "novalue"), "");
}

TEST(ParameterText, SplitsAtSemicolonsAndFirstEquals) {
  const Fields fields = ParseParameterText("username=a=b;password=;systemver=Windows; 10;locale=chs");
  EXPECT_EQ(*FindField(fields, "username"), "a=b");
  EXPECT_EQ(*FindField(fields, "password"), "");
  EXPECT_EQ(*FindField(fields, "systemver"), "Windows; 10");
  EXPECT_EQ(*FindField(fields, "locale"), "chs");
}

TEST(PercentDecode, HandlesBrokenEscapesLiterally) {
  EXPECT_EQ(PercentDecode("%41%4", false), "A%4");
  EXPECT_EQ(PercentDecode("%zz+%", true), "%zz %");
}

TEST(Utf8, RecognisesValidAndInvalidText) {
  EXPECT_TRUE(IsValidUtf8("plain"));
  EXPECT_TRUE(IsValidUtf8("\xE7\xBD\x91\xE7\xBB\x9C"));
  EXPECT_FALSE(IsValidUtf8("\xCD\xF5"));        // GBK 王
  EXPECT_FALSE(IsValidUtf8("\xE7\xBD"));        // cut short
  EXPECT_FALSE(IsValidUtf8("\xC0\xAF"));        // overlong
  EXPECT_FALSE(IsValidUtf8("\xED\xA0\x80"));    // surrogate
}

TEST(AnsiToUtf8, ReadsGbkNamesAndKeepsUtf8) {
  EXPECT_EQ(AnsiToUtf8("\xCD\xF5\xD0\xA1\xC3\xF7"), "\xE7\x8E\x8B\xE5\xB0\x8F\xE6\x98\x8E");  // 王小明
  EXPECT_EQ(AnsiToUtf8("\xE7\x8E\x8B"), "\xE7\x8E\x8B");
  EXPECT_EQ(AnsiToUtf8("ab"), "ab");
}

TEST(HtmlEscape, EscapesMarkup) {
  EXPECT_EQ(HtmlEscape("<a href=\"x\">&'"), "&lt;a href=&quot;x&quot;&gt;&amp;&#39;");
}

TEST(Decimal, AcceptsOnlyPlainDigits) {
  unsigned long long v = 7;
  EXPECT_TRUE(ParseDecimal("0", v));
  EXPECT_EQ(v, 0u);
  EXPECT_TRUE(ParseDecimal("123456789012345678", v));
  EXPECT_FALSE(ParseDecimal("", v));
  EXPECT_FALSE(ParseDecimal("12a", v));
  EXPECT_FALSE(ParseDecimal("-1", v));
  EXPECT_FALSE(ParseDecimal("1234567890123456789", v));
}

}  // namespace
}  // namespace nimbrook::service
