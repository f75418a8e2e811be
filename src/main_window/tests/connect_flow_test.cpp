// The connect flow against engines the test drives: the checks before an attempt, AUTO through the
// offered protocols, the displays of each engine code, the reconnection after drops, and the exit.
#include "main_window/connect_flow.h"

#include <gtest/gtest.h>

#include "core/time_helpers.h"
#include "main_window/tests/main_window_fixture.h"

namespace nimbrook {
namespace {

using namespace toolkit;

// An engine that records what the window asks of it; the test reports its notifications.
class ScriptedEngine : public Connector {
 public:
  void Connect() override { targets.push_back(Protocol()); }
  void Disconnect() override { ++disconnects; }
  void Abandon() override { ++abandons; }
  std::vector<int32_t> targets;  // the protocol of each Connect
  int disconnects = 0;
  int abandons = 0;
};

class ConnectFlowTest : public testing::MainWindowFixture {
 protected:
  void SetUp() override {
    MainWindowFixture::SetUp();
    engineFor = [this](int32_t protocol) -> Connector* {
      asked.push_back(protocol);
      return protocol == kProtocolOvpnUdp ? &openVpn : &dialUp;
    };
    Init();
    RunWorkers();
    Select(1);  // US West: PPTP, OVPN-UDP
  }
  ConnectFlow& Flow() { return controller->Connection(); }
  // The engine's notification as the window hands it to the flow.
  void Report(ScriptedEngine& engine, int32_t state, int32_t code, const std::wstring& message = L"") {
    engine.Notify(state, code, message);
    Flow().OnNotification(code, message);
    pm.DeliverAsyncNotifications();
  }
  void Click(const wchar_t* name) {
    pm.SendNotify(pm.FindControl(name), notify::kClick);
    pm.DeliverAsyncNotifications();
  }
  bool Enabled(const wchar_t* name) { return pm.FindControl(name)->IsEnabled(); }
  std::wstring NormalImage() { return dynamic_cast<CButtonUI*>(pm.FindControl(L"btn_connect"))->GetNormalImage(); }
  // Fires the reconnection timer when it is set; false when it is not.
  bool FireReconnectTimer() {
    for (const auto& [id, period] : host.timers) {
      if (period != kReconnectDelayMs) continue;
      pm.OnTimer(id);
      pm.DeliverAsyncNotifications();
      return true;
    }
    return false;
  }
  void PickProtocol(const std::wstring& name) { Pick(name, L"btnProtocol"); }

