// The Win32 pieces of the main window: its icon from the program's resources and the end of the
// message loop.
#include <windows.h>

#include "main_window/nimbrook_frame.h"

namespace nimbrook {

void SetWindowIconFromResource(toolkit::WindowHandle window, int resourceId) {
  HWND hwnd = static_cast<HWND>(window);
  if (hwnd == nullptr) return;
  HINSTANCE instance = ::GetModuleHandleW(nullptr);
  auto* big = static_cast<HICON>(::LoadImageW(instance, MAKEINTRESOURCEW(resourceId), IMAGE_ICON,
                                              ::GetSystemMetrics(SM_CXICON), ::GetSystemMetrics(SM_CYICON), 0));
  auto* small = static_cast<HICON>(::LoadImageW(instance, MAKEINTRESOURCEW(resourceId), IMAGE_ICON,
                                                ::GetSystemMetrics(SM_CXSMICON), ::GetSystemMetrics(SM_CYSMICON), 0));
  // A program without the icon resource (check programs) keeps the class icon.
  if (big != nullptr) ::SendMessageW(hwnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(big));
  if (small != nullptr) ::SendMessageW(hwnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small));
}

void PostQuitToLoop(int exitCode) { ::PostQuitMessage(exitCode); }

bool StartWindowTimer(toolkit::WindowHandle window, uint32_t id, uint32_t elapseMs) {
  return window != nullptr && ::SetTimer(static_cast<HWND>(window), id, elapseMs, nullptr) != 0;
}

void StopWindowTimer(toolkit::WindowHandle window, uint32_t id) {
  if (window != nullptr) ::KillTimer(static_cast<HWND>(window), id);
}

void BringWindowToFront(toolkit::WindowHandle window) {
  if (window != nullptr) ::SetForegroundWindow(static_cast<HWND>(window));
}

}  // namespace nimbrook
