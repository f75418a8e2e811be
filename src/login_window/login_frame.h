// CLoginFrame: the login window ("LoginFrame"). A thin Win32 window around LoginController: it builds
// "LoginFrame.xml", hands the controller the toolkit's notifications and the login service's
// notifications (sent to the UI thread as 0x2250), starts the login worker, and on success opens the
// main window and closes itself. Created with new; deletes itself at its final message.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "login_window/login_controller.h"
#include "toolkit/notify.h"
#include "toolkit/window_wnd.h"
#include "ui/ui_base.h"

namespace nimbrook {

class CNimbrookFrame;

inline constexpr wchar_t kLoginWindowClass[] = L"LoginFrame";
inline constexpr wchar_t kLoginLayout[] = L"LoginFrame.xml";

struct LoginFrameContext {
  LoginWindowContext window;
  int windowsMajor = 6;  // which protocols the main window offers
  // Called with the main window once it exists, before it is shown (the composition wires the
  // account reload and the service message box to it).
  std::function<void(CNimbrookFrame&)> mainWindowOpened;
};

class CLoginFrame : public CUIBase,
                    public toolkit::CWindowWnd,
                    public toolkit::INotifyUI,
                    private LoginWindowHost {
 public:
  explicit CLoginFrame(LoginFrameContext context);
  ~CLoginFrame() override;

  // Creates the window, centres and shows it; null when it could not be created (the object is gone).
  static CLoginFrame* Open(LoginFrameContext context);

  // The login service's notifications: handed to the UI thread synchronously.
  void OnStateChanged(StateSubject* subject) override;

  intptr_t HandleMessage(unsigned msg, uintptr_t wParam, intptr_t lParam) override;
  void Notify(toolkit::TNotifyUI& msg) override;

  LoginController& Controller() { return controller_; }

 protected:
  const wchar_t* GetWindowClassName() const override { return kLoginWindowClass; }
  unsigned GetClassStyle() const override { return toolkit::kCsDblClks; }
  void OnFinalMessage(toolkit::WindowHandle hWnd) override;

 private:
  // LoginWindowHost
  bool StartLogin() override;
  bool OpenMainWindow(const std::wstring& answer, const std::wstring& siteAddress) override;
  void QuitProgram() override;
  void Minimise() override;
  void OpenInBrowser(const std::wstring& url) override;
  void LanguageChanged() override;

  LoginFrameContext context_;
  LoginController controller_;
  bool handedOver_ = false;  // the main window took over: closing this one does not end the program
};

}  // namespace nimbrook
