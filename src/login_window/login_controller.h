// The login window's decisions, apart from the Win32 window: the input checks, the remembered
// password and auto-login boxes, the language button, the links, and what the login service's
// notifications change. It acts on the toolkit's control model by name, so native tests drive it
// with notifications; the window around it (CLoginFrame) starts the login and opens the main window.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "account/descriptor.h"
#include "toolkit/notify.h"
#include "toolkit/paint_manager.h"

namespace nimbrook {

class LoginService;
class Settings;
namespace os {
class ProfileFiles;
}
namespace toolkit {
class COptionUI;
class CEditUI;
}  // namespace toolkit

inline constexpr unsigned kMsgLoginState = 0x2250;  // the login service's notification, sent

// The language id of the first input rule that fails, or empty when the name (at least 5) and
// password (at least 6) hold only ASCII letters and digits.
std::wstring CredentialProblem(const std::wstring& name, const std::wstring& password);

// The language that follows code on the language button ("En" -> "简" -> "繁" -> "En"), and the
// button's label for a code.
std::wstring NextLanguageCode(const std::wstring& buttonText);
std::wstring LanguageButtonLabel(const std::wstring& code);

// What the login window asks of the window around it.
class LoginWindowHost {
 public:
  virtual ~LoginWindowHost() = default;
  // Attaches the window to the login service and starts the login worker; false when no worker
  // could be started.
  virtual bool StartLogin() = 0;
  // Opens the main window with the accepted answer and closes this one; false when it could not open.
  virtual bool OpenMainWindow(const std::wstring& answer, const std::wstring& siteAddress) = 0;
  virtual void QuitProgram() = 0;
  virtual void Minimise() = 0;
  virtual void OpenInBrowser(const std::wstring& url) = 0;
  // The language changed: the window's caption follows.
  virtual void LanguageChanged() = 0;
};

struct LoginWindowContext {
  Settings* settings = nullptr;
  os::ProfileFiles* profile = nullptr;         // "version.ini" links and config.ini's language
  std::shared_ptr<LoginService> login;
  std::string systemDescription;               // "XP" in it narrows the box labels' padding
  std::wstring configIni;                      // where the language choice is written at once
  std::wstring startNoticeId;                  // a text for the tips label at opening (empty: none)
};

// The controls the window looks up once; a layout without one of them fails in a test.
std::vector<std::wstring> LoginWindowControlNames();

class LoginController {
 public:
  LoginController(toolkit::CPaintManagerUI& pm, LoginWindowHost& host, LoginWindowContext context);

  // Looks the controls up; the names of those the layout lacks (empty when complete).
  std::vector<std::wstring> Bind();
  void Notify(toolkit::TNotifyUI& msg);
  // Message 0x2250 on the UI thread: the login service's code (14, 15, 16) and, for 15, its answer.
  void OnLoginState(int code, const std::wstring& answer);

  // Validates the input, stores it in the settings and asks the host to start the login.
  void StartLogin();
  void ApplyTexts();
  void SwitchLanguage();

  const LoginWindowLinks& Links() const { return links_; }
  bool LoginRunning() const { return running_; }

 private:
  void OnWindowInit();
  void OnBoxClick(const std::wstring& name);
  void SetTips(const std::wstring& id);
  void EnableLogin(bool enable);
  std::wstring Placeholder() const;
  std::wstring NameText() const;
  bool Selected(toolkit::COptionUI* box) const;
  void Select(toolkit::COptionUI* box, bool selected);

  toolkit::CPaintManagerUI& pm_;
  LoginWindowHost& host_;
  LoginWindowContext context_;
  LoginWindowLinks links_;
  bool running_ = false;
  bool opened_ = false;  // the main window has been opened: nothing more happens here
  std::wstring tipsId_;  // what the tips label says, renewed in a new language

  toolkit::CControlUI* closebtn_ = nullptr;
  toolkit::CControlUI* minbtn_ = nullptr;
  toolkit::CControlUI* loginBtn_ = nullptr;
  toolkit::CControlUI* tips_ = nullptr;
  toolkit::COptionUI* remeberbox_ = nullptr;
  toolkit::COptionUI* autologbox_ = nullptr;
  toolkit::CControlUI* remepwdLab_ = nullptr;
  toolkit::CControlUI* autoLab_ = nullptr;
  toolkit::CEditUI* usernameEdit_ = nullptr;
  toolkit::CEditUI* pwdEdit_ = nullptr;
  toolkit::CControlUI* languageBtn_ = nullptr;
};

}  // namespace nimbrook
