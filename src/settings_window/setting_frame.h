// CSettingFrame: the modal settings window ("SettingFrame", "setting.xml"). A thin window around
// SettingController: it builds the layout, hands the controller the toolkit's notifications, shows
// the message boxes the controller asks for, and runs the driver removal on a worker of its own that
// reports to the status line by a synchronous window message. Created with new; deletes itself at
// its final message.
//   CSettingFrame::Show(mainWindow, SettingContext::ForProcess(settings, ...), [&] { main.ApplyLanguage(); });
#pragma once

#include <functional>

#include "settings_window/setting_controller.h"
#include "toolkit/notify.h"
#include "toolkit/window_wnd.h"
#include "ui/ui_base.h"

namespace nimbrook {

inline constexpr wchar_t kSettingWindowClass[] = L"SettingFrame";
inline constexpr wchar_t kSettingLayout[] = L"setting.xml";
// The driver removal worker's status id (lParam: a std::wstring* valid while the message is handled).
inline constexpr unsigned kMsgSettingStatus = toolkit::kWmApp + 0x61;

class CSettingFrame : public CUIBase, public toolkit::CWindowWnd, public toolkit::INotifyUI, private SettingHost {
 public:
  // onLanguageChanged: the owner renews its texts after "ok" changed the language.
  CSettingFrame(SettingContext context, std::function<void()> onLanguageChanged);

  // Creates the window owned by parent, centres it on it and runs it modally; the close code (1 for
  // "ok", 2 for the close button or Escape).
  static unsigned Show(toolkit::WindowHandle parent, SettingContext context, std::function<void()> onLanguageChanged);

  intptr_t HandleMessage(unsigned msg, uintptr_t wParam, intptr_t lParam) override;
  void Notify(toolkit::TNotifyUI& msg) override;
  SettingController& Controller() { return controller_; }

 protected:
  const wchar_t* GetWindowClassName() const override { return kSettingWindowClass; }
  unsigned GetClassStyle() const override { return toolkit::kCsDblClks; }
  void OnFinalMessage(toolkit::WindowHandle hWnd) override;

 private:
  // SettingHost
  unsigned ShowBox(const std::wstring& kind, const std::wstring& text) override;
  void ShowPlainMessage(const std::wstring& text) override;
  void StartDriverRemoval() override;
  void LanguageChanged() override;
  void CloseWindow(unsigned code) override;
  void* OwnerWindow() override { return GetHWND(); }

  SettingController controller_;
  std::function<void()> onLanguageChanged_;
};

// A system message box without owner and with the default caption (nothing natively).
void ShowSystemMessage(const std::wstring& text);

}  // namespace nimbrook
