// The settings window's decisions on the shipped "setting.xml": what windowinit shows, the option
// rules, the tabs and the scroll position, what "ok" and "reset" apply, and the tools.
#include "settings_window/setting_controller.h"

#include <gtest/gtest.h>

#include <vector>

#include "core/file_io.h"
#include "core/languages.h"
#include "core/settings.h"
#include "core/text.h"
#include "os/profile_file.h"
#include "os/registry_fake.h"
#include "settings_window/setting_rules.h"
#include "sysprep/ipsec_setting.h"
#include "testing/temp_dir.h"
#include "toolkit/controls.h"
#include "toolkit/dialog_builder.h"
#include "toolkit/fake_paint_host.h"
#include "toolkit/window_wnd.h"

namespace nimbrook {
namespace {

using namespace toolkit;

class RecordingHost : public SettingHost {
 public:
  unsigned ShowBox(const std::wstring& kind, const std::wstring& text) override {
    boxes.push_back(kind + L" " + text);
    return answer;
  }
  void ShowPlainMessage(const std::wstring& text) override { plain.push_back(text); }
  void StartDriverRemoval() override { ++removals; }
  void LanguageChanged() override { ++languageChanges; }
  void CloseWindow(unsigned code) override { closed.push_back(code); }
  void* OwnerWindow() override { return nullptr; }

  std::vector<std::wstring> boxes, plain;
  std::vector<unsigned> closed;
  int removals = 0, languageChanges = 0;
  unsigned answer = kIdCancel;
};

class RecordingSystem : public os::SystemActions {
 public:
  intptr_t ShellOpen(void*, const std::wstring& file, const std::wstring& parameters, bool hidden) override {
    opened.push_back(file + L"|" + parameters + (hidden ? L"|hidden" : L"|shown"));
    return result;
  }
  std::wstring SystemDirectory() override { return L"C:\\Windows\\system32"; }
  bool RebootForcibly() override { return ++reboots, true; }

  std::vector<std::wstring> opened;
  intptr_t result = 42;
  int reboots = 0;
};

class SettingControllerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ProcessLanguages().Assign({{L"advanced_title", L"T:settings"}, {L"adress_error", L"T:bad server"},
                               {L"port_error", L"T:bad port"}, {L"str_route_recove_ok", L"T:routes ok"},
                               {L"l2tp-reboot", L"T:reboot?"}, {L"msg_clear_dns_cache_failed", L"T:flush failed"},
                               {L"msg_clear_dns_cache_ok", L"T:flushed"}});
    SelectLanguage(L"chs");
    ASSERT_TRUE(WriteFileBytes(configIni, "[Setting]\nrember_pw=1\nauto_login=0\nreconn=1\nhide=0\nautorun=0\n"
                                          "defaultdns=8.8.8.8,\"x\" bad,114.114.114.114\nuse_dns=false\n"));
    settings.Load();
    ASSERT_TRUE(WriteFileBytes(configIni, ""));  // what "ok" and the clicks write shows up alone
    registry.CreateKey(kRasManParameters);
    registry.Write(kRasManParameters, kProhibitIpSecValue, os::kRegistryDword, os::DwordBytes(0));

    (void)CPaintManagerUI::SetResourceZip(L"");
    ASSERT_TRUE(CPaintManagerUI::SetResourcePath(text::FromUtf8(NIMBROOK_SOURCE_DIR) + L"/skin/layouts"));
    pm.SetHost(&paintHost);
    paintHost.clientSize = {620, 460};
    paintHost.allowNativeChildren = true;
    CDialogBuilder builder;
    CControlUI* root = builder.Create(L"setting.xml", nullptr, &pm, nullptr);
    ASSERT_NE(root, nullptr) << text::ToUtf8(builder.GetLastError());
    ASSERT_TRUE(pm.AttachDialog(root));
    pm.OnClientResize(paintHost.clientSize);

