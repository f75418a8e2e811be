// The dial-up engine against the fake RAS: every step of an attempt, each row of the failure table,
// the time-out, the route steps of each route mode, drops and user disconnects.
#include "dialup/base_vpner.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>
#include <string>
#include <vector>

#include "dialup/phonebook.h"
#include "dialup/tests/dial_up_harness.h"
#include "core/text.h"
#include "os/ras.h"

namespace nimbrook {
namespace {

using testing::DialUpHarness;
using testing::Notification;

const std::wstring kConnecting = Notification(1, 2, L"str_connecting");
const std::wstring kCalling = Notification(1, 2, L"str_calling");
const std::wstring kConnected = Notification(3, 4, L"str_connect_ok");
const std::wstring kDisconnecting = Notification(4, 5, L"str_disconnecing");
const std::wstring kDown = Notification(0, 1, L"");
const std::wstring kDropped = Notification(0, 13, L"");
const std::vector<std::wstring> kServices = {L"service RasAuto", L"service Netman", L"service TapiSrv"};

// The progress notifications of a dial that connects (ConnectingScript), in order.
std::vector<std::wstring> DialSteps() {
  return {Notification(1, 2, L"str_port_opening"), Notification(1, 2, L"str_port_opened"),
          Notification(1, 2, L"str_device_connecting"), Notification(1, 2, L"str_device_connected"),
          Notification(1, 2, L"str_authenticating")};
}

std::vector<std::wstring> Join(std::initializer_list<std::vector<std::wstring>> parts) {
  std::vector<std::wstring> all;
  for (const auto& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

// The timeline and log, for a failure message.
std::string Dump(const DialUpHarness& harness) {
  std::wstring all;
  for (const std::wstring& entry : harness.Timeline()) all += entry + L"\n";
  for (const std::wstring& line : harness.Logs()) all += L"log: " + line + L"\n";
  return text::ToUtf8(all);
}

class BaseVpnerTest : public ::testing::Test {
 protected:
  // Connects engine to a PPTP server with the route mode and waits for the outcome entry.
  void Dial(BaseVpner& engine, int32_t routeMode, const std::wstring& outcome, int32_t protocol = kProtocolPptp) {
    engine.Attach(&h);
    ASSERT_TRUE(SetTarget(routeMode, &engine, {protocol, L"198.51.100.20", L"1723"}));
    engine.Connect();
    ASSERT_TRUE(h.WaitFor(outcome)) << "no " << text::ToUtf8(outcome) << "\n" << Dump(h);
  }

  DialUpHarness h;
};

TEST_F(BaseVpnerTest, ConnectsAndDisconnectsWithTheRouteStepsOfEachRouteMode) {
  for (int32_t routeMode : {kRouteScopeAbroad, kRouteScopeChina, kRouteGlobal}) {
    SCOPED_TRACE(routeMode);
    h.ClearTimeline();
    BaseVpner engine(h.Seams());
    Dial(engine, routeMode, kConnected);

    std::vector<std::wstring> expected = Join({{kConnecting}, kServices});
    if (routeMode == kRouteScopeAbroad) expected.push_back(L"route add");  // before dialling
    expected.push_back(kCalling);
    expected = Join({expected, DialSteps()});
    if (routeMode == kRouteScopeChina) expected.push_back(L"route china");  // once the link is up
    expected.push_back(kConnected);
    EXPECT_EQ(h.Timeline(), expected);
    EXPECT_EQ(engine.State(), kStateConnected);
    EXPECT_EQ(engine.LocalAddress(), "10.8.0.6");
    EXPECT_EQ(engine.EntryName(), L"nimbrookjsq-pptp");

    h.ClearTimeline();
    engine.Disconnect();
    ASSERT_TRUE(h.WaitFor(kDown));
    std::vector<std::wstring> down = {kDisconnecting};
    if (routeMode == kRouteScopeAbroad) down.push_back(L"route delete");
    down.push_back(kDown);
    EXPECT_EQ(h.Timeline(), down);
    EXPECT_EQ(engine.State(), kStateIdle);
    EXPECT_EQ(engine.EntryName(), L"");
    EXPECT_EQ(h.ras.LiveConnections(), 0);
  }
  EXPECT_EQ(h.ras.HangUps(), 3);
}

TEST_F(BaseVpnerTest, DialsTheWorkingPhonebookWithTheAccount) {
  h.account = {"bob", "pa55", "true"};
  BaseVpner engine(h.Seams());
  Dial(engine, kRouteGlobal, kConnected);
  const std::vector<os::RasDialRequest> dials = h.ras.Dials();
  ASSERT_EQ(dials.size(), 1u);
  EXPECT_EQ(dials[0].phonebook, WorkingPhonebookPath(h.dir.Dir()));
  EXPECT_EQ(dials[0].entry, L"nimbrookjsq-pptp");
  EXPECT_EQ(dials[0].userName, L"bob");
  EXPECT_EQ(dials[0].password, L"pa55");
  EXPECT_TRUE(h.ras.CredentialCalls().empty());  // credentials are an L2TP step only
  os::ProfileFiles& profile = os::SystemProfile();
  EXPECT_EQ(profile.ReadString(dials[0].phonebook, L"nimbrookjsq-pptp", L"PhoneNumber", L"", 2048), L"198.51.100.20");
  EXPECT_EQ(profile.ReadString(dials[0].phonebook, L"nimbrookjsq-pptp", L"IpDnsAddress", L"", 2048), L"127.0.0.1");
  const std::vector<std::wstring> logs = h.Logs();
  const std::vector<std::wstring> firstLogs(logs.begin(), logs.begin() + std::min<size_t>(logs.size(), 3));
  EXPECT_EQ(firstLogs, (std::vector<std::wstring>{L"开始连接线程ConnectThread", L"进入连接线程ConnectThread",
                                                  L"开始准备连接DoConnect"}));
  EXPECT_NE(std::find(logs.begin(), logs.end(), L"已经ConfigPhonebook"), logs.end());
}

TEST_F(BaseVpnerTest, ServiceFailureStopsAtTheFirstServiceThatCannotRun) {
  h.failingServices = {L"Netman"};
  for (int32_t routeMode : {kRouteScopeAbroad, kRouteGlobal}) {
    h.ClearTimeline();
    BaseVpner engine(h.Seams());
    Dial(engine, routeMode, Notification(2, 3, L"str_rasservicefail"));
    std::vector<std::wstring> expected = {kConnecting, L"service RasAuto", L"service Netman"};
    if (routeMode == kRouteScopeAbroad) expected.push_back(L"route delete");
    expected.push_back(Notification(2, 3, L"str_rasservicefail"));
    EXPECT_EQ(h.Timeline(), expected);
  }
  EXPECT_TRUE(h.ras.Dials().empty());
}

TEST_F(BaseVpnerTest, PhonebookFailureEndsWithoutRouteCleanUp) {
  ASSERT_TRUE(RemoveFile(h.dir.File(L"template.dll")));
  BaseVpner engine(h.Seams());
  Dial(engine, kRouteScopeAbroad, Notification(2, 3, L"str_connect_failed"));
  EXPECT_EQ(h.Timeline(), Join({{kConnecting}, kServices, {Notification(2, 3, L"str_connect_failed")}}));
  EXPECT_TRUE(h.ras.Dials().empty());
  EXPECT_EQ(engine.State(), kStateFailed);
}

TEST_F(BaseVpnerTest, L2tpStoresTheCredentialsItDialsWith) {
  struct Case {
    bool ipsec;
    bool modern;
    std::vector<std::wstring> services;
    uint32_t mask;
    std::wstring password;
    bool clear;
  };
  const std::vector<std::wstring> ipsecModern = {L"service RasAuto", L"service Netman", L"service TapiSrv",
                                                 L"service PolicyAgent", L"service IKEEXT"};
  const std::vector<std::wstring> ipsecOld = {L"service RasAuto", L"service Netman", L"service TapiSrv",
                                              L"service PolicyAgent"};
  for (const Case& c : {Case{true, true, ipsecModern, os::kRasCredentialPreSharedKey, kL2tpPreSharedKey, false},
                        Case{true, false, ipsecOld, os::kRasCredentialPreSharedKey, kL2tpPreSharedKey, false},
                        Case{false, true, kServices, os::kRasCredentialUserName, L"s3cret", true}}) {
    SCOPED_TRACE(c.ipsec * 2 + c.modern);
    DialUpHarness local;
    local.ipsecEnabled = c.ipsec;
    local.modernWindows = c.modern;
    BaseVpner engine(local.Seams());
    engine.Attach(&local);
    ASSERT_TRUE(SetTarget(kRouteGlobal, &engine, {kProtocolL2tp, L"l2tp.example.net", L"1701"}));
    engine.Connect();
    ASSERT_TRUE(local.WaitFor(kConnected));
    EXPECT_EQ(local.Only(L"service "), c.services);
    const std::vector<os::FakeCredentialCall> calls = local.ras.CredentialCalls();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].phonebook, WorkingPhonebookPath(local.dir.Dir()));
    EXPECT_EQ(calls[0].entry, L"nimbrookjsq-l2tp");
    EXPECT_EQ(calls[0].credentials.mask, c.mask);
    EXPECT_EQ(calls[0].credentials.userName, L"alice");
    EXPECT_EQ(calls[0].credentials.password, c.password);
    EXPECT_EQ(calls[0].clear, c.clear);
    ASSERT_EQ(local.ras.Dials().size(), 1u);
    EXPECT_EQ(local.ras.Dials()[0].password, L"s3cret");  // the account password dials in every case
  }
}

TEST_F(BaseVpnerTest, L2tpOverIpsecFailsWhenItsServicesCannotRun) {
  for (const wchar_t* failing : {L"PolicyAgent", L"IKEEXT"}) {
    DialUpHarness local;
    local.ipsecEnabled = true;
    local.failingServices = {failing};
    BaseVpner engine(local.Seams());
    engine.Attach(&local);
    ASSERT_TRUE(SetTarget(kRouteScopeAbroad, &engine, {kProtocolL2tp, L"l2tp.example.net", L""}));
    engine.Connect();
    const std::wstring failed = Notification(2, 3, L"str_l2tpoveripsecfail");
    ASSERT_TRUE(local.WaitFor(failed));
    const std::vector<std::wstring> timeline = local.Timeline();
    ASSERT_GE(timeline.size(), 2u);
    EXPECT_EQ(timeline[timeline.size() - 2], L"route delete");
    EXPECT_EQ(timeline.back(), failed);
    EXPECT_TRUE(local.ras.CredentialCalls().empty());
    EXPECT_TRUE(local.ras.Dials().empty());
  }
}

TEST_F(BaseVpnerTest, RefusedDialCleansUpAndHangsUpTheHandleRasGaveOut) {
  os::FakeDialScript refused;
  refused.dialResult = os::kRasErrorCannotFindPhonebook;
  refused.handleOnRefusal = true;
  h.ras.QueueDial(refused);
  BaseVpner engine(h.Seams());
  Dial(engine, kRouteScopeAbroad, Notification(2, 3, L"str_call_failed"));
  EXPECT_EQ(h.Timeline(), Join({{kConnecting}, kServices,
                                {L"route add", kCalling, L"route delete", Notification(2, 3, L"str_call_failed")}}));
  EXPECT_EQ(h.ras.HangUps(), 1);
  EXPECT_EQ(h.ras.LiveConnections(), 0);
}

TEST_F(BaseVpnerTest, ErrorDuringDiallingIsReportedWithTheSystemText) {
  os::FakeDialScript script;
  script.steps = {{os::kRasOpenPort, 0, false}, {os::kRasAuthenticate, 0, false}, {os::kRasAuthenticate, 691, false}};
  h.ras.QueueDial(script);
  h.ras.SetErrorText(691, L"Access was denied");
  BaseVpner engine(h.Seams());
  const std::wstring failed = Notification(2, 3, L"错误691-Access was denied");
  Dial(engine, kRouteScopeAbroad, failed);
  EXPECT_EQ(h.Timeline(), Join({{kConnecting}, kServices,
                                {L"route add", kCalling, Notification(1, 2, L"str_port_opening"),
                                 Notification(1, 2, L"str_authenticating"), L"route delete", failed}}));
  EXPECT_EQ(h.ras.HangUps(), 1);
  EXPECT_EQ(engine.State(), kStateFailed);

  // Without a system text the number still shows.
  h.ClearTimeline();
  os::FakeDialScript unknown;
  unknown.steps = {{os::kRasOpenPort, 800, false}};
  h.ras.QueueDial(unknown);
  engine.Connect();
  EXPECT_TRUE(h.WaitFor(Notification(2, 3, L"错误800-"))) << Dump(h);
}

TEST_F(BaseVpnerTest, DiallingThatNeverEndsTimesOutAndALateReportIsDropped) {
  os::FakeDialScript stalled;
  stalled.steps = {{os::kRasOpenPort, 0, false}, {os::kRasPortOpened, 691, true}};  // the error waits for Release
  h.ras.QueueDial(stalled);
  DialUpSeams seams = h.Seams();
  seams.dialTimeout = std::chrono::milliseconds(50);
  BaseVpner engine(std::move(seams));
  const std::wstring timedOut = Notification(2, 3, L"<str_call_failed><str_ping_timeout>");
  Dial(engine, kRouteScopeAbroad, timedOut);
  EXPECT_EQ(h.Timeline(), Join({{kConnecting}, kServices,
                                {L"route add", kCalling, Notification(1, 2, L"str_port_opening"), L"route delete",
                                 timedOut}}));
  EXPECT_EQ(h.ras.HangUps(), 1);

  // RAS reporting after the wait has ended finds no dial event: nothing changes.
  h.ras.Release();
  h.ras.WaitIdle();
  BaseVpner::DialProgress(os::kRasPortOpened, 691);
  BaseVpner::DialProgress(os::kRasAuthenticate, 0);
  BaseVpner::DialProgress(os::kRasConnected, 0);
  EXPECT_EQ(h.Timeline().back(), timedOut);
  EXPECT_EQ(engine.State(), kStateFailed);
  EXPECT_EQ(h.ras.HangUps(), 1);
}

TEST_F(BaseVpnerTest, UnexpectedDropIsReportedAsADrop) {
  BaseVpner engine(h.Seams());
  Dial(engine, kRouteScopeAbroad, kConnected);
  h.ClearTimeline();
  ASSERT_TRUE(h.ras.Drop());
  ASSERT_TRUE(h.WaitFor(kDropped));
  EXPECT_EQ(h.Timeline(), (std::vector<std::wstring>{L"route delete", kDropped}));
  EXPECT_TRUE(h.WaitForLog(L"已经执行了DeleteRoute"));
  EXPECT_EQ(h.ras.HangUps(), 1);  // the watcher frees the handle of the dropped link
  EXPECT_EQ(engine.EntryName(), L"");
  EXPECT_TRUE(engine.ReportDrop());
}

TEST_F(BaseVpnerTest, UserDisconnectIsCodeOneAndTheNextLinkDropsAsADropAgain) {
  BaseVpner engine(h.Seams());
  Dial(engine, kRouteGlobal, kConnected);
  engine.Disconnect();
  ASSERT_TRUE(h.WaitFor(kDown));
  EXPECT_FALSE(engine.ReportDrop());

  // A new attempt re-arms the drop report: this link's end was not asked for.
  h.ClearTimeline();
  engine.Connect();
  ASSERT_TRUE(h.WaitFor(kConnected));
  EXPECT_TRUE(engine.ReportDrop());
  ASSERT_TRUE(h.ras.Drop());
  ASSERT_TRUE(h.WaitFor(kDropped));
  EXPECT_EQ(h.Only(L"notify 0/"), std::vector<std::wstring>{kDropped});

  // Reconnect after the drop; the phonebook copy is made afresh.
  h.ClearTimeline();
  ASSERT_TRUE(SetTarget(kRouteGlobal, &engine, {kProtocolPptp, L"198.51.100.99", L""}));
  engine.Connect();
  ASSERT_TRUE(h.WaitFor(kConnected));
  EXPECT_EQ(os::SystemProfile().ReadString(WorkingPhonebookPath(h.dir.Dir()), L"nimbrookjsq-pptp", L"PhoneNumber", L"",
                                           2048),
            L"198.51.100.99");
  EXPECT_EQ(h.ras.Dials().size(), 3u);
}

TEST_F(BaseVpnerTest, DisconnectWhileDiallingEndsTheAttemptAsAUserDisconnect) {
  os::FakeDialScript held = os::ConnectingScript();
  held.steps.back().holdBefore = true;  // RASCS_Connected waits
  h.ras.QueueDial(held);
  BaseVpner engine(h.Seams());
  Dial(engine, kRouteScopeAbroad, Notification(1, 2, L"str_authenticating"));
  h.ClearTimeline();
  engine.Disconnect();
  ASSERT_TRUE(h.WaitFor(kDown));
  h.ras.Release();
  h.ras.WaitIdle();
  // No "disconnecting" while the link was not up; the routes of the attempt are removed once.
  EXPECT_EQ(h.Timeline(), (std::vector<std::wstring>{L"route delete", kDown}));
  EXPECT_EQ(engine.State(), kStateIdle);
  EXPECT_EQ(h.ras.LiveConnections(), 0);
}

TEST_F(BaseVpnerTest, EngineGoingAwayMidAttemptNotifiesNobody) {
  // The program leaves while a dial waits: the clean-up ends the attempt, but the window that was
  // attached may already be gone, so nothing is delivered any more.
  os::FakeDialScript held = os::ConnectingScript();
  held.steps.back().holdBefore = true;
  h.ras.QueueDial(held);
  {
    BaseVpner engine(h.Seams());
    Dial(engine, kRouteScopeAbroad, Notification(1, 2, L"str_authenticating"));
    h.ClearTimeline();
  }
  h.ras.Release();
  h.ras.WaitIdle();
  EXPECT_TRUE(h.Only(L"notify ").empty()) << Dump(h);
}

TEST_F(BaseVpnerTest, DisconnectWhilePreparingNeverDials) {
  std::mutex gateLock;
  std::condition_variable gateChanged;
  bool open = false;
  h.serviceHook = [&](const std::wstring& name) {
    if (name != L"TapiSrv") return;
    std::unique_lock<std::mutex> guard(gateLock);
    gateChanged.wait_for(guard, testing::kWaitBound, [&] { return open; });
  };
  BaseVpner engine(h.Seams());
  Dial(engine, kRouteScopeAbroad, L"service TapiSrv");
  engine.Disconnect();
  ASSERT_TRUE(testing::WaitUntil([&] { return !engine.ReportDrop(); }));
  {
    std::lock_guard<std::mutex> guard(gateLock);
    open = true;
  }
  gateChanged.notify_all();
  ASSERT_TRUE(h.WaitFor(kDown));
  EXPECT_TRUE(h.ras.Dials().empty());
  const std::vector<std::wstring> timeline = h.Timeline();
  EXPECT_EQ(std::vector<std::wstring>(timeline.end() - 3, timeline.end()),
            (std::vector<std::wstring>{L"route add", L"route delete", kDown}));
  EXPECT_EQ(h.Only(L"notify 4/"), std::vector<std::wstring>{});
}

TEST_F(BaseVpnerTest, RasEndingTheDialWithoutALinkIsAFailure) {
  os::FakeDialScript script;
  script.steps = {{os::kRasOpenPort, 0, false}, {os::kRasDisconnected, 0, false}};
  h.ras.QueueDial(script);
  BaseVpner engine(h.Seams());
  Dial(engine, kRouteGlobal, Notification(2, 3, L"str_call_failed"));
  EXPECT_EQ(engine.State(), kStateFailed);
}

TEST_F(BaseVpnerTest, LinkWithoutDisconnectionNoticeStillEndsOnDisconnect) {
  h.ras.SetNotificationResult(os::kRasErrorInvalidHandle);
  BaseVpner engine(h.Seams());
  Dial(engine, kRouteScopeAbroad, kConnected);
  h.ClearTimeline();
  engine.Disconnect();
  ASSERT_TRUE(h.WaitFor(kDown));
  EXPECT_EQ(h.Timeline(), (std::vector<std::wstring>{kDisconnecting, L"route delete", kDown}));
}

TEST_F(BaseVpnerTest, UnknownLocalAddressStaysEmpty) {
  h.ras.SetLocalAddress(std::nullopt);
  BaseVpner engine(h.Seams());
  Dial(engine, kRouteGlobal, kConnected);
  EXPECT_EQ(engine.LocalAddress(), "");
}

TEST_F(BaseVpnerTest, WorkersFindTheirEngineThroughTheInstancePointer) {
  BaseVpner first(h.Seams());
  EXPECT_EQ(BaseVpner::s_pInstance.Get(), &first);
  {
    BaseVpner second(h.Seams());
    EXPECT_EQ(BaseVpner::s_pInstance.Get(), &second);
    first.Select();
    EXPECT_EQ(BaseVpner::s_pInstance.Get(), &first);
  }
  EXPECT_EQ(BaseVpner::s_pInstance.Get(), &first);  // destroying another engine leaves it

  BaseVpner::s_pInstance.Release(&first);
  first.Connect();
  EXPECT_TRUE(h.WaitForLog(L"s_pInstance 为Null"));
  BaseVpner::DialProgress(os::kRasConnected, 0);  // no instance: ignored
  EXPECT_TRUE(h.ras.Dials().empty());
}

// The window's "AUTO" fallback: the failure notification of PPTP starts L2TP on the same engine, from
// inside that notification, while the failed attempt's worker still delivers it.
TEST_F(BaseVpnerTest, TheNextAttemptMayStartFromTheFailureNotification) {
  os::FakeDialScript refused;
  refused.dialResult = os::kRasErrorCannotFindPhonebook;
  h.ras.QueueDial(refused);  // the second dial connects
  // Declared before the engine: it must outlive the engine's last delivery.
  class NextProtocol final : public StateObserver {
   public:
    void OnStateChanged(StateSubject* subject) override {
      if (subject->Code() != kCodeFailed || retried_) return;
      retried_ = true;
      ASSERT_TRUE(SetTarget(kRouteGlobal, engine, {kProtocolL2tp, L"198.51.100.20", L"1701"}));
      engine->Connect();
    }
    BaseVpner* engine = nullptr;

   private:
    bool retried_ = false;
  } next;
  BaseVpner engine(h.Seams());
  next.engine = &engine;
  engine.Attach(&h);
  engine.Attach(&next);
  ASSERT_TRUE(SetTarget(kRouteGlobal, &engine, {kProtocolPptp, L"198.51.100.20", L"1723"}));
  engine.Connect();
  ASSERT_TRUE(h.WaitFor(kConnected)) << Dump(h);

  EXPECT_EQ(h.Only(L"notify"), Join({{kConnecting, kCalling, Notification(2, 3, L"str_call_failed"), kConnecting,
                                      kCalling},
                                     DialSteps(),
                                     {kConnected}}));
  const std::vector<os::RasDialRequest> dials = h.ras.Dials();
  ASSERT_EQ(dials.size(), 2u);
  EXPECT_EQ(dials[0].entry, L"nimbrookjsq-pptp");
  EXPECT_EQ(dials[1].entry, L"nimbrookjsq-l2tp");
  EXPECT_EQ(engine.EntryName(), L"nimbrookjsq-l2tp");
  const std::vector<std::wstring> logs = h.Logs();
  EXPECT_EQ(std::find(logs.begin(), logs.end(), L"上一次连接尚未结束，忽略本次连接"), logs.end());
}

TEST_F(BaseVpnerTest, SecondConnectDuringAnAttemptIsIgnored) {
  os::FakeDialScript held = os::ConnectingScript();
  held.steps.front().holdBefore = true;
  h.ras.QueueDial(held);
  BaseVpner engine(h.Seams());
  Dial(engine, kRouteGlobal, kCalling);
  engine.Connect();
  EXPECT_TRUE(h.WaitForLog(L"上一次连接尚未结束，忽略本次连接"));
  h.ras.Release();
  ASSERT_TRUE(h.WaitFor(kConnected));
  EXPECT_EQ(h.ras.Dials().size(), 1u);
}

}  // namespace
}  // namespace nimbrook
