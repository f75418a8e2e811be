// The OpenVPN engine against a scripted child: the notification sequences of success, user
// disconnect, drop, error, inactivity and a child that ignores the exit event; the route steps of
// each route mode; the prompts' answers; "openvpn.log"; set-up failures.
#include "openvpn/open_vpner.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "core/file_io.h"
#include "core/log.h"
#include "openvpn/tap_adapter.h"
#include "openvpn/tests/engine_recorder.h"
#include "openvpn/tests/scripted_child.h"
#include "routes/recording_launcher.h"
#include "routes/route_table.h"
#include "testing/temp_dir.h"

namespace nimbrook {
namespace {

using testing::ChildScript;
using testing::EngineRecorder;
using testing::RecordingLauncher;
using testing::ScopedLauncher;
using testing::ScriptedChild;
using testing::Seen;
using testing::kConnected;
using testing::kConnecting;
using testing::kDisconnected;
using testing::kDisconnecting;
using testing::kDropped;
using testing::kFailed;


const std::string kUpLines =
    "TAP-WIN32 device [Local Area Connection 2] opened: \\\\.\\Global\\{3E7A3B1C-9F2D-4C2B-9B3C-5C2D4E6F7A8B}.tap\n";

class OpenVpnerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetLogFile(dir.File(L"nimbrook.log"));
    launcher.prepare = [this](const LaunchRequest& request, os::FakeChildState& state) {
      if (request.fileName != kOpenVpnExe) return;
      // The child's state is shared; the script runs on every look the engine takes.
      auto shared = std::shared_ptr<os::FakeChildState>(&state, [](os::FakeChildState*) {});
      child = std::make_shared<ScriptedChild>(shared, script);
      auto* scripted = child.get();
      state.onPoll = [scripted] { scripted->Poll(); };
    };
  }
  void TearDown() override { SetLogFile(L""); }

  std::unique_ptr<OpenVpner> MakeEngine(int32_t routeMode = kRouteGlobal,
                                        std::chrono::milliseconds stopGrace = std::chrono::milliseconds(300)) {
    OpenVpner::Tools tools;
    tools.writeConfig = [this](const Connector&) {
      ++configWrites;
      return configWorks;
    };
    tools.credentials = [] { return TunnelCredentials{"alice", "s3cret"}; };
    tools.checkTapAdapter = [this](OpenVpner& engine) { engine.SetTapResult(tapWorks, tapWorks ? "GUID" : ""); };
    tools.logFile = dir.File(L"openvpn.log");
    tools.stopGrace = stopGrace;
    tools.pollInterval = std::chrono::milliseconds(1);
    auto engine = std::make_unique<OpenVpner>(tools);
    engine->SetTarget(routeMode, {kProtocolOvpnUdp, L"198.51.100.4", L"1194"});
    engine->Attach(&recorder);
    return engine;
  }

  std::string File(const wchar_t* name) {
    std::string bytes;
    (void)ReadFileBytes(dir.File(name), bytes);
    return bytes;
  }
  std::vector<std::wstring> RouteCommands() {
    std::vector<std::wstring> lines;
    for (const auto& r : launcher.Requests()) {
      if (r.fileName == kRouteLibrary) lines.push_back(r.commandLine);
    }
    return lines;
  }

  testing::TempDir dir;
  RecordingLauncher launcher;
  ScopedLauncher scoped{launcher};
  EngineRecorder recorder;
  ChildScript script;
  std::shared_ptr<ScriptedChild> child;
  bool configWorks = true;
  bool tapWorks = true;
  int configWrites = 0;
};

TEST(OpenVpnCommand, CommandLineAndAnswers) {
  EXPECT_EQ(OpenVpnCommandLine(), L"openvpn.exe  --config client.ovpn --service nimbrookjsq_exit_event 0");
  EXPECT_EQ(AuthAnswer("alice"), "alice\r\n");
  EXPECT_EQ(AuthAnswer(""), "\r\n");
  const std::string answer = AuthAnswer(std::string(300, 'p'));
  EXPECT_EQ(answer.size(), kAuthAnswerSize);
  EXPECT_EQ(answer.substr(answer.size() - 2), "\r\n");
}

