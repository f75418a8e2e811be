// Readers for the attribute texts of layouts and attribute lists: numbers, colours, rectangles, sizes,
// flags, image texts and the list form name="value" name2='value2'. A reader that fails leaves its
// output untouched and returns false, so a bad value never half-applies.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "toolkit/ui_types.h"

namespace nimbrook::toolkit {

// A whole decimal integer with optional sign and surrounding blanks ("12", " -3 "); no trailing junk.
[[nodiscard]] bool ParseInt(const std::wstring& text, int& out);
// "true"/"false" (any letter case); "1"/"0" too.
[[nodiscard]] bool ParseBool(const std::wstring& text, bool& out);
// "#AARRGGBB", "#RRGGBB" (opaque), with or without "#", or "0x" prefix.
[[nodiscard]] bool ParseColor(const std::wstring& text, UiColor& out);
// "l,t,r,b" (four integers).
[[nodiscard]] bool ParseRect(const std::wstring& text, UiRect& out);
// "w,h" (two integers).
[[nodiscard]] bool ParseSize(const std::wstring& text, UiSize& out);
// An image text (see ImageSpec). An empty text gives an empty image and succeeds.
[[nodiscard]] bool ParseImage(const std::wstring& text, ImageSpec& out);

struct AttributePair {
  std::wstring name;
  std::wstring value;
};

// Splits an attribute list: pairs name="value" separated by blanks; values in double or single
// quotes; inside a value the entities &quot; &apos; &amp; &lt; &gt; and a backslash before the
// closing quote character stand for that character. On a syntax error returns false with the pairs
// read so far in out and the error described in error.
[[nodiscard]] bool ParseAttributeList(const std::wstring& list, std::vector<AttributePair>& out,
                                      std::wstring* error = nullptr);

}  // namespace nimbrook::toolkit
