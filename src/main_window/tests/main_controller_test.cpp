// The main window's decisions on a small layout with every control it looks up: start-up, protocol
// and route rules, the delay pass and its hand-over, a refreshed answer, the web panes.
#include "main_window/main_controller.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "core/languages.h"
#include "core/text.h"
#include "os/icmp_echo_fake.h"
#include "os/name_resolver_fake.h"
#include "toolkit/controls.h"
#include "toolkit/dialog_builder.h"
#include "toolkit/fake_paint_host.h"
#include "ui/dialog_builder_callback_ex.h"

namespace nimbrook {
namespace {

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

uint32_t Ip(int last) { return (static_cast<uint32_t>(last) << 24) | 10u; }  // 10.0.0.last, network order

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
  void RequestExit() override { calls.push_back(L"exit"); }
  void Minimise(bool hide) override { calls.push_back(hide ? L"hide" : L"minimise"); }
  void OpenInBrowser(const std::wstring& url) override { calls.push_back(L"browser " + url); }
  void OpenWithShell(const std::wstring& url) override { calls.push_back(L"shell " + url); }
  void ShowMessage(const std::wstring& id) override { calls.push_back(L"message " + id); }
  void PlaceBackground() override { calls.push_back(L"background"); }
  void StartDelayPassSoon() override { passAsked = true; }
  void ConnectButtonAction() override { calls.push_back(L"connect"); }
  void Reconnect() override { calls.push_back(L"reconnect"); }

  std::vector<std::wstring> calls;
  std::vector<std::wstring> pickerOffered;
  bool passAsked = false;
};

// An engine whose state the test sets.
class StateEngine : public Connector {
 public:
  void Connect() override {}
  void Disconnect() override {}
  void Set(int32_t state) { Notify(state, 0, L""); }
};

class MainControllerTest : public ::testing::Test {
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
                               {L"line_lab", L"T:Servers"}});
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
    MainControllerTest* test;
    explicit Forward(MainControllerTest* t) : test(t) {}
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
};

TEST_F(MainControllerTest, StartUpBuildsRowsSelectsThePaidRowAndMeasuresEveryRow) {
  EXPECT_TRUE(missing.empty());
  Init();
  ServerListView& list = *controller->List();
  ASSERT_EQ(list.RowCount(), 4);
  // Service id 11: the first row after the free group is selected.
  EXPECT_EQ(list.selectedIndex, 1);
  EXPECT_EQ(TextOf(L"curnode"), L"US West");
  EXPECT_EQ(TextOf(L"vpnstate"), L"T:not connected");
  EXPECT_EQ(TextOf(L"line"), L"T:Servers");
  EXPECT_EQ(controller->Head().srvid, L"11");

  EXPECT_FALSE(pm.FindControl(L"btn_ping")->IsEnabled());
  ASSERT_EQ(workers.size(), 1u);  // the launcher, which starts one worker per row
  RunWorkers();
  EXPECT_EQ(network.handlesOpened(), 4);
  EXPECT_EQ(list.RowText(list.RowAt(0), L"serv_delay"), L"10ms");
  EXPECT_EQ(list.RowText(list.RowAt(3), L"serv_delay"), L"40ms");
  EXPECT_TRUE(pm.FindControl(L"btn_ping")->IsEnabled());
  EXPECT_NE(controller->KeptDelay(list.IdOf(list.RowAt(2))), nullptr);
}

TEST_F(MainControllerTest, AnEmptyCatalogueShowsNoServerAndLeavesThePingButtonUsable) {
  controller.reset();
  MainWindowContext context;
  context.loginAnswer = L"yes|srvid,1_";
  context.delaySeams.startThread = [this](std::function<void()> work) {
    workers.push_back(std::move(work));
    return true;
  };
  controller = std::make_unique<MainWindowController>(pm, recorder, std::move(context));
  (void)controller->Bind();
  controller->SetDelayDelivery([this](PingJob& job) { controller->OnDelayResult(job); });
  Init();
  EXPECT_EQ(controller->List()->RowCount(), 0);
  EXPECT_EQ(TextOf(L"curnode"), L"T:none");
  EXPECT_EQ(TextOf(L"curtype"), L"T:NULL");
  EXPECT_EQ(TextOf(L"curmode"), L"T:NULL");
  EXPECT_EQ(controller->Protocol(), kProtocolAuto);
  EXPECT_EQ(controller->RouteMode(), kRouteUnset);
  EXPECT_TRUE(workers.empty());
  EXPECT_TRUE(pm.FindControl(L"btn_ping")->IsEnabled());
}