TEST_F(OpenVpnerTest, SuccessThenUserDisconnect) {
  script.lines = {"Tue Dec  7 13:00:01 2026 TCP/UDP: Preserving recently used remote address\n", kUpLines,
                  "Tue Dec  7 13:00:03 2026 Initialization Sequence Completed\n"};
  auto engine = MakeEngine();
  engine->Connect();
  ASSERT_TRUE(recorder.WaitForCode(kCodeConnected));
  EXPECT_EQ(engine->RunFlag(), "true");
  engine->Disconnect();
  ASSERT_TRUE(recorder.WaitForEnd());
  ASSERT_TRUE(testing::WaitForAttemptEnd(*engine));

  EXPECT_EQ(recorder.All(), (std::vector<Seen>{kConnecting, kConnected, kDisconnecting, kDisconnected}));
  EXPECT_EQ(engine->State(), kStateIdle);
  EXPECT_EQ(engine->RunFlag(), "");
  EXPECT_EQ(engine->TunnelAdapterId(), "{3E7A3B1C-9F2D-4C2B-9B3C-5C2D4E6F7A8B}");

  const auto requests = launcher.Requests();
  ASSERT_EQ(requests.size(), 1u);  // route mode 2: no route tool
  EXPECT_EQ(requests[0].commandLine, L"openvpn.exe  --config client.ovpn --service nimbrookjsq_exit_event 0");
  EXPECT_EQ(requests[0].subDir, L"openvpn");
  EXPECT_TRUE(requests[0].pipeInput);
  EXPECT_TRUE(requests[0].pipeOutput);
  EXPECT_EQ(launcher.Children()[0]->Writes(), (std::vector<std::string>{"alice\r\n", "s3cret\r\n"}));
  EXPECT_TRUE(launcher.Children()[0]->inputClosed);
  EXPECT_EQ(launcher.Children()[0]->terminations, 0);

  // The log: the head with its zero byte, then every output chunk as read, prompts left out.
  const std::string log = File(L"openvpn.log");
  const std::string head(kOpenVpnLogHead, sizeof kOpenVpnLogHead);
  ASSERT_EQ(head.size(), 19u);
  EXPECT_EQ(log, head + script.lines[0] + script.lines[1] + script.lines[2] +
                     "SIGTERM[hard,] received, process exiting\n");
  EXPECT_EQ(File(L"nimbrook.log"), "OVPN手动断开\n");
}

TEST_F(OpenVpnerTest, DropAfterTheTunnelWasUp) {
  script.lines = {"Initialization Sequence Completed\n", "Connection reset, restarting [0]\n"};
  script.endAfterLines = true;
  auto engine = MakeEngine();
  engine->Connect();
  ASSERT_TRUE(recorder.WaitForEnd());
  ASSERT_TRUE(testing::WaitForAttemptEnd(*engine));
  EXPECT_EQ(recorder.All(), (std::vector<Seen>{kConnecting, kConnected, kDropped}));
  EXPECT_EQ(File(L"nimbrook.log"), "OVPN异常断开\n");
}

TEST_F(OpenVpnerTest, ErrorWhileConnectingStopsTheChildAndFails) {
  script.lines = {"TLS Error: TLS key negotiation failed to occur within 60 seconds (check your network connectivity)\n"};
  auto engine = MakeEngine();
  engine->Connect();
  ASSERT_TRUE(recorder.WaitForEnd());
  ASSERT_TRUE(testing::WaitForAttemptEnd(*engine));
  EXPECT_EQ(recorder.All(), (std::vector<Seen>{kConnecting, kFailed}));
  EXPECT_EQ(launcher.Children()[0]->terminations, 0);  // it honoured the exit event
  EXPECT_EQ(File(L"nimbrook.log"), "OVPN连接失败\n");
}

