#include <windows.h>

#include "core/text.h"

namespace nimbrook::text {
namespace {

std::wstring ToWide(UINT codePage, std::string_view narrow) {
  if (narrow.empty()) return {};
  const int size = MultiByteToWideChar(codePage, 0, narrow.data(), static_cast<int>(narrow.size()), nullptr, 0);
  if (size <= 0) return {};
  std::wstring out(static_cast<size_t>(size), L'\0');
  MultiByteToWideChar(codePage, 0, narrow.data(), static_cast<int>(narrow.size()), out.data(), size);
  return out;
}

std::string ToNarrow(UINT codePage, std::wstring_view wide) {
  if (wide.empty()) return {};
  const int size = WideCharToMultiByte(codePage, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr);
  if (size <= 0) return {};
  std::string out(static_cast<size_t>(size), '\0');
  WideCharToMultiByte(codePage, 0, wide.data(), static_cast<int>(wide.size()), out.data(), size, nullptr, nullptr);
  return out;
}

}  // namespace

std::wstring FromAnsi(std::string_view ansi) { return ToWide(CP_ACP, ansi); }
std::string ToAnsi(std::wstring_view wide) { return ToNarrow(CP_ACP, wide); }

}  // namespace nimbrook::text
