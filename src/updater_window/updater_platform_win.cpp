// The Win32 pieces of the updater: its message boxes, the skin archive it carries as a resource, its
// icon and the end of its message loop.
#include <windows.h>

#include "updater_window/win_main_frame.h"

namespace nimbrook {

void ShowUpdaterMessageBox(const std::wstring& text) { ::MessageBoxW(nullptr, text.c_str(), nullptr, MB_OK); }

std::string LoadZipResource(int id) {
  HMODULE module = ::GetModuleHandleW(nullptr);
  HRSRC found = ::FindResourceW(module, MAKEINTRESOURCEW(id), L"ZIPRES");
  if (found == nullptr) return {};
  HGLOBAL loaded = ::LoadResource(module, found);
  const DWORD size = ::SizeofResource(module, found);
  const void* bytes = loaded != nullptr ? ::LockResource(loaded) : nullptr;
  if (bytes == nullptr || size == 0) return {};
  return std::string(static_cast<const char*>(bytes), size);
}

void SetUpdaterIcon(toolkit::WindowHandle window, int resourceId) {
  HWND hwnd = static_cast<HWND>(window);
  if (hwnd == nullptr) return;
  HINSTANCE instance = ::GetModuleHandleW(nullptr);
  auto* big = static_cast<HICON>(::LoadImageW(instance, MAKEINTRESOURCEW(resourceId), IMAGE_ICON,
                                              ::GetSystemMetrics(SM_CXICON), ::GetSystemMetrics(SM_CYICON), 0));
  auto* small = static_cast<HICON>(::LoadImageW(instance, MAKEINTRESOURCEW(resourceId), IMAGE_ICON,
                                                ::GetSystemMetrics(SM_CXSMICON), ::GetSystemMetrics(SM_CYSMICON), 0));
  if (big != nullptr) ::SendMessageW(hwnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(big));
  if (small != nullptr) ::SendMessageW(hwnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small));
}

void PostUpdaterQuit(int exitCode) { ::PostQuitMessage(exitCode); }

}  // namespace nimbrook
