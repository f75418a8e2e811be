// Native builds have no ANSI code page: narrow text is UTF-8 there.
#include "core/text.h"

namespace nimbrook::text {

std::wstring FromAnsi(std::string_view ansi) { return FromUtf8(ansi); }
std::string ToAnsi(std::wstring_view wide) { return ToUtf8(wide); }

}  // namespace nimbrook::text