    SettingContext context;
    context.settings = &settings;
    context.profile = &os::SystemProfile();
    context.configIniPath = configIni;
    context.registry = &registry;
    context.system = &system;
    context.executablePath = L"C:\\Program Files\\Nimbrook\\Nimbrook.exe";
    context.applyProxy = [this](int mode, const std::wstring& host, const std::wstring& port,
                                const ProxyMessageCallback&) {
      applied.push_back(std::to_wstring(mode) + L" " + host + L" " + port);
      choice.lastAppliedMode = mode;
      if (mode == 2) choice.host = host, choice.port = port;
      return true;
    };
    context.proxyChoice = [this] { return choice; };
    context.deleteRoute = [this] { return routeStarts; };
    context.enableShutdownPrivilege = [this] { return ++privileges, true; };
    context.switchLanguage = [this](const std::wstring& code) {
      switched.push_back(code);
      SelectLanguage(code);
    };
    context.systemLanguage = [] { return std::wstring(L"cht"); };
    controller = std::make_unique<SettingController>(pm, host, std::move(context));
    missing = controller->Bind();
  }

  void Init() {
    controller->Notify(*Notification(notify::kWindowInit, pm.GetRoot()));
    pm.DoLayout();
  }
  TNotifyUI* Notification(const wchar_t* type, CControlUI* sender, uintptr_t wParam = 0) {
    msg = TNotifyUI{};
    msg.sType = type;
    msg.pSender = sender;
    msg.wParam = wParam;
    return &msg;
  }
  // A click as the toolkit makes it: the click is told, then an option toggles.
  void Click(const wchar_t* name) {
    CControlUI* control = pm.FindControl(name);
    ASSERT_NE(control, nullptr) << text::ToUtf8(name);
    auto forward = [this](TNotifyUI& m) { controller->Notify(m); };
    struct Forward : INotifyUI {
      std::function<void(TNotifyUI&)> to;
      void Notify(TNotifyUI& m) override { to(m); }
    } notifier;
    notifier.to = forward;
    pm.AddNotifier(&notifier);
    (void)control->Activate();
    pm.RemoveNotifier(&notifier);
  }
  bool Selected(const wchar_t* name) { return dynamic_cast<COptionUI*>(pm.FindControl(name))->IsSelected(); }
  std::string ConfigText() {
    std::string text;
    (void)ReadFileBytes(configIni, text);
    return text;
  }
  uint32_t ProhibitIpSec() {
    const auto value = registry.Read(kRasManParameters, kProhibitIpSecValue, 4);
    return static_cast<unsigned char>(value.data[0]);
  }
  void Type(const wchar_t* name, const std::wstring& text) { pm.FindControl(name)->SetText(text); }

  testing::TempDir dir;
  std::wstring configIni = dir.File(L"config.ini");
  Settings settings{os::SystemProfile(), configIni};
  os::MemoryRegistry registry;
  RecordingSystem system;
  RecordingHost host;
  FakePaintHost paintHost;
  CPaintManagerUI pm;
  std::unique_ptr<SettingController> controller;
  std::vector<std::wstring> missing;
  TNotifyUI msg;
  ProxyChoice choice;
  std::vector<std::wstring> applied, switched;
  bool routeStarts = true;
  int privileges = 0;
};

TEST_F(SettingControllerTest, OpeningShowsTheStoredChoices) {
  EXPECT_TRUE(missing.empty()) << text::ToUtf8(missing.front());
  choice = {2, L"proxy.corp", L"3128"};
  Init();
  EXPECT_EQ(pm.FindControl(L"advanced_title")->GetText(), L"T:settings");
  EXPECT_TRUE(Selected(L"chsopt"));
  EXPECT_TRUE(Selected(L"remepwdopt"));
  EXPECT_FALSE(Selected(L"autoopt"));
  EXPECT_TRUE(Selected(L"reconnopt"));
  EXPECT_FALSE(Selected(L"hideopt"));
  EXPECT_TRUE(Selected(L"l2tpopt"));
  EXPECT_TRUE(Selected(L"setting"));
  EXPECT_EQ(pm.FindControl(L"server_edit")->GetText(), L"proxy.corp");
  EXPECT_TRUE(pm.FindControl(L"port_edit")->IsEnabled());
  EXPECT_FALSE(pm.FindControl(L"optUserDnsSetting")->IsEnabled());
  // One label per DNS entry, named and labelled by it, quotes and all.
  auto* dns = dynamic_cast<CContainerUI*>(pm.FindControl(L"layoutDefaultDns"));
  ASSERT_EQ(dns->GetCount(), 3);
  EXPECT_EQ(dns->GetItemAt(1)->GetText(), L"\"x\" bad");
  EXPECT_EQ(dns->GetItemAt(2)->GetName(), L"114.114.114.114");
  EXPECT_EQ(paintHost.timers.size(), 1u);  // the scroll timer runs
}

