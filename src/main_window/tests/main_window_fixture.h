// The main window's controller on a small layout with every control it looks up, a host that records
// what the window is asked for, scripted echoes and threads run by hand: shared by the controller's
// and the connect flow's tests.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <memory>
#include <set>
#include <vector>

#include "core/languages.h"
#include "core/settings.h"
#include "core/text.h"
#include "main_window/main_controller.h"
#include "os/icmp_echo_fake.h"
#include "os/name_resolver_fake.h"
#include "os/profile_file.h"
#include "testing/temp_dir.h"
#include "toolkit/controls.h"
#include "toolkit/dialog_builder.h"
#include "toolkit/fake_paint_host.h"
#include "ui/dialog_builder_callback_ex.h"

namespace nimbrook::testing {

using namespace toolkit;

constexpr char kLayout[] = R"(<?xml version="1.0" encoding="utf-8"?>
<Window size="900,640">
  <VerticalLayout>
    <Button name="settingBtn" /><Button name="menubtn" /><Button name="minbtn" /><Button name="closebtn" />
    <Option name="optJiasu" group="pages" /><Option name="optPay" group="pages" />
    <Option name="optCredit" group="pages" /><Option name="optNav" group="pages" />
    <Option name="allopt" group="area" /><Option name="freeopt" group="area" /><Option name="americaopt" group="area" />
    <Option name="Chinaopt" group="area" />
    <Label name="curnode" /><Label name="vpnstate" /><Label name="line" />
    <Control name="error_padding" visible="false" />
    <HorizontalLayout name="error_layout" visible="false"><Label name="err_lab" /></HorizontalLayout>
    <WebBrowser name="mainLoginWeb" /><WebBrowser name="miniUserCenter" />
    <HorizontalLayout name="conn">
      <Text name="curtype" /><Button name="btnProtocol" /><Text name="curmode" /><Button name="btnRoute" />
      <Button name="btn_connect" />
    </HorizontalLayout>
    <Button name="btn_ping" />
    <TabLayout name="switch">
      <List name="serverlist">
        <ListHeader>
          <ListHeaderItem name="server_header" /><ListHeaderItem name="desc_header" />
          <ListHeaderItem name="delay_header" /><ListHeaderItem name="usagerate_header" />
        </ListHeader>
      </List>
      <WebBrowser name="payweb" /><WebBrowser name="creditweb" /><WebBrowser name="navweb" />
    </TabLayout>
  </VerticalLayout>
</Window>)";

// Four servers: a free one, an American one offering OVPN-UDP, a China one, a Japanese one.
constexpr wchar_t kAnswer[] =
    L"yes|srvtype,vip|expiration,2030-01-01 00:00:00|srvid,11_"
    L"area,免费香港|nasname,Free HK|IP,10.0.0.1|info,free|allow,1|onlineusers,1|maxusers,10|connecttype,PPTP=1723;"
    L"area,美国|nasname,US West|IP,10.0.0.2|info,fast|allow,1|onlineusers,5|maxusers,10|connecttype,PPTP=1723#OVPN-UDP=1194;"
    L"area,中国电信|nasname,CN Tel|IP,10.0.0.3|info,cn|allow,1|onlineusers,9|maxusers,10|connecttype,L2TP=1701;"
    L"area,日本|nasname,JP|IP,10.0.0.4|info,jp|allow,1|onlineusers,0|maxusers,10|connecttype,OVPN-UDP=1194;";

inline uint32_t Ip(int last) { return (static_cast<uint32_t>(last) << 24) | 10u; }  // 10.0.0.last, network order

class RecordingHost : public MainWindowHost {
 public:
  UiRect ScreenRectOf(CControlUI& control) override { return control.GetPos(); }
  double DpiScale() override { return 1.0; }
  void OpenProtocolPicker(CControlUI&, UiPoint screen, const std::wstring& current,
                          const std::vector<std::wstring>& offered) override {
    calls.push_back(L"protocol-picker " + current);
    pickerOffered = offered;
  }
  void OpenRoutePicker(CControlUI&, UiPoint) override { calls.push_back(L"route-picker"); }
  void OpenMainMenu(CControlUI&, UiPoint) override { calls.push_back(L"menu"); }
  void ShowSettings() override { calls.push_back(L"settings"); }
  void ShowAbout() override { calls.push_back(L"about"); }
  void Minimise(bool hide) override { calls.push_back(hide ? L"hide" : L"minimise"); }
  void OpenInBrowser(const std::wstring& url) override { calls.push_back(L"browser " + url); }
  void OpenWithShell(const std::wstring& url) override { calls.push_back(L"shell " + url); }
  void ShowMessage(const std::wstring& id) override { calls.push_back(L"message " + id); }
  void PlaceBackground() override { calls.push_back(L"background"); }
  void StartDelayPassSoon() override { passAsked = true; }
  void ShowNotice(const std::wstring& page, const std::wstring& parameters, const std::wstring& title) override {
    calls.push_back(L"notice " + page + L" " + title + L" " + parameters);
  }
  bool AskOkCancel(const std::wstring& id) override {
    calls.push_back(L"ask " + id);
    if (onAsk) onAsk();
    return answerOk;
  }
  void SetTrayIcon(int resource) override { calls.push_back(L"tray " + std::to_wstring(resource)); }
  void Balloon(const std::wstring& text, bool hide, bool leaveWindows) override {
    calls.push_back(L"balloon " + text + (hide ? L" hide" : L"") + (leaveWindows ? L" leave" : L""));
  }
  void ObserveEngine(Connector& engine) override { observed.push_back(&engine); }
  void ShowMainWindow() override { calls.push_back(L"show"); }
  bool SetWindowTimer(uint32_t id, uint32_t) override {
    timers.insert(id);
    return true;
  }
  void KillWindowTimer(uint32_t id) override { timers.erase(id); }
  void Quit() override { calls.push_back(L"quit"); }