TEST_F(OpenVpnerTest, ErrorAfterTheTunnelWasUpIsADrop) {
  script.lines = {"Initialization Sequence Completed\n", "write UDP: Unknown error (code=10065)\n"};
  auto engine = MakeEngine();
  engine->Connect();
  ASSERT_TRUE(recorder.WaitForEnd());
  ASSERT_TRUE(testing::WaitForAttemptEnd(*engine));
  EXPECT_EQ(recorder.All(), (std::vector<Seen>{kConnecting, kConnected, kDropped}));
}

TEST_F(OpenVpnerTest, ThirdInactivityTimeoutStopsTheChild) {
  const std::string timeout = "Inactivity timeout (--ping-restart), restarting\n";
  script.lines = {timeout, timeout, "Initialization Sequence Completed\n", timeout, timeout, "still here\n",
                  timeout, "never read\n"};
  auto engine = MakeEngine();
  engine->Connect();
  ASSERT_TRUE(recorder.WaitForEnd());
  ASSERT_TRUE(testing::WaitForAttemptEnd(*engine));
  // The start in between reset the count: the third report after it stops the child, after the
  // tunnel was up, so the end is a drop.
  EXPECT_EQ(recorder.All(), (std::vector<Seen>{kConnecting, kConnected, kDropped}));
  const std::string log = File(L"openvpn.log");
  EXPECT_NE(log.find("still here"), std::string::npos);
  EXPECT_EQ(log.find("never read"), std::string::npos);
  EXPECT_EQ(engine->InactivityCount(), 0);
}

TEST_F(OpenVpnerTest, ThreeTimeoutsWhileConnectingFail) {
  const std::string timeout = "Inactivity timeout (--ping-restart), restarting\n";
  script.lines = {timeout, timeout, "between\n", timeout};
  auto engine = MakeEngine();
  engine->Connect();
  ASSERT_TRUE(recorder.WaitForEnd());
  ASSERT_TRUE(testing::WaitForAttemptEnd(*engine));
  EXPECT_EQ(recorder.All(), (std::vector<Seen>{kConnecting, kFailed}));
}

TEST_F(OpenVpnerTest, AChildThatIgnoresTheExitEventIsEndedAfterTheGrace) {
  script.lines = {"Initialization Sequence Completed\n"};
  script.ignoreExitEvent = true;
  auto engine = MakeEngine();
  engine->Connect();
  ASSERT_TRUE(recorder.WaitForCode(kCodeConnected));
  engine->Disconnect();
  ASSERT_TRUE(recorder.WaitForEnd());
  ASSERT_TRUE(testing::WaitForAttemptEnd(*engine));
  EXPECT_EQ(recorder.All(), (std::vector<Seen>{kConnecting, kConnected, kDisconnecting, kDisconnected}));
  EXPECT_EQ(launcher.Children()[0]->terminations, 1);
  EXPECT_EQ(File(L"nimbrook.log"), "OpenVPN未响应退出事件，强制结束进程\nOVPN手动断开\n");
}

TEST_F(OpenVpnerTest, EarlyExitFails) {
  script.endAfterLines = true;
  auto engine = MakeEngine();
  engine->Connect();
  ASSERT_TRUE(recorder.WaitForEnd());
  ASSERT_TRUE(testing::WaitForAttemptEnd(*engine));
  EXPECT_EQ(recorder.All(), (std::vector<Seen>{kConnecting, kFailed}));
}

TEST_F(OpenVpnerTest, UserDisconnectWhileConnecting) {
  script.lines = {"TCP/UDP: Preserving recently used remote address\n"};
  auto engine = MakeEngine();
  engine->Connect();
  ASSERT_TRUE(recorder.WaitForCode(kCodeProgress));
  // Wait until the child is past its prompts, so the disconnect meets a running child.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (launcher.Children().empty() || launcher.Children()[0]->Writes().size() < 2) {
    ASSERT_LT(std::chrono::steady_clock::now(), deadline);
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  engine->Disconnect();
  ASSERT_TRUE(recorder.WaitForEnd());
  ASSERT_TRUE(testing::WaitForAttemptEnd(*engine));
  EXPECT_EQ(recorder.All(), (std::vector<Seen>{kConnecting, kDisconnecting, kDisconnected}));
}

