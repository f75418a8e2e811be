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

}  // namespace nimbrook
