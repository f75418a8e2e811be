// What the main window's controller asks of the window around it: the things that need a real
// window (pop-ups, other windows, the shell, placement). CNimbrookFrame implements it on Windows;
// native tests record the calls.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "toolkit/control.h"
#include "toolkit/ui_types.h"

namespace nimbrook {

class Connector;

class MainWindowHost {
 public:
  virtual ~MainWindowHost() = default;

  // The control's rectangle in screen coordinates (device pixels).
  virtual toolkit::UiRect ScreenRectOf(toolkit::CControlUI& control) = 0;
  // Device pixels per layout pixel (1.0 at 96 dpi).
  virtual double DpiScale() = 0;
  // Pop-ups owned by a control of the window; they report the pick as a notification of that control.
  virtual void OpenProtocolPicker(toolkit::CControlUI& owner, toolkit::UiPoint screen, const std::wstring& current,
                                  const std::vector<std::wstring>& offered) = 0;
  virtual void OpenRoutePicker(toolkit::CControlUI& owner, toolkit::UiPoint screen) = 0;
  // point: the notification's mouse point (client coordinates).
  virtual void OpenMainMenu(toolkit::CControlUI& owner, toolkit::UiPoint point) = 0;
  virtual void ShowSettings() = 0;
  virtual void ShowAbout() = 0;
  // "minbtn": hide the window and its background while connected, otherwise minimise.
  virtual void Minimise(bool hide) = 0;
  // A page in Internet Explorer (or the default browser); a page with the shell verb "open".
  virtual void OpenInBrowser(const std::wstring& url) = 0;
  virtual void OpenWithShell(const std::wstring& url) = 0;
  // A message box with the language text of the id and the single button "ok".
  virtual void ShowMessage(const std::wstring& textId) = 0;
  // Places and shows the layered background window behind the main window.
  virtual void PlaceBackground() = 0;
  // Calls the controller's StartDelayPass once the current message is done, so the window's first
  // paint does not wait while a thousand workers are started.
  virtual void StartDelayPassSoon() = 0;

  // The connect flow's needs.
  // The service's page pop-up (page key, parameters, title), modal over the window.
  virtual void ShowNotice(const std::wstring& page, const std::wstring& parameters, const std::wstring& title) = 0;
  // A message box with the language text of the id and the buttons "ok" and "cancel"; true for "ok".
  virtual bool AskOkCancel(const std::wstring& textId) = 0;
  // The notification-area icon (kTrayIconIdle, kTrayIconConnected) and its balloon. The balloon
  // hides the window and its background with hide, shows both otherwise, unless leaveWindows.
  virtual void SetTrayIcon(int resource) = 0;
  virtual void Balloon(const std::wstring& text, bool hide, bool leaveWindows) = 0;
  // The window hears the engine's notifications from now on (until it goes).
  virtual void ObserveEngine(Connector& engine) = 0;
  virtual void ShowMainWindow() = 0;
  // Window timers (the exit wait); false when the timer could not be set.
  virtual bool SetWindowTimer(uint32_t id, uint32_t elapseMs) = 0;
  virtual void KillWindowTimer(uint32_t id) = 0;
  // The program leaves: the icon goes, the window closes, the loop ends.
  virtual void Quit() = 0;
};

}  // namespace nimbrook
