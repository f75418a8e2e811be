#include "core/release_names.h"

#include "core/paths.h"

namespace nimbrook {
namespace {

bool IsSlash(wchar_t c) { return c == L'\\' || c == L'/'; }

// A segment that Windows maps to a device whatever its extension ("CON", "nul.txt", "COM1.tmp").
bool IsDeviceName(std::wstring_view segment) {
  std::wstring stem(segment.substr(0, segment.find(L'.')));
  while (!stem.empty() && stem.back() == L' ') stem.pop_back();
  for (auto& c : stem) {
    if (c >= L'a' && c <= L'z') c = static_cast<wchar_t>(c - L'a' + L'A');
  }
  if (stem == L"CON" || stem == L"PRN" || stem == L"AUX" || stem == L"NUL" || stem == L"CONIN$" || stem == L"CONOUT$") {
    return true;
  }
  return stem.size() == 4 && (stem.compare(0, 3, L"COM") == 0 || stem.compare(0, 3, L"LPT") == 0) && stem[3] >= L'1' &&
         stem[3] <= L'9';
}

bool IsRefusedCharacter(wchar_t c) {
  return c < 0x20 || c == L'*' || c == L'?' || c == L'<' || c == L'>' || c == L'|' || c == L'"';
}

}  // namespace

std::wstring CollapseSeparators(std::wstring_view name) {
  std::wstring out;
  out.reserve(name.size());
  for (wchar_t c : name) {
    if (IsSlash(c) && !out.empty() && out.back() == c) continue;
    out.push_back(c);
  }
  return out;
}

bool IsAcceptableFileName(std::wstring_view name) {
  if (name.size() >= 2 && IsSlash(name[0]) && IsSlash(name[1])) return false;  // UNC
  if (!IsSafeRelativeName(name)) return false;
  if (IsSlash(name.back())) return false;  // a directory, not a file
  for (wchar_t c : name) {
    if (IsRefusedCharacter(c)) return false;
  }
  size_t start = 0;
  while (start < name.size()) {
    size_t end = start;
    while (end < name.size() && !IsSlash(name[end])) ++end;
    const std::wstring_view segment = name.substr(start, end - start);
    if (IsDeviceName(segment)) return false;
    if (segment != L"." && !segment.empty() && (segment.back() == L'.' || segment.back() == L' ')) return false;
    start = end + 1;
  }
  return true;
}

bool UpdaterSkipsName(std::wstring_view name) { return name.find(L"Update.exe") != std::wstring_view::npos; }

bool IsReleaseFileName(std::wstring_view name) {
  return !UpdaterSkipsName(name) && IsAcceptableFileName(CollapseSeparators(name));
}

}  // namespace nimbrook
