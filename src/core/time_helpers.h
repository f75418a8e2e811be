// Local-time helpers of the notices and the expiry reminder: reading the service's
// "year-month-day hour:minute:second" times, whole hours between two times, and today's date as the
// notify-date keys of config.ini store it.
#pragma once

#include <cstdint>
#include <string>

namespace nimbrook {

// Reads "%d-%d-%d %d:%d:%d" (year-month-day hour:minute:second, as the service writes expiry times)
// as local time and returns the 64-bit time (seconds since 1970-01-01 UTC).
// - The three date fields are required. When the text ends (white space aside) after the date, the
//   hour or the minute, the missing fields count as 0: "2024-05-01" is that day's midnight. A text
//   that goes on with anything else before all six fields are read is invalid; after the sixth
//   field the rest is ignored.
// - -1 when fewer than three fields can be read (empty text, garbage), when a field is out of range
//   (year 1970-3000, month 1-12, a day that exists in that month, hour 0-23, minute and second
//   0-59, which also catches numbers too long for an int), or when the C run-time cannot convert the
//   time.
int64_t ParseDateTime(const std::wstring& text);

// The whole hours from earlier to later, rounded down: 8.5 hours give 8, half an hour back gives -1.
// Results beyond the int range are clamped to it.
int HoursBetween(int64_t later, int64_t earlier);

// Today's local date as "%Y-%m-%d", e.g. "2024-05-01". Empty if the local time cannot be had.
std::string Today();

}  // namespace nimbrook