TEST_F(OpenVpnerTest, DisconnectDuringTheAdapterCheckStartsNothing) {
  OpenVpner::Tools tools;
  tools.checkTapAdapter = [](OpenVpner& checked) {
    checked.SetTapResult(true, "GUID");
    checked.DisconnectWork();  // the user's click arrives while the check runs
  };
  tools.writeConfig = [](const Connector&) { return true; };
  OpenVpner cancelled(tools);
  cancelled.Attach(&recorder);
  cancelled.ConnectWork();
  EXPECT_EQ(recorder.All(), (std::vector<Seen>{kDisconnecting, kDisconnected}));
  EXPECT_TRUE(launcher.Requests().empty());
  EXPECT_EQ(cancelled.RunFlag(), "");
  EXPECT_FALSE(cancelled.AttemptRunning());
}

// The user's disconnect arrives just as the attempt ends (here: while its last notification is
// delivered). The attempt is over: the window hears nothing after the failure, and the next attempt
// is not cancelled by it.
TEST_F(OpenVpnerTest, ADisconnectAsTheAttemptEndsLeavesNothingBehind) {
  script.endAfterLines = true;
  auto engine = MakeEngine();
  class LateDisconnect final : public StateObserver {
   public:
    explicit LateDisconnect(OpenVpner& engine) : engine_(engine) {}
    void OnStateChanged(StateSubject* subject) override {
      if (subject->Code() == kCodeFailed && !done_) {
        done_ = true;
        engine_.DisconnectWork();
      }
    }

   private:
    OpenVpner& engine_;
    bool done_ = false;
  } late(*engine);
  engine->Attach(&late);

  engine->ConnectWork();
  EXPECT_EQ(recorder.All(), (std::vector<Seen>{kConnecting, kFailed}));
  EXPECT_EQ(engine->State(), kStateFailed);
  EXPECT_EQ(engine->RunFlag(), "");

  script.endAfterLines = false;
  script.lines = {"Initialization Sequence Completed\n"};
  engine->Connect();
  ASSERT_TRUE(recorder.WaitForCode(kCodeConnected));
  engine->Disconnect();
  ASSERT_TRUE(testing::WaitForAttemptEnd(*engine));
  EXPECT_EQ(recorder.All(),
            (std::vector<Seen>{kConnecting, kFailed, kConnecting, kConnected, kDisconnecting, kDisconnected}));
}

