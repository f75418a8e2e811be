#include <windows.h>

#include "os/module_path.h"

namespace nimbrook::os {
namespace {

constexpr DWORD kWideCapacity = 4096;
constexpr DWORD kNarrowCapacity = 260;

}  // namespace

std::wstring ExecutablePath() {
  wchar_t buffer[kWideCapacity];
  const DWORD length = GetModuleFileNameW(nullptr, buffer, kWideCapacity);
  // A path that fills the buffer was cut (and on older systems is not even terminated).
  if (length == 0 || length >= kWideCapacity) return {};
  return std::wstring(buffer, length);
}

std::string ExecutablePathA() {
  char buffer[kNarrowCapacity];
  const DWORD length = GetModuleFileNameA(nullptr, buffer, kNarrowCapacity);
  if (length == 0 || length >= kNarrowCapacity) return {};
  return std::string(buffer, length);
}

}  // namespace nimbrook::os