TEST_F(SettingControllerTest, RememberAndAutoLoginGoTogether) {
  Init();
  Click(L"autoopt");  // on: the password is remembered too
  EXPECT_TRUE(Selected(L"autoopt"));
  EXPECT_TRUE(settings.IsAutoLogin());
  EXPECT_TRUE(Selected(L"remepwdopt"));
  Click(L"remepwdlabel");  // off through its label: no automatic sign-in without the password
  EXPECT_FALSE(Selected(L"remepwdopt"));
  EXPECT_FALSE(settings.IsRemberPw());
  EXPECT_FALSE(Selected(L"autoopt"));
  EXPECT_FALSE(settings.IsAutoLogin());
  Click(L"autolabel");
  EXPECT_TRUE(Selected(L"autoopt"));
  EXPECT_EQ(settings.RemberPw(), "1");
  Click(L"hideopt");
  Click(L"reconnlabel");
  EXPECT_TRUE(settings.IsHide());
  EXPECT_FALSE(Selected(L"reconnopt"));
  EXPECT_EQ(settings.Reconn(), "0");
}

TEST_F(SettingControllerTest, OkWithoutChangesTouchesNothing) {
  choice = {1, L"", L""};
  Init();
  const int writes = registry.Writes();
  Click(L"ok");
  EXPECT_TRUE(applied.empty());
  EXPECT_TRUE(switched.empty());
  EXPECT_EQ(registry.Writes(), writes);
  EXPECT_EQ(ConfigText(), "");
  EXPECT_TRUE(host.boxes.empty());
  EXPECT_EQ(host.closed, std::vector<unsigned>{kIdOk});
  EXPECT_TRUE(paintHost.timers.empty());
}

TEST_F(SettingControllerTest, L2tpChangeRewritesTheSwitchWhetherOrNotTheRebootIsTaken) {
  Init();
  Click(L"l2tpopt");
  EXPECT_FALSE(L2tpIpsecEnabled());
  EXPECT_EQ(ProhibitIpSec(), 0u);  // the registry waits for "ok"
  Click(L"ok");
  EXPECT_EQ(ProhibitIpSec(), 1u);
  EXPECT_EQ(host.boxes, std::vector<std::wstring>{L"okcancel T:reboot?"});
  EXPECT_EQ(system.reboots, 0);

  host.answer = kIdOk;
  Click(L"l2tplabel");
  Click(L"ok");
  EXPECT_EQ(ProhibitIpSec(), 0u);
  EXPECT_EQ(privileges, 1);
  EXPECT_EQ(system.reboots, 1);
}

TEST_F(SettingControllerTest, ManualProxyIsCheckedThenApplied) {
  Init();
  Click(L"setting");
  EXPECT_TRUE(pm.FindControl(L"server_edit")->IsEnabled());
  EXPECT_TRUE(applied.empty());  // mode 2 waits for "ok"
  const std::vector<std::pair<std::wstring, std::wstring>> refused = {
      {L"", L"8080"}, {L"proxy corp", L"8080"}, {L"proxy.corp;ping", L"8080"}, {L"-proxy.corp", L"8080"},
      {L"a..b", L"8080"}, {L"proxy.corp", L""}, {L"proxy.corp", L"0"}, {L"proxy.corp", L"65536"},
      {L"proxy.corp", L"80a"}};
  for (const auto& [server, port] : refused) {
    Type(L"server_edit", server);
    Type(L"port_edit", port);
    Click(L"ok");
  }
  EXPECT_TRUE(applied.empty());
  EXPECT_TRUE(host.closed.empty());
  ASSERT_EQ(host.boxes.size(), refused.size());
  EXPECT_EQ(host.boxes[0], L"ok T:bad server");
  EXPECT_EQ(host.boxes[5], L"ok T:bad port");

  Type(L"server_edit", L"shopping-proxy.corp");
  Type(L"port_edit", L"3128");
  Click(L"ok");
  EXPECT_EQ(applied, std::vector<std::wstring>{L"2 shopping-proxy.corp 3128"});
  Click(L"ok");  // the same proxy again: nothing to do
  Type(L"server_edit", L"10.0.0.8");  // a changed server under the same mode is applied
  Click(L"ok");
  EXPECT_EQ(applied.back(), L"2 10.0.0.8 3128");
  EXPECT_EQ(applied.size(), 2u);
}