TEST_F(MainControllerTest, RouteFollowsTheAreaAndTheUsersPick) {
  Init();
  // A China server with no route picked: global.
  Select(2);
  EXPECT_EQ(controller->RouteMode(), kRouteGlobal);
  EXPECT_EQ(TextOf(L"curmode"), L"T:global");
  // Smart routing picked on the China server: mode 1; a server abroad then gives 0.
  Pick(L"route_ipscope", L"btnRoute");
  EXPECT_EQ(controller->RouteMode(), kRouteScopeChina);
  Select(3);
  EXPECT_EQ(controller->RouteMode(), kRouteScopeAbroad);
  EXPECT_EQ(TextOf(L"curmode"), L"T:smart");
  // Global picked abroad stays when another server abroad is selected.
  Pick(L"route_global", L"btnRoute");
  Select(1);
  EXPECT_EQ(controller->RouteMode(), kRouteGlobal);
}

TEST_F(MainControllerTest, ProtocolChoiceKeepsTheUsersPickAcrossServersThatLackIt) {
  Init();
  Select(1);  // US West offers PPTP and OVPN-UDP
  EXPECT_EQ(controller->OfferedProtocols(), (std::vector<std::wstring>{L"AUTO", L"PPTP", L"OVPN-UDP"}));
  Pick(L"OVPN-UDP", L"btnProtocol");
  EXPECT_EQ(controller->ProtocolName(), L"OVPN-UDP");
  EXPECT_TRUE(controller->ProtocolPickedByUser());
  EXPECT_EQ(controller->Protocol(), kProtocolOvpnUdp);

  Select(2);  // CN Tel offers L2TP only: AUTO is announced, the pick is remembered
  EXPECT_EQ(TextOf(L"curtype"), L"T:AUTO");
  EXPECT_FALSE(controller->ProtocolPickedByUser());
  EXPECT_EQ(controller->ProtocolName(), L"OVPN-UDP");

  Select(3);  // JP offers it again
  EXPECT_EQ(TextOf(L"curtype"), L"T:OVPN-UDP");
  EXPECT_EQ(controller->Protocol(), kProtocolOvpnUdp);

  // The connect flow's AUTO resolution names the protocol with the "auto" mark, keeping the name.
  Pick(L"PPTP", L"menubtn");
  EXPECT_EQ(TextOf(L"curtype"), L"T:PPTP(T:auto)");
  EXPECT_EQ(controller->ProtocolName(), L"OVPN-UDP");
  EXPECT_EQ(controller->Protocol(), kProtocolPptp);

  // The picker opens with the current name and what the server offers.
  pm.SendNotify(pm.FindControl(L"curtype"), notify::kClick);
  EXPECT_EQ(recorder.calls.back(), L"protocol-picker OVPN-UDP");
  EXPECT_EQ(recorder.pickerOffered, (std::vector<std::wstring>{L"AUTO", L"OVPN-UDP"}));
}

TEST_F(MainControllerTest, WhileConnectedChoicesAreLockedAndThePingButtonOnlyShowsKeptResults) {
  Init();
  RunWorkers();
  ServerListView& list = *controller->List();
  Select(3);
  controller->SetEngine(&engine);
  engine.Set(kStateConnected);
  list.Lock(true);

  const int32_t route = controller->RouteMode();
  Pick(L"route_domain", L"btnRoute");
  Pick(L"PPTP", L"btnProtocol");
  EXPECT_EQ(controller->RouteMode(), route);
  EXPECT_EQ(controller->ProtocolName(), L"");

  list.SetDelayText(list.RowAt(0), L"");
  const uint64_t echoes = network.echoesSent();
  pm.SendNotify(pm.FindControl(L"btn_ping"), notify::kClick);
  EXPECT_TRUE(workers.empty());
  EXPECT_EQ(network.echoesSent(), echoes);
  EXPECT_EQ(list.RowText(list.RowAt(0), L"serv_delay"), L"10ms");
  EXPECT_FALSE(pm.FindControl(L"btn_ping")->IsEnabled());

  pm.SendNotify(pm.FindControl(L"minbtn"), notify::kClick);
  EXPECT_EQ(recorder.calls.back(), L"hide");
}

