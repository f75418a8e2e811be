// The notification-area icon through Shell_NotifyIconW; the menu is a plain popup menu run at the
// cursor.
#include <windows.h>
#include <shellapi.h>

#include "main_window/tray_icon.h"

namespace nimbrook {

namespace {

HICON LoadTrayIcon(int resource) {
  const int size = ::GetSystemMetrics(SM_CXSMICON);
  auto* icon = static_cast<HICON>(
      ::LoadImageW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(resource), IMAGE_ICON, size, size, 0));
  // A program without the client's icons (check programs) still shows something.
  return icon != nullptr ? icon : ::LoadIconW(nullptr, IDI_APPLICATION);
}

void CopyText(wchar_t* target, size_t capacity, const std::wstring& text) {
  const size_t n = text.size() < capacity - 1 ? text.size() : capacity - 1;
  text.copy(target, n);
  target[n] = L'\0';
}

NOTIFYICONDATAW Record(toolkit::WindowHandle window) {
  NOTIFYICONDATAW data{};
  data.cbSize = sizeof data;
  data.hWnd = static_cast<HWND>(window);
  data.uID = kTrayIconId;
  return data;
}

}  // namespace

TrayIcon::~TrayIcon() { Remove(); }

bool TrayIcon::Add(toolkit::WindowHandle window, int iconResource, const std::wstring& tip) {
  window_ = window;
  iconResource_ = iconResource;
  tip_ = tip;
  return Restore();
}

bool TrayIcon::Restore() {
  if (window_ == nullptr) return false;
  NOTIFYICONDATAW data = Record(window_);
  data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
  data.uCallbackMessage = kTrayCallbackMessage;
  data.hIcon = LoadTrayIcon(iconResource_);
  CopyText(data.szTip, ARRAYSIZE(data.szTip), tip_);
  added_ = ::Shell_NotifyIconW(NIM_ADD, &data) != FALSE;
  return added_;
}

void TrayIcon::SetIcon(int iconResource) {
  iconResource_ = iconResource;
  if (!added_) return;
  NOTIFYICONDATAW data = Record(window_);
  data.uFlags = NIF_ICON;
  data.hIcon = LoadTrayIcon(iconResource);
  (void)::Shell_NotifyIconW(NIM_MODIFY, &data);
}

void TrayIcon::ShowBalloon(const std::wstring& title, const std::wstring& text) {
  if (!added_) return;
  NOTIFYICONDATAW data = Record(window_);
  data.uFlags = NIF_INFO;
  data.dwInfoFlags = NIIF_INFO;
  CopyText(data.szInfoTitle, ARRAYSIZE(data.szInfoTitle), title);
  CopyText(data.szInfo, ARRAYSIZE(data.szInfo), text);
  (void)::Shell_NotifyIconW(NIM_MODIFY, &data);
}

void TrayIcon::Remove() {
  if (!added_) return;
  NOTIFYICONDATAW data = Record(window_);
  (void)::Shell_NotifyIconW(NIM_DELETE, &data);
  added_ = false;
}

void TrayIcon::SetMenuTexts(const std::wstring& showMain, const std::wstring& setting, const std::wstring& exit) {
  menuTexts_[0] = showMain;
  menuTexts_[1] = setting;
  menuTexts_[2] = exit;
}

int TrayIcon::RunMenu() {
  HMENU menu = ::CreatePopupMenu();
  if (menu == nullptr) return 0;
  const int commands[3] = {kTrayCommandShowMain, kTrayCommandSetting, kTrayCommandExit};
  for (int i = 0; i < 3; ++i) ::AppendMenuW(menu, MF_STRING, static_cast<UINT_PTR>(commands[i]), menuTexts_[i].c_str());
  POINT cursor{};
  ::GetCursorPos(&cursor);
  HWND owner = static_cast<HWND>(window_);
  // The menu closes when the user clicks elsewhere only if its owner is in the foreground.
  ::SetForegroundWindow(owner);
  const int chosen = static_cast<int>(
      ::TrackPopupMenu(menu, TPM_RETURNCMD | TPM_NONOTIFY | TPM_RIGHTBUTTON, cursor.x, cursor.y, 0, owner, nullptr));
  ::PostMessageW(owner, WM_NULL, 0, 0);
  ::DestroyMenu(menu);
  return chosen;
}

unsigned TaskbarCreatedMessage() {
  static const UINT message = ::RegisterWindowMessageW(L"TaskbarCreated");
  return message;
}

}  // namespace nimbrook