  // The calls that start with prefix.
  std::vector<std::wstring> Only(const std::wstring& prefix) const {
    std::vector<std::wstring> picked;
    for (const auto& call : calls) {
      if (call.rfind(prefix, 0) == 0) picked.push_back(call);
    }
    return picked;
  }

  std::vector<std::wstring> calls;
  std::vector<std::wstring> pickerOffered;
  std::vector<Connector*> observed;
  std::set<uint32_t> timers;
  bool answerOk = true;
  std::function<void()> onAsk;
  bool passAsked = false;
};

// An engine whose state the test sets.
class StateEngine : public Connector {
 public:
  void Connect() override {}
  void Disconnect() override {}
  void Set(int32_t state) { Notify(state, 0, L""); }
};

class MainWindowFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    ProcessLanguages().Assign({{L"str_no", L"T:none"},
                               {L"AUTO", L"T:AUTO"},
                               {L"AUTO2", L"T:auto"},
                               {L"NULL", L"T:NULL"},
                               {L"PPTP", L"T:PPTP"},
                               {L"OVPN-UDP", L"T:OVPN-UDP"},
                               {L"route_ipscope", L"T:smart"},
                               {L"route_global", L"T:global"},
                               {L"str_ping_timeout", L"T:timeout"},
                               {L"str_un_connected", L"T:not connected"},
                               {L"allopt", L"T:All"},
                               {L"line_lab", L"T:Servers"},
                               {L"str_connecting", L"T:connecting"},
                               {L"str_connect_ok", L"T:connected"},
                               {L"str_connect_break", L"T:lost"},
                               {L"str_connect_failed", L"T:failed"},
                               {L"L2TP", L"T:L2TP"}});
    pm.SetHost(&host);
    host.clientSize = {900, 640};
    host.allowNativeChildren = true;
    CDialogBuilder builder;
    CControlUI* root = builder.CreateFromText(kLayout, L"main.xml", &callback, &pm);
    ASSERT_NE(root, nullptr) << text::ToUtf8(builder.GetLastError());
    ASSERT_TRUE(pm.AttachDialog(root));
    pm.OnClientResize(host.clientSize);

    for (int i = 1; i <= 4; ++i) network.Replies(Ip(i), {10u * i, 10u * i, 10u * i, 10u * i, 10u * i});
    MainWindowContext context;
    context.loginAnswer = kAnswer;
    context.siteAddress = L"http://site.example";
    context.windowsMajor = 10;
    context.delaySeams.openEcho = [this] { return network.Open(); };
    context.delaySeams.resolver = &resolver;
    context.delaySeams.startThread = [this](std::function<void()> work) {
      workers.push_back(std::move(work));
      return true;
    };
    context.settings = &settings;
    context.getEngine = [this](int32_t protocol) { return engineFor ? engineFor(protocol) : nullptr; };
    context.now = [this] { return now; };
    controller = std::make_unique<MainWindowController>(pm, recorder, std::move(context));
    missing = controller->Bind();
    controller->SetDelayDelivery([this](PingJob& job) { controller->OnDelayResult(job); });
    pm.AddNotifier(&forward);
  }

  // Start-up, then the delay pass it asks for once the window is idle.
  void Init() {
    pm.SendNotify(pm.GetRoot(), notify::kWindowInit);
    pm.DeliverAsyncNotifications();
    EXPECT_FALSE(pm.FindControl(L"btn_ping")->IsEnabled());
    ASSERT_TRUE(recorder.passAsked);
    recorder.passAsked = false;
    controller->StartDelayPass();
  }
  // The threads of the pass, run one after the other as if they were threads, until none is left:
  // the launcher queues the workers while it runs.
  void RunWorkers() {
    while (!workers.empty()) {
      auto pending = std::move(workers);
      workers.clear();
      for (auto& work : pending) work();
    }
  }
  std::wstring TextOf(const wchar_t* name) { return pm.FindControl(name)->GetText(); }
  void Select(int index) {
    controller->List()->SelectRow(index, false);
    pm.DeliverAsyncNotifications();
  }
  void Pick(const std::wstring& item, const wchar_t* sender) {
    pm.SendNotify(pm.FindControl(sender), item);
    pm.DeliverAsyncNotifications();
  }

  struct Forward : INotifyUI {
    MainWindowFixture* test;
    explicit Forward(MainWindowFixture* t) : test(t) {}
    void Notify(TNotifyUI& msg) override { test->controller->Notify(msg); }
  } forward{this};

  FakePaintHost host;
  CPaintManagerUI pm;
  CDialogBuilderCallbackEx callback;
  RecordingHost recorder;
  os::FakeIcmpNetwork network;
  os::FakeNameResolver resolver;
  std::vector<std::function<void()>> workers;
  std::unique_ptr<MainWindowController> controller;
  std::vector<std::wstring> missing;
  StateEngine engine;
  TempDir dir;
  Settings settings{os::SystemProfile(), dir.File(L"config.ini")};
  std::function<Connector*(int32_t)> engineFor;
  int64_t now = 0;
};

}  // namespace nimbrook::testing
