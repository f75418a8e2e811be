// What the main window's controller asks of the window around it: the things that need a real
// window (pop-ups, other windows, the shell, placement). CNimbrookFrame implements it on Windows;
// native tests record the calls.
#pragma once

#include <string>
#include <vector>

#include "toolkit/control.h"
#include "toolkit/ui_types.h"

namespace nimbrook {

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
  // The close button and WM_CLOSE: confirmation, disconnection, quit.
  virtual void RequestExit() = 0;
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
  // The connect button, a double click on a row, and the reconnection timer (the connect flow).
  virtual void ConnectButtonAction() = 0;
  virtual void Reconnect() = 0;
};

}  // namespace nimbrook
