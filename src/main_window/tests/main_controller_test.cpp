// The main window's decisions on a small layout with every control it looks up: start-up, protocol
// and route rules, the delay pass and its hand-over, a refreshed answer, the web panes.
#include "main_window/main_controller.h"
#include "main_window/tests/main_window_fixture.h"

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
using testing::Ip;
using testing::kAnswer;

class MainControllerTest : public testing::MainWindowFixture {};


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