TEST_F(SettingControllerTest, NoProxyAndSystemProxyApplyAtOnceAndNeverTheEdits) {
  Init();
  Click(L"autosetting_lab");
  Click(L"noproxy");
  EXPECT_EQ(applied, (std::vector<std::wstring>{L"1  ", L"0  "}));
  EXPECT_FALSE(pm.FindControl(L"server_edit")->IsEnabled());
  // The window opened on a mode this run never applied: "ok" applies the window's mode, not mode 2.
  choice = {2, L"old.proxy", L"80"};
  Type(L"server_edit", L"typed.proxy");
  Click(L"ok");
  EXPECT_EQ(applied.back(), L"0  ");
  EXPECT_EQ(choice.lastAppliedMode, 0);
}

TEST_F(SettingControllerTest, LanguageChangeAtOkAndResetToDefaults) {
  Init();
  Click(L"englabel");
  EXPECT_TRUE(switched.empty());  // chosen, not yet applied
  Click(L"ok");
  EXPECT_EQ(switched, std::vector<std::wstring>{L"eng"});
  EXPECT_EQ(CurrentLanguage(), L"eng");
  EXPECT_EQ(host.languageChanges, 1);
  EXPECT_EQ(settings.Language(), "eng");
  EXPECT_EQ(os::SystemProfile().ReadString(configIni, L"Setting", L"language", L"", 16), L"eng");

  Click(L"autorunopt");
  Click(L"autoopt");
  Click(L"l2tpopt");
  Click(L"setting");
  Click(L"reset");
  EXPECT_EQ(os::SystemProfile().ReadString(configIni, L"Setting", L"language", L"", 16), L"cht");
  EXPECT_TRUE(Selected(L"chtopt"));
  EXPECT_EQ(settings.RemberPw(), "1");
  EXPECT_EQ(settings.AutoLogin(), "0");
  EXPECT_EQ(settings.Hide(), "1");
  EXPECT_EQ(settings.Reconn(), "1");
  EXPECT_EQ(settings.Autorun(), "0");
  EXPECT_EQ(registry.Read(kRunKey, kAutorunValue, 1024).status, os::RegistryStatus::NoValue);
  EXPECT_FALSE(L2tpIpsecEnabled());
  EXPECT_EQ(ProhibitIpSec(), 1u);
  EXPECT_FALSE(Selected(L"autoopt"));
  EXPECT_FALSE(Selected(L"autorunopt"));
  EXPECT_TRUE(Selected(L"noproxy"));
  EXPECT_EQ(applied.back(), L"0  ");
}

TEST_F(SettingControllerTest, AutorunWritesAndDeletesTheRunValue) {
  Init();
  Click(L"autorunalbel");
  EXPECT_EQ(settings.Autorun(), "1");
  const auto value = registry.Read(kRunKey, kAutorunValue, 1024);
  ASSERT_EQ(value.status, os::RegistryStatus::Ok);
  EXPECT_EQ(value.type, os::kRegistrySz);
  std::string expected = os::MultiStringBytes({L"C:\\Program Files\\Nimbrook\\Nimbrook.exe"});
  EXPECT_EQ(value.data, expected.substr(0, expected.size() - 2));
  Click(L"autorunopt");
  EXPECT_EQ(registry.Read(kRunKey, kAutorunValue, 1024).status, os::RegistryStatus::NoValue);
  EXPECT_FALSE(Selected(L"autorunopt"));

  // A registry that refuses: the message, and the option keeps showing what the registry holds.
  registry.FailWrites(true);
  Click(L"autorunopt");
  EXPECT_EQ(host.plain, std::vector<std::wstring>{L"写注册表失败"});
  EXPECT_FALSE(Selected(L"autorunopt"));
  EXPECT_EQ(settings.Autorun(), "0");
}