TEST_F(OpenVpnerTest, ADisconnectEndsAHangingAdapterCheck) {
  launcher.prepare = [](const LaunchRequest&, os::FakeChildState& state) {
    state.output.push_back("Available adapters [name, GUID, driver]:\r\n");  // then silence, and no end
  };
  OpenVpner::Tools tools;
  // Bounds far beyond the test's own wait: only the disconnect can end this check in time.
  tools.checkTapAdapter = [](OpenVpner& checked) {
    CheckTapAdapter(checked, TapToolBounds{std::chrono::hours(1), std::chrono::hours(1)});
  };
  tools.writeConfig = [](const Connector&) { return true; };
  tools.logFile = dir.File(L"openvpn.log");
  OpenVpner engine(tools);
  engine.Attach(&recorder);
  engine.Connect();
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (launcher.Requests().empty()) {
    ASSERT_LT(std::chrono::steady_clock::now(), deadline);
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  engine.Disconnect();
  ASSERT_TRUE(recorder.WaitForEnd());
  ASSERT_TRUE(testing::WaitForAttemptEnd(engine));

  EXPECT_EQ(recorder.All(), (std::vector<Seen>{kDisconnecting, kDisconnected}));
  const auto requests = launcher.Requests();
  ASSERT_EQ(requests.size(), 1u);  // nothing installed, OpenVPN never started
  EXPECT_EQ(requests[0].commandLine, L"openvpn.exe --show-adapters");
  EXPECT_EQ(launcher.Children()[0]->terminations, 1);
  EXPECT_EQ(File(L"nimbrook.log"), "openvpn.exe运行中止，已结束该进程\nOVPN手动断开\n");
}

TEST_F(OpenVpnerTest, DisconnectWithoutAnAttemptChangesNothing) {
  auto engine = MakeEngine();
  engine->DisconnectWork();
  EXPECT_TRUE(recorder.All().empty());
  EXPECT_EQ(engine->State(), kStateIdle);
  EXPECT_EQ(engine->RunFlag(), "");
}

TEST_F(OpenVpnerTest, RouteMode0AddsBeforeAndDeletesAfter) {
  script.lines = {"Initialization Sequence Completed\n"};
  script.endAfterLines = true;
  auto engine = MakeEngine(kRouteScopeAbroad);
  engine->ConnectWork();
  EXPECT_EQ(recorder.All(), (std::vector<Seen>{kConnecting, kConnected, kDropped}));
  const auto requests = launcher.Requests();
  ASSERT_EQ(requests.size(), 3u);
  EXPECT_EQ(requests[0].commandLine, kAddRouteCommand);
  EXPECT_EQ(requests[1].fileName, kOpenVpnExe);
  EXPECT_EQ(requests[2].commandLine, kDeleteRouteCommand);
}

TEST_F(OpenVpnerTest, RouteMode1AddsChinaRoutesOnceUp) {
  script.lines = {"Initialization Sequence Completed\n"};
  script.endAfterLines = true;
  auto engine = MakeEngine(kRouteScopeChina);
  engine->ConnectWork();
  EXPECT_EQ(RouteCommands(), (std::vector<std::wstring>{kChinaRouteCommand}));
  EXPECT_EQ(recorder.All(), (std::vector<Seen>{kConnecting, kConnected, kDropped}));
}

TEST_F(OpenVpnerTest, OtherRouteModesNeverStartTheRouteTool) {
  for (int32_t mode : {kRouteGlobal, kRouteDomain, kRouteUnset}) {
    script.lines = {"Initialization Sequence Completed\n"};
    script.endAfterLines = true;
    auto engine = MakeEngine(mode);
    engine->ConnectWork();
  }
  EXPECT_TRUE(RouteCommands().empty());
  // Each attempt did run its child to a tunnel: the route tool was not merely never reached.
  const auto requests = launcher.Requests();
  ASSERT_EQ(requests.size(), 3u);
  for (const auto& request : requests) EXPECT_EQ(request.fileName, kOpenVpnExe);
  const std::vector<Seen> once{kConnecting, kConnected, kDropped};
  std::vector<Seen> thrice;
  for (int i = 0; i < 3; ++i) thrice.insert(thrice.end(), once.begin(), once.end());
  EXPECT_EQ(recorder.All(), thrice);
}

TEST_F(OpenVpnerTest, SetUpFailures) {
  // No adapter: nothing else happens.
  tapWorks = false;
  auto engine = MakeEngine(kRouteScopeAbroad);
  engine->ConnectWork();
  EXPECT_EQ(recorder.All(), (std::vector<Seen>{{2, 3, L"str_tap_failed"}}));
  EXPECT_EQ(configWrites, 0);
  EXPECT_TRUE(launcher.Requests().empty());

  // The configuration cannot be written: the routes just added are taken back.
  tapWorks = true;
  configWorks = false;
  engine->ConnectWork();
  EXPECT_EQ(recorder.All().back(), kFailed);
  EXPECT_EQ(RouteCommands(), (std::vector<std::wstring>{kAddRouteCommand, kDeleteRouteCommand}));

  // OpenVPN cannot be started.
  configWorks = true;
  launcher.refuseWith = 2;
  engine->ConnectWork();
  EXPECT_EQ(recorder.All().back(), kFailed);
  EXPECT_NE(File(L"nimbrook.log").find("创建进程出错\n"), std::string::npos);
  EXPECT_FALSE(engine->AttemptRunning());
}

TEST_F(OpenVpnerTest, ASecondConnectWhileAnAttemptRunsIsRefused) {
  script.lines = {"Initialization Sequence Completed\n"};
  auto engine = MakeEngine();
  engine->Connect();
  ASSERT_TRUE(recorder.WaitForCode(kCodeConnected));
  engine->Connect();
  engine->Disconnect();
  ASSERT_TRUE(recorder.WaitForEnd());
  ASSERT_TRUE(testing::WaitForAttemptEnd(*engine));
  EXPECT_EQ(launcher.Requests().size(), 1u);
  EXPECT_EQ(recorder.All(), (std::vector<Seen>{kConnecting, kConnected, kDisconnecting, kDisconnected}));
  EXPECT_NE(File(L"nimbrook.log").find("OpenVPN连接仍在进行"), std::string::npos);
}

// The window's "AUTO" fallback: the failure notification of one OpenVPN variant starts the next
// variant on the same engine, from inside that notification, while the old worker still delivers it.
TEST_F(OpenVpnerTest, TheNextAttemptMayStartFromTheFailureNotification) {
  script.endAfterLines = true;  // every child ends before its tunnel is up
  auto engine = MakeEngine();
  class NextProtocol final : public StateObserver {
   public:
    explicit NextProtocol(OpenVpner& engine) : engine_(engine) {}
    void OnStateChanged(StateSubject* subject) override {
      if (subject->Code() != kCodeFailed || retried_) return;
      retried_ = true;
      engine_.SetTarget(kRouteGlobal, {kProtocolOvpnTcp, L"198.51.100.4", L"443"});
      engine_.Connect();
    }

   private:
    OpenVpner& engine_;
    bool retried_ = false;
  } next(*engine);
  engine->Attach(&next);

  engine->Connect();
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  const auto failures = [this] {
    int count = 0;
    for (const auto& seen : recorder.All()) count += seen.code == kCodeFailed ? 1 : 0;
    return count;
  };
  while (failures() < 2 && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  ASSERT_TRUE(testing::WaitForAttemptEnd(*engine));

  EXPECT_EQ(recorder.All(), (std::vector<Seen>{kConnecting, kFailed, kConnecting, kFailed}));
  ASSERT_EQ(launcher.Requests().size(), 2u);
  EXPECT_EQ(File(L"nimbrook.log"), "OVPN连接失败\nOVPN连接失败\n");
  EXPECT_EQ(engine->RunFlag(), "");
  EXPECT_FALSE(engine->AttemptRunning());
}

TEST_F(OpenVpnerTest, DestroyingAnEngineWithARunningChildEndsTheAttemptFirst) {
  script.lines = {"Initialization Sequence Completed\n"};
  script.ignoreExitEvent = true;
  auto engine = MakeEngine();
  engine->Connect();
  ASSERT_TRUE(recorder.WaitForCode(kCodeConnected));
  engine.reset();  // the worker must be done with the engine when this returns
  // The attempt's end is not delivered: whoever was attached may be gone by now.
  EXPECT_EQ(recorder.All(), (std::vector<Seen>{kConnecting, kConnected}));
  EXPECT_EQ(launcher.Children()[0]->terminations, 1);
}

TEST_F(OpenVpnerTest, AbandonEndsAStubbornChildWithoutItsGrace) {
  // The program leaves while the link will not go down: the child is ended at once, even with a
  // grace time longer than the wait below.
  script.lines = {"Initialization Sequence Completed\n"};
  script.ignoreExitEvent = true;
  auto engine = MakeEngine(kRouteGlobal, std::chrono::minutes(2));
  engine->Connect();
  ASSERT_TRUE(recorder.WaitForCode(kCodeConnected));
  engine->Disconnect();
  engine->Abandon();
  ASSERT_TRUE(testing::WaitForAttemptEnd(*engine, std::chrono::seconds(30)));
  EXPECT_EQ(launcher.Children()[0]->terminations, 1);
}

TEST_F(OpenVpnerTest, TheLatestEngineIsTheInstance) {
  auto first = MakeEngine();
  EXPECT_EQ(OpenVpner::Instance(), first.get());
  auto second = MakeEngine();
  EXPECT_EQ(OpenVpner::Instance(), second.get());
  first->Select();
  EXPECT_EQ(OpenVpner::Instance(), first.get());
  first.reset();
  EXPECT_EQ(OpenVpner::Instance(), nullptr);
}

}  // namespace
}  // namespace nimbrook