  ScriptedEngine dialUp;
  ScriptedEngine openVpn;
  std::vector<int32_t> asked;
};

TEST_F(ConnectFlowTest, AutoTriesEachOfferedProtocolOnceThenGivesUp) {
  Click(L"btn_connect");
  ASSERT_EQ(dialUp.targets, std::vector<int32_t>{kProtocolPptp});
  EXPECT_EQ(TextOf(L"curtype"), L"T:PPTP(T:auto)");
  EXPECT_EQ(dialUp.Host(), L"10.0.0.2");
  EXPECT_EQ(dialUp.Port(), L"1723");
  EXPECT_EQ(TextOf(L"vpnstate"), L"T:connecting");
  EXPECT_FALSE(Enabled(L"btn_connect"));
  EXPECT_FALSE(Enabled(L"btnProtocol"));
  EXPECT_TRUE(controller->List()->IsLocked());
  EXPECT_NE(NormalImage().find(L"jiasu_btn_conn_2.png"), std::wstring::npos);

  Report(dialUp, kStateFailed, kCodeFailed, L"str_connect_failed");
  ASSERT_EQ(openVpn.targets, std::vector<int32_t>{kProtocolOvpnUdp});
  EXPECT_EQ(openVpn.Port(), L"1194");
  EXPECT_EQ(TextOf(L"curtype"), L"T:OVPN-UDP(T:auto)");
  EXPECT_TRUE(Flow().AutoAttemptActive());

  Report(openVpn, kStateFailed, kCodeFailed, L"str_connect_failed");
  EXPECT_EQ(openVpn.targets.size(), 1u);
  EXPECT_EQ(dialUp.targets.size(), 1u);
  EXPECT_EQ(Flow().AutoAttemptIndex(), 0);
  EXPECT_FALSE(Flow().AutoAttemptActive());
  EXPECT_TRUE(Enabled(L"btn_connect"));
  EXPECT_FALSE(controller->List()->IsLocked());
  EXPECT_EQ(TextOf(L"err_lab"), L"T:failed");
  EXPECT_EQ(TextOf(L"vpnstate"), L"T:not connected");
  EXPECT_NE(NormalImage().find(L"jiasu_btn_conn_1.png"), std::wstring::npos);
}

TEST_F(ConnectFlowTest, ADoubleClickOnARowConnectsToIt) {
  // A window tall enough for the small layout to show every row.
  host.clientSize = {900, 2400};
  pm.OnClientResize(host.clientSize);
  pm.DoLayout();
  CControlUI* row = controller->List()->RowAt(0);
  const UiRect pos = row->GetPos();
  const UiPoint centre{(pos.left + pos.right) / 2, (pos.top + pos.bottom) / 2};
  pm.OnButtonDown(centre);
  pm.OnButtonUp(centre);
  pm.OnDoubleClick(centre);
  pm.OnButtonUp(centre);
  pm.DeliverAsyncNotifications();
  ASSERT_EQ(dialUp.targets, std::vector<int32_t>{kProtocolPptp});
  EXPECT_EQ(dialUp.Host(), L"10.0.0.1");
}

TEST_F(ConnectFlowTest, ConnectedShowsItAndRemembersTheProtocol) {
  PickProtocol(L"OVPN-UDP");
  Click(L"btn_connect");
  Report(openVpn, kStateConnecting, kCodeProgress, L"str_connecting");
  Report(openVpn, kStateConnected, kCodeConnected, L"str_connect_ok");
  EXPECT_EQ(TextOf(L"vpnstate"), L"T:connected");
  EXPECT_TRUE(Enabled(L"btn_connect"));
  EXPECT_FALSE(Enabled(L"btnProtocol"));  // the choice stays closed while connected
  EXPECT_NE(NormalImage().find(L"jiasu_btn_disc_1.png"), std::wstring::npos);
  EXPECT_EQ(recorder.Only(L"tray ").back(), L"tray 129");
  EXPECT_EQ(recorder.Only(L"balloon ").back(), L"balloon T:connected[US West]");
  EXPECT_EQ(settings.UserChoosedProtocol(), "OVPN-UDP");
  EXPECT_EQ(Flow().ConnectionAddress(), "10.0.0.2");

  // Disconnecting closes the button until the engine reports.
  Click(L"btn_connect");
  EXPECT_EQ(openVpn.disconnects, 1);
  EXPECT_FALSE(Enabled(L"btn_connect"));
  Report(openVpn, kStateIdle, kCodeDisconnected);
  EXPECT_TRUE(Enabled(L"btn_connect"));
  EXPECT_TRUE(Enabled(L"btnProtocol"));
  EXPECT_EQ(recorder.Only(L"tray ").back(), L"tray 127");
  EXPECT_FALSE(FireReconnectTimer());
}

TEST_F(ConnectFlowTest, DropsReconnectAtMostTwiceBetweenSuccesses) {
  settings.SetReconn(true);
  PickProtocol(L"OVPN-UDP");
  Click(L"btn_connect");
  Report(openVpn, kStateConnected, kCodeConnected, L"str_connect_ok");
  EXPECT_EQ(Flow().ReconnectCount(), 0);

  Report(openVpn, kStateIdle, kCodeDropped);
  EXPECT_EQ(recorder.Only(L"balloon ").back(), L"balloon T:lost");
  // Another row selected meanwhile does not change where the reconnection goes.
  Select(3);
  ASSERT_TRUE(FireReconnectTimer());
  ASSERT_EQ(openVpn.targets.size(), 2u);
  EXPECT_EQ(openVpn.Host(), L"10.0.0.2");

  // The reconnection drops before it succeeds: once more...
  Report(openVpn, kStateIdle, kCodeDropped);
  ASSERT_TRUE(FireReconnectTimer());
  EXPECT_EQ(openVpn.targets.size(), 3u);
  // ...but not a third time.
  Report(openVpn, kStateIdle, kCodeDropped);
  EXPECT_FALSE(FireReconnectTimer());
  EXPECT_EQ(openVpn.targets.size(), 3u);
}

TEST_F(ConnectFlowTest, DropWithoutReconnectionSettingStaysDown) {
  PickProtocol(L"OVPN-UDP");
  Click(L"btn_connect");
  Report(openVpn, kStateConnected, kCodeConnected, L"str_connect_ok");
  Report(openVpn, kStateIdle, kCodeDropped);
  EXPECT_FALSE(FireReconnectTimer());
  EXPECT_EQ(TextOf(L"vpnstate"), L"T:not connected");
}

TEST_F(ConnectFlowTest, RefusalsBeforeAnyAttempt) {
  // No server chosen.
  controller->List()->selectedIndex = -1;
  Click(L"btn_connect");
  EXPECT_EQ(recorder.Only(L"message ").back(), L"message msg_choose_server");
  controller->List()->selectedIndex = 1;

  // The subscription has ended and the reminder is armed.
  now = ParseDateTime(L"2030-01-02 00:00:00");
  Flow().ArmVipReminder();
  Click(L"btn_connect");
  ASSERT_EQ(recorder.Only(L"notice ").size(), 1u);
  EXPECT_EQ(recorder.Only(L"notice ").back().rfind(L"notice expire VIP到期提醒 srvid=11;username=", 0), 0u);

  // A server the account may not use.
  now = ParseDateTime(L"2029-12-01 00:00:00");
  controller->OnRefreshedAnswer(
      L"yes|srvtype,vip|expiration,2030-01-01 00:00:00|srvid,11_"
      L"area,美国|nasname,VIP only|IP,10.0.0.9|info,x|allow,-1|onlineusers,1|maxusers,10|connecttype,PPTP=1723;");
  RunWorkers();
  Select(0);
  Click(L"btn_connect");
  EXPECT_EQ(recorder.Only(L"notice ").back().rfind(L"notice naslist VIP线路提醒 ", 0), 0u);

  EXPECT_TRUE(asked.empty());
  EXPECT_TRUE(dialUp.targets.empty());
  EXPECT_TRUE(Enabled(L"btn_connect"));
}

TEST_F(ConnectFlowTest, AutoWithoutAProtocolAndNoEngineNeverStayConnecting) {
  controller->OnRefreshedAnswer(
      L"yes|srvtype,vip|expiration,2030-01-01 00:00:00|srvid,11_"
      L"area,美国|nasname,Bare|IP,10.0.0.9|info,x|allow,1|onlineusers,1|maxusers,10|connecttype,;"
      L"area,美国|nasname,Odd|IP,10.0.0.8|info,x|allow,1|onlineusers,1|maxusers,10|connecttype,PPTP=1723;");
  RunWorkers();
  Select(0);
  Click(L"btn_connect");
  EXPECT_EQ(recorder.Only(L"message ").back(), L"message msg_no_protocol");
  EXPECT_TRUE(asked.empty());

  // No engine for the protocol: the attempt fails at once rather than waiting for a report.
  engineFor = [](int32_t) -> Connector* { return nullptr; };
  Select(1);
  Click(L"btn_connect");
  EXPECT_TRUE(Enabled(L"btn_connect"));
  EXPECT_FALSE(controller->List()->IsLocked());
  EXPECT_EQ(TextOf(L"vpnstate"), L"T:not connected");
  EXPECT_FALSE(Flow().AutoAttemptActive());
}

TEST_F(ConnectFlowTest, ExitWithoutALinkQuitsAfterTheQuestion) {
  recorder.answerOk = false;
  Flow().RequestExit();
  EXPECT_EQ(recorder.Only(L"ask "), std::vector<std::wstring>{L"ask msg_sure_exit"});
  EXPECT_TRUE(recorder.Only(L"quit").empty());
  recorder.answerOk = true;
  Flow().RequestExit();
  EXPECT_EQ(recorder.Only(L"quit").size(), 1u);
}

TEST_F(ConnectFlowTest, ExitWhileConnectingEndsAtTheFirstLook) {
  PickProtocol(L"OVPN-UDP");
  Click(L"btn_connect");
  Report(openVpn, kStateConnecting, kCodeProgress, L"str_connecting");
  Flow().RequestExit();
  EXPECT_EQ(recorder.Only(L"ask ").back(), L"ask msg_node_linked");
  EXPECT_EQ(openVpn.disconnects, 1);
  ASSERT_TRUE(recorder.timers.count(kExitWaitTimerId));
  EXPECT_TRUE(recorder.Only(L"quit").empty());
  Flow().OnExitWaitTimer();
  EXPECT_EQ(recorder.Only(L"quit").size(), 1u);
  EXPECT_FALSE(recorder.timers.count(kExitWaitTimerId));
  EXPECT_EQ(openVpn.abandons, 0);
}

TEST_F(ConnectFlowTest, ExitWhileConnectedWaitsForTheLinkWithinABound) {
  settings.SetReconn(true);
  PickProtocol(L"OVPN-UDP");
  Click(L"btn_connect");
  Report(openVpn, kStateConnected, kCodeConnected, L"str_connect_ok");
  Flow().RequestExit();
  EXPECT_EQ(recorder.Only(L"ask ").back(), L"ask msg_node_linked");
  EXPECT_FALSE(Enabled(L"btn_connect"));
  Flow().OnExitWaitTimer();
  EXPECT_TRUE(recorder.Only(L"quit").empty());

  // A drop on the way out is not reconnected; the program leaves at the next look.
  Report(openVpn, kStateIdle, kCodeDropped);
  EXPECT_FALSE(FireReconnectTimer());
  Flow().OnExitWaitTimer();
  EXPECT_EQ(recorder.Only(L"quit").size(), 1u);
  EXPECT_EQ(openVpn.abandons, 0);
}

TEST_F(ConnectFlowTest, ExitGivesUpOnALinkThatNeverGoesDown) {
  PickProtocol(L"OVPN-UDP");
  Click(L"btn_connect");
  Report(openVpn, kStateConnected, kCodeConnected, L"str_connect_ok");
  Flow().RequestExit();
  for (int look = 1; look < kExitWaitLooks; ++look) Flow().OnExitWaitTimer();
  EXPECT_TRUE(recorder.Only(L"quit").empty());
  Flow().OnExitWaitTimer();
  EXPECT_EQ(openVpn.abandons, 1);
  EXPECT_EQ(recorder.Only(L"quit").size(), 1u);
}

}  // namespace
}  // namespace nimbrook
