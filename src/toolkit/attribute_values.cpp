#include "toolkit/attribute_values.h"

#include <cwchar>
#include <cwctype>

namespace nimbrook::toolkit {
namespace {

bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n'; }

std::wstring Trim(const std::wstring& text) {
  size_t b = 0;
  size_t e = text.size();
  while (b < e && IsBlank(text[b])) ++b;
  while (e > b && IsBlank(text[e - 1])) --e;
  return text.substr(b, e - b);
}

// Reads comma-separated integers; exactly count of them.
bool ParseInts(const std::wstring& text, int* out, int count) {
  int values[4] = {};
  size_t start = 0;
  for (int i = 0; i < count; ++i) {
    size_t comma = text.find(L',', start);
    if (i == count - 1) {
      if (comma != std::wstring::npos) return false;
      comma = text.size();
    } else if (comma == std::wstring::npos) {
      return false;
    }
    if (!ParseInt(text.substr(start, comma - start), values[i])) return false;
    start = comma + 1;
  }
  for (int i = 0; i < count; ++i) out[i] = values[i];
  return true;
}

bool Lower(const std::wstring& a, const wchar_t* b) {
  size_t i = 0;
  for (; i < a.size() && b[i]; ++i) {
    if (static_cast<wchar_t>(std::towlower(a[i])) != b[i]) return false;
  }
  return i == a.size() && b[i] == 0;
}

// Replaces the XML entities a value may carry; unknown ones stay as they are.
std::wstring DecodeEntities(const std::wstring& text) {
  if (text.find(L'&') == std::wstring::npos) return text;
  static const struct {
    const wchar_t* name;
    wchar_t ch;
  } kEntities[] = {{L"&quot;", L'"'}, {L"&apos;", L'\''}, {L"&amp;", L'&'}, {L"&lt;", L'<'}, {L"&gt;", L'>'}};
  std::wstring out;
  for (size_t i = 0; i < text.size();) {
    bool done = false;
    if (text[i] == L'&') {
      for (const auto& e : kEntities) {
        if (text.compare(i, std::wcslen(e.name), e.name) == 0) {
          out.push_back(e.ch);
          i += std::wcslen(e.name);
          done = true;
          break;
        }
      }
    }
    if (!done) out.push_back(text[i++]);
  }
  return out;
}

}  // namespace

bool ParseInt(const std::wstring& text, int& out) {
  const std::wstring t = Trim(text);
  if (t.empty()) return false;
  size_t i = 0;
  bool negative = false;
  if (t[0] == L'-' || t[0] == L'+') {
    negative = t[0] == L'-';
    i = 1;
  }
  if (i == t.size()) return false;
  long long value = 0;
  for (; i < t.size(); ++i) {
    if (t[i] < L'0' || t[i] > L'9') return false;
    value = value * 10 + (t[i] - L'0');
    if (value > 0x7FFFFFFFLL) return false;
  }
  out = static_cast<int>(negative ? -value : value);
  return true;
}

bool ParseBool(const std::wstring& text, bool& out) {
  const std::wstring t = Trim(text);
  if (Lower(t, L"true") || t == L"1") {
    out = true;
    return true;
  }
  if (Lower(t, L"false") || t == L"0") {
    out = false;
    return true;
  }
  return false;
}

bool ParseColor(const std::wstring& text, UiColor& out) {
  std::wstring t = Trim(text);
  if (!t.empty() && t[0] == L'#') {
    t.erase(0, 1);
  } else if (t.size() > 2 && t[0] == L'0' && (t[1] == L'x' || t[1] == L'X')) {
    t.erase(0, 2);
  }
  if (t.size() != 6 && t.size() != 8) return false;
  uint32_t value = 0;
  for (wchar_t c : t) {
    int digit;
    if (c >= L'0' && c <= L'9') digit = c - L'0';
    else if (c >= L'a' && c <= L'f') digit = c - L'a' + 10;
    else if (c >= L'A' && c <= L'F') digit = c - L'A' + 10;
    else return false;
    value = (value << 4) | static_cast<uint32_t>(digit);
  }
  if (t.size() == 6) value |= 0xFF000000u;
  out = value;
  return true;
}

bool ParseRect(const std::wstring& text, UiRect& out) {
  int v[4];
  if (!ParseInts(text, v, 4)) return false;
  out = {v[0], v[1], v[2], v[3]};
  return true;
}

bool ParseSize(const std::wstring& text, UiSize& out) {
  int v[2];
  if (!ParseInts(text, v, 2)) return false;
  out = {v[0], v[1]};
  return true;
}

bool ParseImage(const std::wstring& text, ImageSpec& out) {
  const std::wstring t = Trim(text);
  ImageSpec desc;
  if (t.empty()) {
    out = desc;
    return true;
  }
  if (t.find(L'=') == std::wstring::npos) {
    desc.file = t;   // a bare file name
    out = desc;
    return true;
  }
  std::vector<AttributePair> pairs;
  if (!ParseAttributeList(t, pairs)) return false;
  for (const auto& p : pairs) {
    if (p.name == L"file" || p.name == L"res") {
      desc.file = p.value;
    } else if (p.name == L"source") {
      if (!ParseRect(p.value, desc.source)) return false;
      desc.hasSource = true;
    } else if (p.name == L"corner") {
      if (!ParseRect(p.value, desc.corner)) return false;
    } else if (p.name == L"dest") {
      if (!ParseRect(p.value, desc.dest)) return false;
      desc.hasDest = true;
    } else if (p.name == L"fade") {
      int fade;
      if (!ParseInt(p.value, fade) || fade < 0 || fade > 255) return false;
      desc.fade = fade;
    } else if (p.name == L"hole") {
      if (!ParseBool(p.value, desc.hole)) return false;
    } else if (p.name == L"mask" || p.name == L"restype" || p.name == L"xtiled" || p.name == L"ytiled") {
      // Accepted and ignored: our renderer has no colour keys or tiling.
    } else {
      return false;
    }
  }
  if (desc.file.empty()) return false;
  out = desc;
  return true;
}

bool ParseAttributeList(const std::wstring& list, std::vector<AttributePair>& out,
                        std::wstring* error) {
  size_t i = 0;
  const size_t n = list.size();
  auto fail = [&](const std::wstring& why) {
    if (error) *error = why + L" (at character " + std::to_wstring(i + 1) + L")";
    return false;
  };
  while (true) {
    while (i < n && IsBlank(list[i])) ++i;
    if (i == n) return true;
    const size_t nameStart = i;
    while (i < n && !IsBlank(list[i]) && list[i] != L'=') ++i;
    std::wstring name = list.substr(nameStart, i - nameStart);
    if (name.empty()) return fail(L"attribute name missing");
    while (i < n && IsBlank(list[i])) ++i;
    if (i == n || list[i] != L'=') return fail(L"'=' missing after " + name);
    ++i;
    while (i < n && IsBlank(list[i])) ++i;
    if (i == n || (list[i] != L'"' && list[i] != L'\'')) return fail(L"quoted value missing for " + name);
    const wchar_t quote = list[i++];
    std::wstring value;
    bool closed = false;
    while (i < n) {
      if (list[i] == L'\\' && i + 1 < n && list[i + 1] == quote) {
        value.push_back(quote);
        i += 2;
        continue;
      }
      if (list[i] == quote) {
        closed = true;
        ++i;
        break;
      }
      value.push_back(list[i++]);
    }
    if (!closed) return fail(L"unterminated value of " + name);
    out.push_back({std::move(name), DecodeEntities(value)});
  }
}

}  // namespace nimbrook::toolkit
