#include "settings_window/setting_controller.h"

#include <array>

#include "core/languages.h"
#include "core/log.h"
#include "core/paths.h"
#include "core/settings.h"
#include "core/text.h"
#include "os/module_path.h"
#include "routes/route_table.h"
#include "settings_window/setting_rules.h"
#include "sysprep/ipsec_setting.h"
#include "sysprep/root_certificate.h"
#include "toolkit/container.h"
#include "toolkit/label.h"
#include "toolkit/option.h"
#include "toolkit/window_wnd.h"

namespace nimbrook {

using namespace toolkit;

namespace {

constexpr std::array<const wchar_t*, 28> kSelfNamed = {
    L"advanced_title", L"normal_opt",  L"tools_opt",      L"proxy_opt",       L"dns_opt",
    L"language",       L"remepwdlabel", L"autolabel",     L"autorunalbel",    L"reconnlabel",
    L"l2tplabel",      L"hidelabel",   L"hostsbtn",       L"cleardnsbtn",     L"optUserDnsSetting",
    L"uninstall_openvpn_btn", L"recove_route_btn", L"noproxy_lab", L"autosetting_lab", L"setting_lab",
    L"server",         L"port",        L"ok",             L"reset",           L"tools_title",
    L"proxy_title",    L"setting_title", L"dns_title"};

// A label clicks its option.
struct LabelOption {
  const wchar_t* label;
  const wchar_t* option;
};
constexpr std::array<LabelOption, 12> kLabels = {{{L"remepwdlabel", L"remepwdopt"},
                                                  {L"autolabel", L"autoopt"},
                                                  {L"reconnlabel", L"reconnopt"},
                                                  {L"hidelabel", L"hideopt"},
                                                  {L"autorunalbel", L"autorunopt"},
                                                  {L"l2tplabel", L"l2tpopt"},
                                                  {L"chslabel", L"chsopt"},
                                                  {L"chtlabel", L"chtopt"},
                                                  {L"englabel", L"engopt"},
                                                  {L"noproxy_lab", L"noproxy"},
                                                  {L"autosetting_lab", L"autosetting"},
                                                  {L"setting_lab", L"setting"}}};

constexpr const wchar_t* kTabs[] = {L"normal_opt", L"proxy_opt", L"dns_opt", L"tools_opt"};

std::wstring LanguageOfOption(const std::wstring& option) {
  if (option == L"chsopt") return L"chs";
  if (option == L"chtopt") return L"cht";
  if (option == L"engopt") return L"eng";
  return L"";
}

std::wstring TextOrId(const std::wstring& id) {
  std::wstring text = Text(id);
  return text.empty() ? id : text;
}

}  // namespace

SettingContext SettingContext::ForProcess(Settings& settings) {
  SettingContext context;
  context.settings = &settings;
  context.profile = &os::SystemProfile();
  context.configIniPath = Paths().configDir + L"config.ini";
  context.registry = &os::SystemRegistry();
  context.system = &os::SystemActionsOfProcess();
  context.executablePath = os::ExecutablePath();
  context.applyProxy = [](int mode, const std::wstring& host, const std::wstring& port,
                          const ProxyMessageCallback& showMessage) {
    return ApplyProxyToTemplate(mode, host, port, showMessage);
  };
  context.proxyChoice = [] { return CurrentProxyChoice(); };
  context.deleteRoute = [] { return DeleteRoute(); };
  context.enableShutdownPrivilege = [] { return EnableShutdownPrivilege(); };
  context.switchLanguage = [](const std::wstring& code) {
    SelectLanguage(code);
    LoadLanguage();
  };
  context.systemLanguage = [] { return SystemLanguage(); };
  return context;
}

std::vector<std::wstring> SettingControlNames() {
  return {L"normal_opt", L"proxy_opt",   L"dns_opt",     L"tools_opt",  L"area",       L"autoopt",
          L"remepwdopt", L"l2tpopt",     L"hideopt",     L"autorunopt", L"reconnopt",  L"status",
          L"chsopt",     L"chtopt",      L"engopt",      L"noproxy",    L"autosetting", L"setting",
          L"server_edit", L"port_edit",  L"ok",          L"reset",      L"closebtn",   L"optUserDnsSetting",
          L"layoutDefaultDns", L"hostsbtn", L"cleardnsbtn", L"uninstall_openvpn_btn", L"recove_route_btn"};
}

std::vector<std::wstring> SettingSelfNamedTexts() { return {kSelfNamed.begin(), kSelfNamed.end()}; }

SettingController::SettingController(CPaintManagerUI& pm, SettingHost& host, SettingContext context)
    : pm_(pm), host_(host), context_(std::move(context)) {
  language_ = CurrentLanguage();
}

std::vector<std::wstring> SettingController::Bind() {
  std::vector<std::wstring> missing;
  for (const auto& name : SettingControlNames()) {
    if (pm_.FindControl(name) == nullptr) missing.push_back(name);
  }
  for (const auto& label : kLabels) {
    if (pm_.FindControl(label.label) == nullptr) missing.emplace_back(label.label);
  }
  area_ = dynamic_cast<CContainerUI*>(pm_.FindControl(L"area"));
  status_ = pm_.FindControl(L"status");
  if (area_ != nullptr) (void)pm_.SetTimer(area_, kScrollTimerId, kScrollTimerMs);
  for (const auto& name : missing) WriteLog(L"设置窗口布局缺少控件: " + name);
  return missing;
}

void SettingController::StopTimer() {
  if (area_ != nullptr) (void)pm_.KillTimer(area_, kScrollTimerId);
}

void SettingController::ShowStatus(const std::wstring& id) {
  if (status_ != nullptr) status_->SetText(TextOrId(id));
}

void SettingController::ApplyTexts() {
  for (const wchar_t* id : kSelfNamed) {
    if (CControlUI* control = pm_.FindControl(id)) control->SetText(Text(id));
  }
}

void SettingController::SetOption(const wchar_t* name, bool selected) {
  if (auto* option = dynamic_cast<COptionUI*>(pm_.FindControl(name))) option->Selected(selected, false);
}

bool SettingController::IsOptionSelected(const wchar_t* name) const {
  auto* option = dynamic_cast<COptionUI*>(pm_.FindControl(name));
  return option != nullptr && option->IsSelected();
}

std::wstring SettingController::EditText(const wchar_t* name) const {
  CControlUI* edit = pm_.FindControl(name);
  return edit != nullptr ? edit->GetText() : std::wstring();
}

std::wstring SettingController::SelectedTab() const {
  for (const wchar_t* tab : kTabs) {
    if (IsOptionSelected(tab)) return tab;
  }
  return L"";
}

void SettingController::EnableProxyEdits(bool enable) {
  for (const wchar_t* name : {L"server_edit", L"port_edit"}) {
    if (CControlUI* edit = pm_.FindControl(name)) edit->SetEnabled(enable);
  }
}

void SettingController::SelectLanguageOption(const std::wstring& code) {
  SetOption(code == L"chs" ? L"chsopt" : code == L"cht" ? L"chtopt" : L"engopt", true);
}

// --- notifications

void SettingController::Notify(TNotifyUI& msg) {
  if (msg.sType == notify::kWindowInit) {
    OnWindowInit();
  } else if (msg.sType == notify::kTimer) {
    if (msg.pSender != nullptr && msg.pSender == area_ && msg.wParam == kScrollTimerId) OnScrollTimer();
  } else if (msg.sType == notify::kClick && msg.pSender != nullptr) {
    OnClick(msg.pSender->GetName(), msg.pSender);
  }
}

void SettingController::OnWindowInit() {
  ApplyTexts();
  SetL2tpIpsecEnabled(context_.registry != nullptr && IsIpSecAllowed(*context_.registry));
  l2tpAtOpening_ = L2tpIpsecEnabled();
  SetOption(L"l2tpopt", l2tpAtOpening_);

  language_ = CurrentLanguage();
  SelectLanguageOption(language_);
  if (Settings* s = context_.settings) {
    SetOption(L"remepwdopt", s->IsRemberPw());
    SetOption(L"autoopt", s->IsAutoLogin());
    SetOption(L"autorunopt", s->IsAutorun());
    SetOption(L"reconnopt", s->IsReconn());
    SetOption(L"hideopt", s->IsHide());
    SetOption(L"optUserDnsSetting", s->UseDns() == "true");
  }

  const ProxyChoice choice = context_.proxyChoice ? context_.proxyChoice() : ProxyChoice{};
  proxyMode_ = choice.lastAppliedMode;
  if (proxyMode_ == kProxyModeSystem) {
    SetOption(L"autosetting", true);
    EnableProxyEdits(false);
  } else if (proxyMode_ == kProxyModeManual) {
    SetOption(L"setting", true);
    EnableProxyEdits(true);
    if (CControlUI* ok = pm_.FindControl(L"ok")) ok->SetEnabled(true);
    if (CControlUI* edit = pm_.FindControl(L"server_edit")) edit->SetText(choice.host);
    if (CControlUI* edit = pm_.FindControl(L"port_edit")) edit->SetText(choice.port);
  } else {
    proxyMode_ = kProxyModeNone;
    SetOption(L"noproxy", true);
    EnableProxyEdits(false);
  }

  if (CControlUI* dns = pm_.FindControl(L"optUserDnsSetting")) dns->SetEnabled(false);
  FillDnsList();
  SetOption(L"normal_opt", true);
}

void SettingController::FillDnsList() {
  auto* list = dynamic_cast<CContainerUI*>(pm_.FindControl(L"layoutDefaultDns"));
  if (list == nullptr || context_.settings == nullptr) return;
  list->RemoveAll();
  for (const std::string& entry : context_.settings->DnsList()) {
    // Name and text are set directly, never spliced into the attribute text: a list entry with
    // quotes in it cannot change the label's other attributes.
    auto label = std::make_unique<CLabelUI>();
    label->ApplyAttributeList(
        L"height=\"20\" width=\"130\" align=\"left\" textpadding=\"5,5,5,0\" textcolor=\"#FF666666\"");
    const std::wstring text = text::FromAnsi(entry);
    label->SetName(text);
    label->SetText(text);
    (void)list->Add(label.release());
  }
}

void SettingController::OnScrollTimer() {
  if (area_ == nullptr) return;
  const std::wstring current = SelectedTab();
  const std::wstring tab = TabForScroll(area_->GetScrollPos().cy, current);
  if (!tab.empty() && tab != current) SetOption(tab.c_str(), true);
}

void SettingController::OnClick(const std::wstring& name, CControlUI* sender) {
  const int offset = OffsetOfTab(name);
  if (offset >= 0) {
    if (area_ != nullptr) area_->SetScrollPos({area_->GetScrollPos().cx, offset});
    return;
  }
  for (const auto& label : kLabels) {
    if (name == label.label) {
      // The label acts as its option: the same rule, then the option shows the new state.
      auto* option = dynamic_cast<COptionUI*>(pm_.FindControl(label.option));
      if (option == nullptr) return;
      const bool grouped = !option->GetGroup().empty();
      if (grouped && option->IsSelected()) return;  // a radio choice that is made already
      ToggleOption(label.option);
      option->Selected(grouped ? true : !option->IsSelected());
      return;
    }
  }
  auto* option = dynamic_cast<COptionUI*>(sender);
  if (option != nullptr) {
    // The option toggles itself once the click has been told; a grouped one that is selected stays.
    if (!option->GetGroup().empty() && option->IsSelected()) return;
    ToggleOption(name);
    return;
  }
  if (name == L"ok") OnOk();
  else if (name == L"reset") OnReset();
  else if (name == L"closebtn") {
    StopTimer();
    host_.CloseWindow(kIdCancel);
  } else if (name == L"hostsbtn") OpenHostsFile();
  else if (name == L"cleardnsbtn") FlushDns();
  else if (name == L"uninstall_openvpn_btn") host_.StartDriverRemoval();
  else if (name == L"recove_route_btn") {
    const bool started = context_.deleteRoute && context_.deleteRoute();
    ShowStatus(started ? L"str_route_recove_ok" : L"str_route_recove_fail");
  }
}

// The rule of an option clicked (or its label), before the option shows its new state.
void SettingController::ToggleOption(const std::wstring& name) {
  Settings* s = context_.settings;
  const bool now = !IsOptionSelected(name.c_str());  // the state the click gives
  if (name == L"remepwdopt") {
    if (s != nullptr) s->SetRemberPw(now);
    // Signing in automatically needs the remembered password.
    if (!now && IsOptionSelected(L"autoopt")) {
      SetOption(L"autoopt", false);
      if (s != nullptr) s->SetAutoLogin(false);
    }
  } else if (name == L"autoopt") {
    if (s != nullptr) s->SetAutoLogin(now);
    if (now) {
      SetOption(L"remepwdopt", true);
      if (s != nullptr) s->SetRemberPw(true);
    }
  } else if (name == L"reconnopt") {
    if (s != nullptr) s->SetReconn(now);
  } else if (name == L"hideopt") {
    if (s != nullptr) s->SetHide(now);
  } else if (name == L"autorunopt") {
    std::wstring failure;
    if (context_.registry != nullptr) {
      failure = now ? WriteAutorunValue(*context_.registry, context_.executablePath)
                    : DeleteAutorunValue(*context_.registry);
    }
    if (s != nullptr) s->SetAutorun(now);
    if (!failure.empty()) {
      host_.ShowPlainMessage(failure);
      // The option keeps showing what the registry holds: the value could not be changed.
      if (s != nullptr) s->SetAutorun(!now);
      SetOption(L"autorunopt", now);  // the toolkit's own toggle then brings it back
    }
  } else if (name == L"l2tpopt") {
    SetL2tpIpsecEnabled(now);
  } else if (name == L"optUserDnsSetting") {
    if (s != nullptr) s->SetUseDns(now ? "true" : "false");
  } else if (!LanguageOfOption(name).empty()) {
    language_ = LanguageOfOption(name);
  } else if (name == L"noproxy") {
    ChooseProxyMode(kProxyModeNone);
  } else if (name == L"autosetting") {
    ChooseProxyMode(kProxyModeSystem);
  } else if (name == L"setting") {
    ChooseProxyMode(kProxyModeManual);
  }
}

void SettingController::ChooseProxyMode(int mode) {
  proxyMode_ = mode;
  EnableProxyEdits(mode == kProxyModeManual);
  if (mode != kProxyModeManual) (void)ApplyProxy(mode, L"", L"");
}

bool SettingController::ApplyProxy(int mode, const std::wstring& server, const std::wstring& port) {
  if (!context_.applyProxy) return false;
  // The template's problems are shown in this window's message box (its caption is "msg_title").
  return context_.applyProxy(mode, server, port, [this](const std::wstring& text, const std::wstring&) {
    (void)host_.ShowBox(L"ok", text);
  });
}

void SettingController::OnOk() {
  if (language_ != CurrentLanguage()) {
    if (context_.switchLanguage) context_.switchLanguage(language_);
    if (context_.profile != nullptr) {
      if (!context_.profile->WriteString(context_.configIniPath, L"Setting", L"language", language_)) {
        WriteLog(L"语言设置无法写入: " + context_.configIniPath);
      }
    }
    if (context_.settings != nullptr) context_.settings->SetLanguage(text::ToAnsi(language_));
    ApplyTexts();
    host_.LanguageChanged();
  }

  const ProxyChoice applied = context_.proxyChoice ? context_.proxyChoice() : ProxyChoice{};
  const std::wstring server = EditText(L"server_edit");
  const std::wstring port = EditText(L"port_edit");
  // A manual proxy is applied when it is new, also when only its server or port changed.
  const bool manualChanged = proxyMode_ == kProxyModeManual && (server != applied.host || port != applied.port);
  if (proxyMode_ != applied.lastAppliedMode || manualChanged) {
    if (proxyMode_ == kProxyModeManual) {
      if (!IsValidProxyServer(server)) {
        (void)host_.ShowBox(L"ok", Text(L"adress_error"));
        return;
      }
      if (!IsValidProxyPort(port)) {
        (void)host_.ShowBox(L"ok", Text(L"port_error"));
        return;
      }
    }
    // Modes 0 and 1 apply themselves, never the edit fields.
    if (proxyMode_ == kProxyModeManual) (void)ApplyProxy(proxyMode_, server, port);
    else (void)ApplyProxy(proxyMode_, L"", L"");
  }

  if (L2tpIpsecEnabled() != l2tpAtOpening_) {
    if (context_.registry != nullptr) WriteProhibitIpSec(*context_.registry);
    l2tpAtOpening_ = L2tpIpsecEnabled();
    if (host_.ShowBox(L"okcancel", Text(L"l2tp-reboot")) == kIdOk) {
      if (context_.enableShutdownPrivilege && !context_.enableShutdownPrivilege()) WriteLog(L"关机权限无法获得");
      if (context_.system == nullptr || !context_.system->RebootForcibly()) WriteLog(L"重新启动失败");
    }
  }
  StopTimer();
  host_.CloseWindow(kIdOk);
}

void SettingController::OnReset() {
  language_ = context_.systemLanguage ? context_.systemLanguage() : std::wstring(L"eng");
  if (context_.profile != nullptr) {
    (void)context_.profile->WriteString(context_.configIniPath, L"Setting", L"language", language_);
  }
  SelectLanguageOption(language_);

  if (Settings* s = context_.settings) {
    s->SetRemberPw(true);
    s->SetAutoLogin(false);
    s->SetHide(true);
    s->SetReconn(true);
  }
  SetL2tpIpsecEnabled(false);
  if (context_.registry != nullptr) WriteProhibitIpSec(*context_.registry);
  if (context_.settings != nullptr && context_.settings->IsAutorun()) {
    context_.settings->SetAutorun(false);
    if (context_.registry != nullptr) {
      const std::wstring failure = DeleteAutorunValue(*context_.registry);
      if (!failure.empty()) host_.ShowPlainMessage(failure);
    }
  }
  if (Settings* s = context_.settings) {
    SetOption(L"remepwdopt", s->IsRemberPw());
    SetOption(L"autoopt", s->IsAutoLogin());
    SetOption(L"autorunopt", s->IsAutorun());
    SetOption(L"reconnopt", s->IsReconn());
    SetOption(L"hideopt", s->IsHide());
  }
  SetOption(L"l2tpopt", L2tpIpsecEnabled());

  SetOption(L"noproxy", true);
  ChooseProxyMode(kProxyModeNone);
}

void SettingController::OpenHostsFile() {
  if (context_.system == nullptr) return;
  const std::wstring systemDir = context_.system->SystemDirectory();
  if (systemDir.empty()) {
    WriteLog(L"系统目录无法读取, hosts文件未打开");
    return;
  }
  const ToolCommand command = HostsFileCommand(systemDir);
  if (context_.system->ShellOpen(nullptr, command.file, command.parameters, false) <= 32) {
    WriteLog(L"hosts文件无法打开: " + command.parameters);
  }
}

void SettingController::FlushDns() {
  intptr_t result = 0;
  if (context_.system != nullptr) {
    const std::wstring systemDir = context_.system->SystemDirectory();
    if (!systemDir.empty()) {
      const ToolCommand command = FlushDnsCommand(systemDir);
      result = context_.system->ShellOpen(host_.OwnerWindow(), command.file, command.parameters, true);
    }
  }
  if (result > 32) {
    (void)host_.ShowBox(L"ok", Text(L"msg_clear_dns_cache_ok"));
  } else {
    (void)host_.ShowBox(L"cleardns", Text(L"msg_clear_dns_cache_failed"));
  }
}

}  // namespace nimbrook
