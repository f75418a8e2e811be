// CNimbrookFrame: the client's main window ("NimbrookFrame"). A thin Win32 window around
// MainWindowController: it builds "main.xml", hands the controller the toolkit's notifications,
// turns the workers' window messages (delay results 7025, engine notifications 0x2251, the account
// reload's 0x402) into controller calls on the UI thread, and provides the pop-ups, the background
// window and the shell the controller asks for. Created with new; deletes itself at its final message.
#pragma once

#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>

#include "main_window/main_controller.h"
#include "main_window/tray_icon.h"
#include "notices/notice_rules.h"
#include "toolkit/dialog_builder.h"
#include "toolkit/notify.h"
#include "toolkit/paint_manager.h"
#include "toolkit/web_browser.h"
#include "toolkit/window_wnd.h"
#include "ui/dialog_builder_callback_ex.h"
#include "ui/irregular_window.h"
#include "ui/ui_base.h"

namespace nimbrook {

inline constexpr wchar_t kMainWindowClass[] = L"NimbrookFrame";
inline constexpr wchar_t kMainLayout[] = L"main.xml";

class CNimbrookFrame : public CUIBase,
                       public toolkit::CWindowWnd,
                       public toolkit::INotifyUI,
                       public toolkit::IMessageFilterUI,
                       public toolkit::IDialogBuilderCallback,
                       public toolkit::CWebBrowserEventHandler,
                       private MainWindowHost {
 public:
  explicit CNimbrookFrame(MainWindowContext context);
  ~CNimbrookFrame() override;

  // Creates the window (hidden until shown), centred on the work area; null when creation failed
  // (the object is then gone).
  static CNimbrookFrame* Open(MainWindowContext context);

  // Engine notifications: handed to the UI thread synchronously.
  void OnStateChanged(StateSubject* subject) override;

  intptr_t HandleMessage(unsigned msg, uintptr_t wParam, intptr_t lParam) override;
  void Notify(toolkit::TNotifyUI& msg) override;
  intptr_t MessageHandler(unsigned msg, uintptr_t wParam, intptr_t lParam, bool& handled) override;
  toolkit::CControlUI* CreateControl(const std::wstring& className) override;
  void NewWindow3(const std::wstring& url, bool& cancel) override;

  // The account reload's answer, from its worker: kept and posted to the window as 0x402.
  void PostRefreshedAnswer(const std::wstring& answer);

  MainWindowController& Controller() { return *controller_; }

  // The login window's hand-over: the main window appears (with its background) once the login
  // has opened it.
  void ShowAfterLogin();
  // The language changed (the settings window's "ok"): every text of the window is renewed.
  void ApplyLanguage();

  // The icon the notification area shows (kTrayIconIdle or kTrayIconConnected).
  int TrayIconResource() const { return tray_.IconResource(); }
  // Ends the window without the exit request's question (check programs).
  void CloseWithoutAsking();

  // Called before the window object is deleted (check programs end their loop there).
  void SetOnFinal(std::function<void()> onFinal) { onFinal_ = std::move(onFinal); }

 protected:
  const wchar_t* GetWindowClassName() const override { return kMainWindowClass; }
  unsigned GetClassStyle() const override { return toolkit::kCsDblClks; }
  void OnFinalMessage(toolkit::WindowHandle hWnd) override;

 private:
  intptr_t OnCreate();
  int MainHitTest(intptr_t lParam);

  // MainWindowHost
  toolkit::UiRect ScreenRectOf(toolkit::CControlUI& control) override;
  double DpiScale() override;
  void OpenProtocolPicker(toolkit::CControlUI& owner, toolkit::UiPoint screen, const std::wstring& current,
                          const std::vector<std::wstring>& offered) override;
  void OpenRoutePicker(toolkit::CControlUI& owner, toolkit::UiPoint screen) override;
  void OpenMainMenu(toolkit::CControlUI& owner, toolkit::UiPoint point) override;
  void ShowSettings() override;
  void ShowAbout() override;
  void Minimise(bool hide) override;
  void OpenInBrowser(const std::wstring& url) override;
  void OpenWithShell(const std::wstring& url) override;
  void ShowMessage(const std::wstring& textId) override;
  void PlaceBackground() override;
  void StartDelayPassSoon() override;
  void ShowNotice(const std::wstring& page, const std::wstring& parameters, const std::wstring& title) override;
  bool AskOkCancel(const std::wstring& textId) override;
  void SetTrayIcon(int resource) override;
  void Balloon(const std::wstring& text, bool hide, bool leaveWindows) override;
  void ObserveEngine(Connector& engine) override;
  void ShowMainWindow() override;
  bool SetWindowTimer(uint32_t id, uint32_t elapseMs) override;
  void KillWindowTimer(uint32_t id) override;
  void Quit() override;

  void CreateTrayIcon();
  void RenewTrayTexts();
  void OnTrayCallback(intptr_t mouseMessage);
  void StartNotices();
  void StartAccountReload();
  void ShowPendingNotice();

  std::unique_ptr<MainWindowController> controller_;
  CDialogBuilderCallbackEx builderCallback_;
  std::unique_ptr<CIrregularWindow> background_;
  bool backgroundReady_ = false;
  bool exitGranted_ = false;  // the exit request let the window close
  TrayIcon tray_;
  std::set<Connector*> observed_;  // engines this window is attached to, detached when it goes
  bool noticeStarted_ = false;      // at most one notice pop-up per main window
  std::optional<NoticeChoice> pendingNotice_;
  MainWindowContext context_;       // what the window itself reads (settings, profile)
  std::vector<std::wstring> pendingMessages_;  // message boxes waiting for the window to be up
  std::mutex answerLock_;
  std::wstring refreshedAnswer_;
  std::function<void()> onFinal_;
};

// Platform pieces of the frame (Win32 in nimbrook_frame_win.cpp; nothing natively).
void SetWindowIconFromResource(toolkit::WindowHandle window, int resourceId);
void PostQuitToLoop(int exitCode);
bool StartWindowTimer(toolkit::WindowHandle window, uint32_t id, uint32_t elapseMs);
void StopWindowTimer(toolkit::WindowHandle window, uint32_t id);
void BringWindowToFront(toolkit::WindowHandle window);

}  // namespace nimbrook
