#include "core/time_helpers.h"

#include <climits>
#include <ctime>
#include <cwctype>
#include <time.h>

namespace nimbrook {
namespace {

// Reads the fields of "%d-%d-%d %d:%d:%d" the way swscanf does (a number may be preceded by white
// space and a sign; the blank between date and time matches any run of white space, none included)
// but without its undefined behaviour on numbers that do not fit: such a field makes the whole text
// invalid. Returns the number of fields read, or -1 for a number that does not fit; end is where the
// last field read ends.
int ScanFields(const std::wstring& text, int (&fields)[6], size_t& end) {
  static constexpr wchar_t kSeparators[6] = {L'\0', L'-', L'-', L' ', L':', L':'};
  size_t i = 0;
  end = 0;
  for (int field = 0; field < 6; ++field) {
    const wchar_t separator = kSeparators[field];
    if (separator == L' ') {
      while (i < text.size() && std::iswspace(text[i])) ++i;
    } else if (separator != L'\0') {
      if (i >= text.size() || text[i] != separator) return field;
      ++i;
    }
    while (i < text.size() && std::iswspace(text[i])) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == L'+' || text[i] == L'-')) negative = text[i++] == L'-';
    if (i >= text.size() || text[i] < L'0' || text[i] > L'9') return field;
    long long value = 0;
    for (; i < text.size() && text[i] >= L'0' && text[i] <= L'9'; ++i) {
      value = value * 10 + (text[i] - L'0');
      if (value > INT_MAX) return -1;
    }
    fields[field] = static_cast<int>(negative ? -value : value);
    end = i;
  }
  return 6;
}

bool InRange(int value, int low, int high) { return value >= low && value <= high; }

int64_t MakeLocalTime(std::tm& tm) {
#ifdef _WIN32
  return static_cast<int64_t>(_mktime64(&tm));
#else
  return static_cast<int64_t>(std::mktime(&tm));
#endif
}

bool LocalTime(std::time_t now, std::tm& tm) {
#ifdef _WIN32
  return localtime_s(&tm, &now) == 0;
#else
  return localtime_r(&now, &tm) != nullptr;
#endif
}

}  // namespace

int64_t ParseDateTime(const std::wstring& text) {
  int fields[6] = {0, 0, 0, 0, 0, 0};
  size_t end = 0;
  const int read = ScanFields(text, fields, end);
  if (read < 3) return -1;
  // A text cut after the date or the hour is complete as far as it goes; one that goes on with
  // something else ("2024-05-01T10:00") is not a text this reader knows.
  if (read < 6) {
    for (size_t i = end; i < text.size(); ++i) {
      if (!std::iswspace(text[i])) return -1;
    }
  }
  const int year = fields[0], month = fields[1], day = fields[2];
  const int hour = fields[3], minute = fields[4], second = fields[5];
  if (!InRange(year, 1970, 3000) || !InRange(month, 1, 12) || !InRange(day, 1, 31) || !InRange(hour, 0, 23) ||
      !InRange(minute, 0, 59) || !InRange(second, 0, 59)) {
    return -1;
  }
  std::tm tm{};
  tm.tm_year = year - 1900;
  tm.tm_mon = month - 1;
  tm.tm_mday = day;
  tm.tm_hour = hour;
  tm.tm_min = minute;
  tm.tm_sec = second;
  tm.tm_isdst = -1;  // let the run-time decide whether daylight saving applies
  const int64_t result = MakeLocalTime(tm);
  if (result == -1) return -1;
  // mktime moves a day that the month lacks (February 30th) into the next month; such a date is
  // not a date. The hour is not compared: a time inside a daylight-saving gap is moved on legitimately.
  if (tm.tm_year != year - 1900 || tm.tm_mon != month - 1 || tm.tm_mday != day) return -1;
  return result;
}

int HoursBetween(int64_t later, int64_t earlier) {
  int64_t seconds = 0;
  long double hours = 0;
  if (!__builtin_sub_overflow(later, earlier, &seconds)) {
    int64_t whole = seconds / 3600;
    if (seconds % 3600 != 0 && seconds < 0) --whole;  // round towards minus infinity, not zero
    hours = static_cast<long double>(whole);
  } else {
    hours = (static_cast<long double>(later) - static_cast<long double>(earlier)) / 3600;
  }
  if (hours >= static_cast<long double>(INT_MAX)) return INT_MAX;
  if (hours <= static_cast<long double>(INT_MIN)) return INT_MIN;
  return static_cast<int>(hours);
}

std::string Today() {
  std::tm tm{};
  if (!LocalTime(std::time(nullptr), tm)) return {};
  char buffer[64];
  const size_t length = std::strftime(buffer, sizeof buffer, "%Y-%m-%d", &tm);
  return std::string(buffer, length);
}

}  // namespace nimbrook