TEST_F(MainControllerTest, LateAndOrphanedDelayResultsChangeNothing) {
  Init();
  ServerListView& list = *controller->List();
  // A refreshed answer rebuilds the rows: results of the old rows' workers find no row.
  auto stale = std::move(workers);
  workers.clear();
  controller->OnRefreshedAnswer(kAnswer);
  ASSERT_EQ(list.RowCount(), 4);
  for (auto& work : stale) work();
  for (int i = 0; i < 4; ++i) EXPECT_EQ(list.RowText(list.RowAt(i), L"serv_delay"), L"");
  RunWorkers();
  EXPECT_EQ(list.RowText(list.RowAt(1), L"serv_delay"), L"20ms");

  // After Close, workers still running deliver nothing.
  pm.SendNotify(pm.FindControl(L"btn_ping"), notify::kClick);
  list.SetDelayText(list.RowAt(1), L"");
  controller->Close();
  RunWorkers();
  EXPECT_EQ(list.RowText(list.RowAt(1), L"serv_delay"), L"");
}

TEST_F(MainControllerTest, ARefreshKeepsTheDelayOfAnAddressThatIsStillListed) {
  Init();
  RunWorkers();
  // The American server is gone; the others stay.
  std::wstring answer = kAnswer;
  const size_t us = answer.find(L"area,美国");
  answer.erase(us, answer.find(L";", us) + 1 - us);
  controller->SetEngine(&engine);
  engine.Set(kStateConnected);
  controller->OnRefreshedAnswer(answer);
  ServerListView& list = *controller->List();
  ASSERT_EQ(list.RowCount(), 3);
  EXPECT_EQ(list.RowText(list.RowAt(1), L"serv_name"), L"CN Tel");
  EXPECT_EQ(list.RowText(list.RowAt(1), L"serv_delay"), L"30ms");
  EXPECT_TRUE(workers.empty());
}

TEST_F(MainControllerTest, WebPanesGetTheirAddressesAndLinksNeverOpenInsideThem) {
  Init();
  auto* credit = dynamic_cast<CWebBrowserUI*>(pm.FindControl(L"creditweb"));
  controller->OnNewWindow(L"inline:credit");
  EXPECT_EQ(dynamic_cast<CTabLayoutUI*>(pm.FindControl(L"switch"))->GetCurSel(), 2);
  EXPECT_EQ(credit->GetUrl(), L"about:blank");
  // The page follows on the pane's timer.
  TNotifyUI timer;
  timer.sType = notify::kTimer;
  timer.pSender = credit;
  timer.wParam = kPaneNavigateTimerId;
  controller->Notify(timer);
  EXPECT_EQ(credit->GetUrl(), L"&p=");

  controller->OnNewWindow(L"http://elsewhere.example/page");
  EXPECT_EQ(recorder.calls.back(), L"shell http://elsewhere.example/page");
  auto* account = dynamic_cast<CWebBrowserUI*>(pm.FindControl(L"mainLoginWeb"));
  EXPECT_EQ(account->GetUserData(), L"&p=");
}

TEST_F(MainControllerTest, HeaderAndAreaClicksReachTheList) {
  Init();
  RunWorkers();
  ServerListView& list = *controller->List();
  pm.SendNotify(pm.FindControl(L"delay_header"), notify::kHeaderClick);
  pm.SendNotify(pm.FindControl(L"delay_header"), notify::kHeaderClick);
  EXPECT_EQ(list.RowText(list.RowAt(0), L"serv_name"), L"JP");
  pm.SendNotify(pm.FindControl(L"Chinaopt"), notify::kClick);
  pm.DeliverAsyncNotifications();
  int shown = 0;
  for (int i = 0; i < list.RowCount(); ++i) shown += list.RowAt(i)->IsVisible() ? 1 : 0;
  EXPECT_EQ(shown, 1);
  EXPECT_EQ(TextOf(L"curnode"), L"CN Tel");
}

}  // namespace
}  // namespace nimbrook
