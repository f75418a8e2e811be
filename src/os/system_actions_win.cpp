#include <windows.h>
#include <shellapi.h>

#include <vector>

#include "os/system_actions.h"

namespace nimbrook::os {
namespace {

class WinSystemActions final : public SystemActions {
 public:
  intptr_t ShellOpen(void* owner, const std::wstring& file, const std::wstring& parameters, bool hidden) override {
    return reinterpret_cast<intptr_t>(ShellExecuteW(static_cast<HWND>(owner), L"open", file.c_str(),
                                                    parameters.empty() ? nullptr : parameters.c_str(), nullptr,
                                                    hidden ? SW_HIDE : SW_SHOWNORMAL));
  }

  std::wstring SystemDirectory() override {
    wchar_t buffer[MAX_PATH + 1] = {};
    const UINT length = GetSystemDirectoryW(buffer, MAX_PATH);
    if (length == 0 || length > MAX_PATH) return L"";
    std::wstring dir(buffer, length);
    while (!dir.empty() && (dir.back() == L'\\' || dir.back() == L'/')) dir.pop_back();
    return dir;
  }

  bool RebootForcibly() override { return ExitWindowsEx(EWX_REBOOT | EWX_FORCE, 0) != FALSE; }
};

}  // namespace

SystemActions& SystemActionsOfProcess() {
  static WinSystemActions actions;
  return actions;
}

std::wstring ExecutableVersion() {
  wchar_t path[4096] = {};
  const DWORD length = GetModuleFileNameW(nullptr, path, 4096);
  if (length == 0 || length >= 4096) return L"";
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeW(path, &ignored);
  if (size == 0) return L"";
  std::vector<unsigned char> data(size);
  if (!GetFileVersionInfoW(path, 0, size, data.data())) return L"";
  VS_FIXEDFILEINFO* info = nullptr;
  UINT infoSize = 0;
  if (!VerQueryValueW(data.data(), L"\\", reinterpret_cast<void**>(&info), &infoSize) || info == nullptr ||
      infoSize < sizeof(VS_FIXEDFILEINFO)) {
    return L"";
  }
  return std::to_wstring(HIWORD(info->dwFileVersionMS)) + L"." + std::to_wstring(LOWORD(info->dwFileVersionMS)) +
         L"." + std::to_wstring(HIWORD(info->dwFileVersionLS)) + L"." + std::to_wstring(LOWORD(info->dwFileVersionLS));
}

}  // namespace nimbrook::os
