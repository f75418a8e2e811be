// The main window's icon in the notification area: its picture (idle or connected), its tip, balloon
// tips, and its menu of three commands. Shell_NotifyIconW on Windows; natively nothing is shown and
// every call reports failure.
#pragma once

#include <string>

#include "toolkit/window_wnd.h"

namespace nimbrook {

inline constexpr unsigned kTrayIconId = 127;
inline constexpr unsigned kTrayCallbackMessage = 0x0400;  // WM_USER
// The mouse messages the callback carries in its second parameter.
inline constexpr intptr_t kTrayLeftDoubleClick = 0x203;
inline constexpr intptr_t kTrayRightButtonDown = 0x204;
// Menu commands, in menu order.
inline constexpr int kTrayCommandShowMain = 14;
inline constexpr int kTrayCommandSetting = 15;
inline constexpr int kTrayCommandExit = 12;

class TrayIcon {
 public:
  TrayIcon() = default;
  ~TrayIcon();  // removes the icon
  TrayIcon(const TrayIcon&) = delete;
  TrayIcon& operator=(const TrayIcon&) = delete;

  // Adds the icon for the window (callback kTrayCallbackMessage) with the icon resource and tip.
  bool Add(toolkit::WindowHandle window, int iconResource, const std::wstring& tip);
  // Adds it again after Explorer has restarted (the shell has forgotten it), with what it showed.
  bool Restore();
  void SetIcon(int iconResource);
  // An information balloon; an empty text takes the balloon away.
  void ShowBalloon(const std::wstring& title, const std::wstring& text);
  void Remove();
  bool IsAdded() const { return added_; }
  int IconResource() const { return iconResource_; }

  // The menu's texts (show main window, settings, exit), renewed with the language.
  void SetMenuTexts(const std::wstring& showMain, const std::wstring& setting, const std::wstring& exit);
  // Runs the menu at the cursor; the chosen command, 0 when none.
  int RunMenu();

 private:
  toolkit::WindowHandle window_ = nullptr;
  int iconResource_ = 0;
  std::wstring tip_;
  bool added_ = false;
  std::wstring menuTexts_[3];
};

// The message Explorer broadcasts when the taskbar is created again ("TaskbarCreated"); 0 natively.
unsigned TaskbarCreatedMessage();

}  // namespace nimbrook
