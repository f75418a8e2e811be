#include "core/time_helpers.h"

#include <gtest/gtest.h>

#include <climits>
#include <ctime>

#include "core/text.h"

namespace nimbrook {
namespace {

TEST(HoursBetweenTest, RoundsDownInBothDirections) {
  EXPECT_EQ(HoursBetween(1000 + 8 * 3600 + 1800, 1000), 8);  // eight and a half hours
  EXPECT_EQ(HoursBetween(1000, 1000 + 1800), -1);             // half an hour back
  EXPECT_EQ(HoursBetween(7200, 3600), 1);
  EXPECT_EQ(HoursBetween(3600, 7200), -1);
  EXPECT_EQ(HoursBetween(3599, 7200), -2);
  EXPECT_EQ(HoursBetween(5, 5), 0);
  EXPECT_EQ(HoursBetween(3599, 0), 0);
  EXPECT_EQ(HoursBetween(-1, 0), -1);
}

TEST(HoursBetweenTest, ClampsWhatDoesNotFitAnInt) {
  EXPECT_EQ(HoursBetween(INT64_MAX, INT64_MIN), INT_MAX);
  EXPECT_EQ(HoursBetween(INT64_MIN, INT64_MAX), INT_MIN);
  EXPECT_EQ(HoursBetween(int64_t{INT_MAX} * 3600 * 2, 0), INT_MAX);
  EXPECT_EQ(HoursBetween(int64_t{INT_MAX} * 3600, 0), INT_MAX);
  EXPECT_EQ(HoursBetween(0, int64_t{INT_MAX} * 3600 + 3601), INT_MIN);
}

TEST(ParseDateTimeTest, ServiceTimesAreLocalAndComparable) {
  // January: no daylight-saving change inside one day.
  const int64_t start = ParseDateTime(L"2024-01-15 08:00:00");
  const int64_t later = ParseDateTime(L"2024-01-15 16:30:00");
  ASSERT_NE(start, -1);
  ASSERT_NE(later, -1);
  EXPECT_EQ(later - start, 8 * 3600 + 1800);
  EXPECT_EQ(HoursBetween(later, start), 8);
  EXPECT_EQ(HoursBetween(start, ParseDateTime(L"2024-01-15 08:30:00")), -1);
  EXPECT_EQ(ParseDateTime(L"2024-01-16 08:00:00") - start, 24 * 3600);

  // The local time that mktime reads back is the one written.
  const std::time_t t = static_cast<std::time_t>(later);
  const std::tm* tm = std::localtime(&t);
  ASSERT_NE(tm, nullptr);
  EXPECT_EQ(tm->tm_year, 124);
  EXPECT_EQ(tm->tm_mon, 0);
  EXPECT_EQ(tm->tm_mday, 15);
  EXPECT_EQ(tm->tm_hour, 16);
  EXPECT_EQ(tm->tm_min, 30);
}

TEST(ParseDateTimeTest, ReadsLikeTheScanFormat) {
  const int64_t expected = ParseDateTime(L"2024-03-05 07:08:09");
  ASSERT_NE(expected, -1);
  EXPECT_EQ(ParseDateTime(L"2024-3-5 7:8:9"), expected);
  EXPECT_EQ(ParseDateTime(L"  2024-03-05   07:08:09"), expected);
  EXPECT_EQ(ParseDateTime(L"2024-03-0507:08:09"), -1);  // the day swallows the hour: 507 is no day
  EXPECT_EQ(ParseDateTime(L"2024-03-05 07:08:09 and more"), expected);
  EXPECT_EQ(ParseDateTime(L"2024-03-05 07:08:09.250"), expected);
}

TEST(ParseDateTimeTest, TextsCutShortAfterTheDateFillTheTimeWithZeros) {
  EXPECT_EQ(ParseDateTime(L"2024-03-05"), ParseDateTime(L"2024-03-05 00:00:00"));
  EXPECT_EQ(ParseDateTime(L"2024-03-05 \r\n"), ParseDateTime(L"2024-03-05 00:00:00"));
  EXPECT_EQ(ParseDateTime(L"2024-03-05 10"), ParseDateTime(L"2024-03-05 10:00:00"));
  EXPECT_EQ(ParseDateTime(L"2024-03-05 10:20"), ParseDateTime(L"2024-03-05 10:20:00"));
  EXPECT_NE(ParseDateTime(L"2024-03-05"), -1);
}

TEST(ParseDateTimeTest, GarbageAndImpossibleTimesGiveMinusOne) {
  for (const wchar_t* bad : {L"", L"   ", L"garbage", L"yes|", L"2024", L"2024-03", L"2024/03/05 10:00:00",
                             L"2024-03-05T10:00:00", L"2024-03-05 10:", L"2024-03-05 10:20:", L"2024-03-05 x",
                             L"2024-13-01 00:00:00", L"2024-00-10 00:00:00", L"2024-02-30 00:00:00",
                             L"2023-02-29 00:00:00", L"2024-04-31 00:00:00", L"2024-01-01 24:00:00",
                             L"2024-01-01 23:60:00", L"2024-01-01 23:59:60", L"2024-01-01 -1:00:00",
                             L"1969-12-31 23:59:59", L"3001-01-01 00:00:00", L"-2024-01-01 00:00:00",
                             L"99999999999999999999-01-01 00:00:00", L"2024-01-01 00:00:99999999999"}) {
    EXPECT_EQ(ParseDateTime(bad), -1) << text::ToUtf8(bad);
  }
  EXPECT_NE(ParseDateTime(L"2024-02-29 23:59:59"), -1);
  EXPECT_NE(ParseDateTime(L"3000-12-31 00:00:00"), -1);
}

TEST(TodayTest, IsTheLocalDateThatParseDateTimeReadsBack) {
  const std::string before = Today();
  const std::time_t now = std::time(nullptr);
  const std::string after = Today();
  ASSERT_EQ(before.size(), 10u);
  for (size_t i = 0; i < before.size(); ++i) {
    if (i == 4 || i == 7) {
      EXPECT_EQ(before[i], '-');
    } else {
      EXPECT_TRUE(before[i] >= '0' && before[i] <= '9') << before;
    }
  }
  // Midnight may pass between the calls; "now" lies within one of the two days.
  const auto withinDay = [&](const std::string& day) {
    const int64_t midnight = ParseDateTime(text::AsciiToWide(day));
    return midnight != -1 && now >= midnight && HoursBetween(now, midnight) < 25;
  };
  EXPECT_TRUE(withinDay(before) || withinDay(after)) << before << " " << after;
}

}  // namespace
}  // namespace nimbrook
