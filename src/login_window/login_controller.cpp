#include "login_window/login_controller.h"

#include "account/login_service.h"
#include "core/languages.h"
#include "core/log.h"
#include "core/settings.h"
#include "core/text.h"
#include "os/profile_file.h"
#include "toolkit/controls.h"

namespace nimbrook {

using namespace toolkit;

namespace {

constexpr wchar_t kPlaceholderId[] = L"username";
constexpr wchar_t kXpPadding[] = L"textpadding=\"5,1,10,0\"";
constexpr UiColor kProgressColour = 0xFF52606D;
constexpr UiColor kErrorColour = 0xFFD9484D;

bool AllowedOnly(const std::wstring& text) {
  for (const wchar_t c : text) {
    const bool allowed = (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z') || (c >= L'0' && c <= L'9');
    if (!allowed) return false;
  }
  return true;
}

}  // namespace

std::wstring CredentialProblem(const std::wstring& name, const std::wstring& password) {
  const bool nameOk = AllowedOnly(name);
  const bool passwordOk = AllowedOnly(password);
  if (!nameOk && !passwordOk) return L"illegal_username_pwd";
  if (!nameOk) return L"illegal_username";
  if (!passwordOk) return L"illegal_password";
  const bool nameLong = name.size() >= 5;
  const bool passwordLong = password.size() >= 6;
  if (nameLong && !passwordLong) return L"password_short";
  if (!nameLong && passwordLong) return L"username_short";
  if (!nameLong && !passwordLong) return L"username_pw_short";
  return L"";
}

std::wstring NextLanguageCode(const std::wstring& buttonText) {
  if (buttonText == L"En") return L"chs";
  if (buttonText == L"简") return L"cht";
  if (buttonText == L"繁") return L"eng";
  return L"";
}

std::wstring LanguageButtonLabel(const std::wstring& code) {
  if (code == L"chs") return L"简";
  if (code == L"cht") return L"繁";
  return L"En";
}

std::vector<std::wstring> LoginWindowControlNames() {
  return {L"closebtn",    L"minbtn",   L"login_btn",     L"tips",       L"remeberbox", L"autologbox",
          L"remepwd_lab", L"auto_lab", L"username_edit", L"pwd_edit",   L"register_lab", L"getpwd_lab",
          L"language_btn"};
}

LoginController::LoginController(CPaintManagerUI& pm, LoginWindowHost& host, LoginWindowContext context)
    : pm_(pm), host_(host), context_(std::move(context)), links_(BuiltInLoginLinks()) {}

std::vector<std::wstring> LoginController::Bind() {
  std::vector<std::wstring> missing;
  for (const auto& name : LoginWindowControlNames()) {
    if (pm_.FindControl(name) == nullptr) missing.push_back(name);
  }
  closebtn_ = pm_.FindControl(L"closebtn");
  minbtn_ = pm_.FindControl(L"minbtn");
  loginBtn_ = pm_.FindControl(L"login_btn");
  tips_ = pm_.FindControl(L"tips");
  remeberbox_ = dynamic_cast<COptionUI*>(pm_.FindControl(L"remeberbox"));
  autologbox_ = dynamic_cast<COptionUI*>(pm_.FindControl(L"autologbox"));
  remepwdLab_ = pm_.FindControl(L"remepwd_lab");
  autoLab_ = pm_.FindControl(L"auto_lab");
  usernameEdit_ = dynamic_cast<CEditUI*>(pm_.FindControl(L"username_edit"));
  pwdEdit_ = dynamic_cast<CEditUI*>(pm_.FindControl(L"pwd_edit"));
  languageBtn_ = pm_.FindControl(L"language_btn");
  if (languageBtn_ != nullptr) languageBtn_->SetText(LanguageButtonLabel(CurrentLanguage()));
  return missing;
}

std::wstring LoginController::Placeholder() const { return Text(kPlaceholderId); }

std::wstring LoginController::NameText() const {
  if (usernameEdit_ == nullptr) return L"";
  const std::wstring name = usernameEdit_->GetText();
  return name == Placeholder() ? std::wstring() : name;
}

bool LoginController::Selected(COptionUI* box) const { return box != nullptr && box->IsSelected(); }

void LoginController::Select(COptionUI* box, bool selected) {
  if (box != nullptr) box->Selected(selected, false);
}

void LoginController::SetTips(const std::wstring& id) {
  tipsId_ = id;
  if (tips_ == nullptr) return;
  tips_->SetText(Text(id));
  // Progress and the start-up notice in the secondary text colour; the rest are failures to act on.
  const bool failure = id != kLoggingInTextId && id != context_.startNoticeId;
  if (auto* label = dynamic_cast<CLabelUI*>(tips_)) label->SetTextColor(failure ? kErrorColour : kProgressColour);
}

void LoginController::EnableLogin(bool enable) {
  if (loginBtn_ != nullptr) loginBtn_->SetEnabled(enable);
}

void LoginController::Notify(TNotifyUI& msg) {
  if (opened_) return;
  const std::wstring sender = msg.pSender != nullptr ? msg.pSender->GetName() : std::wstring();
  if (msg.sType == notify::kWindowInit) {
    OnWindowInit();
  } else if (msg.sType == notify::kSetFocus) {
    if (sender == L"username_edit" && usernameEdit_ != nullptr && usernameEdit_->GetText() == Placeholder()) {
      usernameEdit_->SetText(L"");
    } else if (sender == L"pwd_edit" && usernameEdit_ != nullptr && usernameEdit_->GetText().empty()) {
      usernameEdit_->SetText(Placeholder());
    }
  } else if (msg.sType == notify::kKillFocus) {
    if (sender == L"username_edit" && usernameEdit_ != nullptr && usernameEdit_->GetText().empty()) {
      usernameEdit_->SetText(Placeholder());
    }
  } else if (msg.sType == notify::kTextChanged) {
    if (sender == L"username_edit" && usernameEdit_ != nullptr && usernameEdit_->GetText().empty() &&
        pwdEdit_ != nullptr) {
      pwdEdit_->SetText(L"");
    }
  } else if (msg.sType == notify::kTab) {
    if (sender == L"username_edit" && pwdEdit_ != nullptr) {
      pm_.SetFocus(pwdEdit_);
      pwdEdit_->SetSelAll();
    } else if (sender == L"pwd_edit" && loginBtn_ != nullptr) {
      pm_.SetFocus(loginBtn_);
    }
  } else if (msg.sType == notify::kReturn) {
    if (sender == L"username_edit" && pwdEdit_ != nullptr) {
      pm_.SetFocus(pwdEdit_);
    } else if (sender == L"pwd_edit") {
      StartLogin();
    }
  } else if (msg.sType == notify::kClick) {
    if (sender == L"closebtn") {
      host_.QuitProgram();
    } else if (sender == L"minbtn") {
      host_.Minimise();
    } else if (sender == L"login_btn") {
      StartLogin();
    } else if (sender == L"remeberbox" || sender == L"remepwd_lab" || sender == L"autologbox" ||
               sender == L"auto_lab") {
      OnBoxClick(sender);
    } else if (sender == L"register_lab") {
      if (!links_.regURL.empty()) host_.OpenInBrowser(links_.regURL);
    } else if (sender == L"getpwd_lab") {
      if (!links_.getpwdURL.empty()) host_.OpenInBrowser(links_.getpwdURL);
    } else if (sender == L"language_btn") {
      SwitchLanguage();
    }
  }
}

void LoginController::OnWindowInit() {
  if (loginBtn_ != nullptr) pm_.SetFocus(loginBtn_);
  if (context_.profile != nullptr) links_ = ReadLoginLinks(*context_.profile);
  ApplyTexts();
  if (!context_.startNoticeId.empty()) SetTips(context_.startNoticeId);
  if (Selected(autologbox_)) StartLogin();
}

void LoginController::ApplyTexts() {
  if (usernameEdit_ != nullptr) usernameEdit_->SetToolTip(Text(L"username_tip"));
  if (pwdEdit_ != nullptr) pwdEdit_->SetToolTip(Text(L"password_tip"));
  for (const wchar_t* name : {L"register_lab", L"getpwd_lab", L"remepwd_lab", L"auto_lab", L"login_btn", L"login_title"}) {
    if (CControlUI* control = pm_.FindControl(name)) control->SetText(Text(name));
  }
  // The program's name in the header and on the brand panel.
  for (const wchar_t* name : {L"title", L"brand"}) {
    if (CControlUI* control = pm_.FindControl(name)) control->SetText(Text(L"nimbrookjsq"));
  }
  if (languageBtn_ != nullptr) languageBtn_->SetText(LanguageButtonLabel(CurrentLanguage()));
  if (context_.systemDescription.find("XP") != std::string::npos) {
    for (CControlUI* label : {remepwdLab_, autoLab_, pm_.FindControl(L"getpwd_lab")}) {
      if (label != nullptr) (void)label->ApplyAttributeList(kXpPadding);
    }
  }
  if (context_.settings == nullptr) return;
  const Settings& settings = *context_.settings;
  const std::wstring name = text::FromAnsi(settings.Username());
  const std::wstring password = text::FromAnsi(settings.Password());
  if (usernameEdit_ != nullptr) usernameEdit_->SetText(name.empty() && password.empty() ? Placeholder() : name);
  if (pwdEdit_ != nullptr) pwdEdit_->SetText(password);
  if (settings.IsAutoLogin()) Select(autologbox_, true);
  if (settings.IsRemberPw()) Select(remeberbox_, true);
}

void LoginController::OnBoxClick(const std::wstring& name) {
  if (context_.settings == nullptr) return;
  Settings& settings = *context_.settings;
  // The click arrives before a box changes its own selection: "selected" is the state before it.
  if (name == L"remeberbox") {
    settings.SetRemberPw(!settings.IsRemberPw());
    if (Selected(remeberbox_)) {
      Select(autologbox_, false);
      settings.SetAutoLogin(false);
    }
  } else if (name == L"remepwd_lab") {
    settings.SetRemberPw(!settings.IsRemberPw());
    if (Selected(remeberbox_)) {
      Select(remeberbox_, false);
      Select(autologbox_, false);
      settings.SetAutoLogin(false);
    } else {
      Select(remeberbox_, true);
    }
  } else if (name == L"autologbox") {
    settings.SetAutoLogin(!settings.IsAutoLogin());
    if (!Selected(autologbox_)) {
      Select(remeberbox_, true);
      settings.SetRemberPw(true);
    }
  } else if (name == L"auto_lab") {
    settings.SetAutoLogin(!settings.IsAutoLogin());
    if (Selected(autologbox_)) {
      Select(autologbox_, false);
    } else {
      Select(autologbox_, true);
      Select(remeberbox_, true);
      settings.SetRemberPw(true);
    }
  }
}

void LoginController::StartLogin() {
  // A return in the password box while a login runs must not start a second one.
  if (running_ || opened_) return;
  EnableLogin(false);
  const std::wstring name = NameText();
  const std::wstring password = pwdEdit_ != nullptr ? pwdEdit_->GetText() : std::wstring();
  std::wstring problem;
  if (name.empty()) {
    problem = L"msg_username_null";
  } else if (password.empty()) {
    problem = L"msg_pwd_null";
  } else {
    problem = CredentialProblem(name, password);
  }
  if (!problem.empty()) {
    SetTips(problem);
    EnableLogin(true);
    return;
  }
  if (context_.settings != nullptr) {
    Settings& settings = *context_.settings;
    settings.SetUsername(text::ToAnsi(name));
    settings.SetPassword(text::ToAnsi(password));
    settings.SetAutoLogin(Selected(autologbox_));
    settings.SetRemberPw(Selected(remeberbox_));
  }
  running_ = true;
  if (!host_.StartLogin()) {
    // No worker: the service has reported the failure already, or nobody was there to hear it.
    running_ = false;
    SetTips(L"str_logfailed");
    EnableLogin(true);
  }
}

void LoginController::OnLoginState(int code, const std::wstring& answer) {
  if (opened_) return;
  if (code == kLoginRunningCode) {
    SetTips(kLoggingInTextId);
  } else if (code == kLoginSucceededCode) {
    running_ = false;
    if (answer.empty()) {
      SetTips(L"str_login_domerr");
    } else if (host_.OpenMainWindow(answer, links_.site)) {
      opened_ = true;
    } else {
      SetTips(L"str_login_domerr");
    }
    EnableLogin(true);
  } else if (code == kLoginFailedCode) {
    running_ = false;
    SetTips(L"str_logfailed");
    EnableLogin(true);
  }
}

void LoginController::SwitchLanguage() {
  if (languageBtn_ == nullptr) return;
  const std::wstring code = NextLanguageCode(languageBtn_->GetText());
  if (code.empty()) return;
  // What the user typed survives the switch: only a placeholder is renewed.
  const bool placeholder = usernameEdit_ != nullptr && usernameEdit_->GetText() == Placeholder();
  const std::wstring typedName = usernameEdit_ != nullptr ? usernameEdit_->GetText() : std::wstring();
  const std::wstring typedPassword = pwdEdit_ != nullptr ? pwdEdit_->GetText() : std::wstring();
  const std::wstring tipsId = tipsId_;
  if (context_.settings != nullptr) context_.settings->SetLanguage(text::ToAnsi(code));
  if (context_.profile != nullptr && !context_.configIni.empty() &&
      !context_.profile->WriteString(context_.configIni, L"Setting", L"language", code)) {
    WriteLog(L"语言设置无法写入: " + context_.configIni);
  }
  SelectLanguage(code);
  LoadLanguage();
  ApplyTexts();
  if (usernameEdit_ != nullptr) usernameEdit_->SetText(placeholder ? Placeholder() : typedName);
  if (pwdEdit_ != nullptr) pwdEdit_->SetText(typedPassword);
  if (!tipsId.empty()) SetTips(tipsId);
  host_.LanguageChanged();
}

}  // namespace nimbrook