TEST_F(SettingControllerTest, TabsFollowTheScrollAndScrollThePage) {
  Init();
  auto* area = dynamic_cast<CContainerUI*>(pm.FindControl(L"area"));
  ASSERT_GE(area->GetScrollRange().cy, kToolsOffset);
  auto tick = [&] { controller->Notify(*Notification(notify::kTimer, area, kScrollTimerId)); };
  Click(L"tools_opt");
  EXPECT_EQ(area->GetScrollPos().cy, kToolsOffset);
  area->SetScrollPos({0, 400});
  tick();
  EXPECT_TRUE(Selected(L"tools_opt"));  // between DNS and tools the clicked tools tab stays
  area->SetScrollPos({0, 200});
  tick();
  EXPECT_TRUE(Selected(L"proxy_opt"));
  area->SetScrollPos({0, 345});
  tick();
  EXPECT_TRUE(Selected(L"dns_opt"));
  area->SetScrollPos({0, 169});
  tick();
  EXPECT_TRUE(Selected(L"normal_opt"));
  Click(L"proxy_opt");
  EXPECT_EQ(area->GetScrollPos().cy, kProxyOffset);
}

TEST_F(SettingControllerTest, ToolsStartSystemProgramsByTheirFullPath) {
  Init();
  Click(L"hostsbtn");
  Click(L"cleardnsbtn");
  EXPECT_EQ(system.opened, (std::vector<std::wstring>{
                               L"C:\\Windows\\system32\\notepad.exe|C:\\Windows\\system32\\drivers\\etc\\hosts|shown",
                               L"C:\\Windows\\system32\\ipconfig.exe|/flushdns|hidden"}));
  EXPECT_EQ(host.boxes, std::vector<std::wstring>{L"ok T:flushed"});
  system.result = 2;  // file not found
  Click(L"cleardnsbtn");
  EXPECT_EQ(host.boxes.back(), L"cleardns T:flush failed");

  Click(L"recove_route_btn");
  EXPECT_EQ(pm.FindControl(L"status")->GetText(), L"T:routes ok");
  routeStarts = false;
  Click(L"recove_route_btn");
  EXPECT_EQ(pm.FindControl(L"status")->GetText(), L"str_route_recove_fail");  // no text: the id
  Click(L"uninstall_openvpn_btn");
  EXPECT_EQ(host.removals, 1);
  Click(L"closebtn");
  EXPECT_EQ(host.closed, std::vector<unsigned>{kIdCancel});
}

TEST(SettingRulesTest, ProxyServersAndPorts) {
  for (const wchar_t* good : {L"proxy", L"proxy-1.corp.example", L"10.0.0.1", L"A1.b2"}) {
    EXPECT_TRUE(IsValidProxyServer(good)) << text::ToUtf8(good);
  }
  for (const wchar_t* bad : {L"", L".", L"a.", L".a", L"a-.b", L"pröxy", L"a_b", L"a:80", L"a b", L"a\nb"}) {
    EXPECT_FALSE(IsValidProxyServer(bad)) << text::ToUtf8(bad);
  }
  EXPECT_FALSE(IsValidProxyServer(std::wstring(254, L'a')));
  EXPECT_TRUE(IsValidProxyPort(L"1"));
  EXPECT_TRUE(IsValidProxyPort(L"65535"));
  for (const wchar_t* bad : {L"", L"0", L"65536", L"00000080", L"+80", L" 80", L"8o"}) {
    EXPECT_FALSE(IsValidProxyPort(bad)) << text::ToUtf8(bad);
  }
}

}  // namespace
}  // namespace nimbrook
