// Text helpers of the service: form bodies ("a=1&b=2", sent without URL encoding by the client),
// the client's ";"-separated parameter texts ("username=u;password=p"), percent decoding, UTF-8
// checks, the GBK fallback for names typed on Chinese Windows, and HTML escaping.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace nimbrook::service {

using Fields = std::vector<std::pair<std::string, std::string>>;

// Splits a form body at "&" and each part at its first "=". Values are taken as they are: the
// client does not URL-encode its bodies, so "+" and "/" and CR LF are data. Only a value holding
// "%" followed by two hexadecimal digits is percent-decoded ("+" stays "+").
Fields ParseFormBody(std::string_view body);

// Splits the client's parameter text at ";" and each part at its first "=". A part without "="
// belongs to the previous value (a value that itself contained ";").
Fields ParseParameterText(std::string_view text);

// The value of the first field named key (exact, case-sensitive), or nullptr.
const std::string* FindField(const Fields& fields, std::string_view key);

// Decodes %XX escapes; with plusIsSpace, "+" becomes a blank (query strings of browsers).
std::string PercentDecode(std::string_view text, bool plusIsSpace);

bool IsValidUtf8(std::string_view text);

// The text as UTF-8: unchanged when it is valid UTF-8, otherwise read as GBK (the ANSI code page of
// simplified Chinese Windows, which is what the client sends there). Invalid GBK bytes become "?".
std::string AnsiToUtf8(std::string_view text);

std::string HtmlEscape(std::string_view text);

// Parses a decimal number of at most 18 digits; false for anything else.
[[nodiscard]] bool ParseDecimal(std::string_view text, unsigned long long& value);

}  // namespace nimbrook::service
