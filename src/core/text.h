// Conversions between the three text forms of the system: wide text (UTF-16 on Windows), narrow text
// in the system ANSI code page (UTF-8 in the native build), and UTF-8 (log, HTTP answers).
// Every conversion in the code base goes through here.
#pragma once

#include <string>
#include <string_view>

namespace nimbrook::text {

std::wstring FromUtf8(std::string_view utf8);
std::string ToUtf8(std::wstring_view wide);
// ToUtf8 appended to out (no text of its own for a writer that assembles a larger one).
void AppendUtf8(std::string& out, std::wstring_view wide);

// The system ANSI code page: 936 on a simplified Chinese Windows, 1252 on an English one.
std::wstring FromAnsi(std::string_view ansi);
std::string ToAnsi(std::wstring_view wide);

// ASCII-only helpers for keys, schemes and the like.
std::wstring AsciiToWide(std::string_view ascii);
std::string WideToAscii(std::wstring_view wide);  // non-ASCII characters become '?'
bool EqualsIgnoreCase(std::wstring_view a, std::wstring_view b);
bool EqualsIgnoreCase(std::string_view a, std::string_view b);

// The leading integer of a text, as atoi reads it ("1", "11", " 2x"); 0 when there is none.
long LeadingInteger(std::string_view text);

}  // namespace nimbrook::text
