// The OpenVPN engine against the console stand-ins of "openvpn.exe" and "tapinstall.exe", started for
// real through pipes in a program directory of the test's own: the notification sequences, the
// answers that reach the child, "openvpn.log", the exit event, the adapter check and the driver
// removal.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "core/file_io.h"
#include "core/log.h"
#include "core/paths.h"
#include "openvpn/open_vpner.h"
#include "openvpn/tap_adapter.h"
#include "openvpn/tests/engine_recorder.h"
#include "routes/launcher.h"
#include "routes/recording_launcher.h"
#include "routes/route_table.h"
#include "testing/temp_dir.h"

namespace nimbrook {
namespace {

using testing::EngineRecorder;
using testing::ScopedLauncher;
using testing::Seen;
using testing::kConnected;
using testing::kConnecting;
using testing::kDisconnected;
using testing::kDisconnecting;
using testing::kDropped;
using testing::kFailed;


// Passes every launch to the real launcher and keeps the route tool's command lines (the route tool
// itself is not run: it would change the test machine's routes).
class RouteInterceptingLauncher final : public Launcher {
 public:
  explicit RouteInterceptingLauncher(Launcher& real) : real_(real) {}
  LaunchResult Launch(const LaunchRequest& request) override {
    std::lock_guard<std::mutex> guard(lock);
    order.push_back(request.commandLine);
    if (request.fileName == kRouteLibrary) {
      LaunchResult fake = os::MakeFakeChild(std::make_shared<os::FakeChildState>(), {});
      return fake;
    }
    return real_.Launch(request);
  }
  std::mutex lock;
  std::vector<std::wstring> order;

 private:
  Launcher& real_;
};

class OpenVpnStandInTest : public ::testing::Test {
 protected:
  void SetUp() override {
    savedPaths = Paths();
    SetProcessPaths(ComputePaths(root.File(L"Nimbrook.exe")));
    SetLogFile(root.File(L"nimbrook.log"));
    const std::filesystem::path standins(NIMBROOK_STANDIN_DIR);
    const std::filesystem::path openvpn = root.Path() / "openvpn";
    std::filesystem::create_directories(openvpn);
    std::filesystem::copy_file(standins / "openvpn.exe", openvpn / "openvpn.exe");
    std::filesystem::copy_file(std::filesystem::path(NIMBROOK_SOURCE_DIR) / "data" / "openvpn" / "template.ovpn",
                               openvpn / "template.ovpn");
    for (const char* driver : {"driver_x64", "driver_x86"}) {
      std::filesystem::create_directories(openvpn / driver);
      std::filesystem::copy_file(standins / "tapinstall.exe", openvpn / driver / "tapinstall.exe");
      std::ofstream(openvpn / driver / "OemWin2k.inf") << "; tap0901\n";
    }
  }
  void TearDown() override {
    SetLogFile(L"");
    SetProcessPaths(savedPaths);
  }

  std::wstring OpenVpnFile(const wchar_t* name) { return JoinPath(Paths().openvpnDir, name); }
  std::string Read(const std::wstring& path) {
    std::string bytes;
    (void)ReadFileBytes(path, bytes);
    return bytes;
  }
  void Scenario(const char* name) { ASSERT_TRUE(WriteFileBytes(OpenVpnFile(L"scenario.txt"), name)); }
  void AdapterInstalled() { ASSERT_TRUE(WriteFileBytes(OpenVpnFile(L"tap_installed.txt"), "tap0901")); }

  std::unique_ptr<OpenVpner> MakeEngine(int32_t routeMode = kRouteGlobal) {
    OpenVpner::Tools tools;
    tools.credentials = [] { return TunnelCredentials{"alice", "s3cret"}; };
    tools.stopGrace = std::chrono::milliseconds(2000);
    auto engine = std::make_unique<OpenVpner>(tools);
    engine->SetTarget(routeMode, {kProtocolOvpnUdp, L"198.51.100.4", L"1194"});
    engine->Attach(&recorder);
    return engine;
  }

  // Connects, waits for the end of the attempt (disconnecting once connected when asked to).
  void Run(OpenVpner& engine, bool disconnectWhenUp) {
    engine.Connect();
    if (disconnectWhenUp) {
      ASSERT_TRUE(recorder.WaitForCode(kCodeConnected)) << ::testing::PrintToString(recorder.All());
      engine.Disconnect();
    }
    ASSERT_TRUE(recorder.WaitForEnd()) << ::testing::PrintToString(recorder.All());
    ASSERT_TRUE(testing::WaitForAttemptEnd(engine));
  }

  testing::TempDir root;
  ProcessPaths savedPaths;
  DirectoryLauncher realLauncher{os::SystemProcessStarter()};
  ScopedLauncher scoped{realLauncher};
  EngineRecorder recorder;
};

TEST_F(OpenVpnStandInTest, SuccessThenUserDisconnect) {
  AdapterInstalled();
  Scenario("success");
  auto engine = MakeEngine();
  Run(*engine, true);

  EXPECT_EQ(recorder.All(), (std::vector<Seen>{kConnecting, kConnected, kDisconnecting, kDisconnected}));
  EXPECT_EQ(engine->AdapterId(), "3E7A3B1C-9F2D-4C2B-9B3C-5C2D4E6F7A8B");
  EXPECT_EQ(engine->TunnelAdapterId(), "{3E7A3B1C-9F2D-4C2B-9B3C-5C2D4E6F7A8B}");
  // The answers reached the child exactly as written.
  EXPECT_EQ(Read(OpenVpnFile(L"auth.txt")), "alice\r\ns3cret\r\n");
  // The configuration was written for the target.
  EXPECT_NE(Read(OpenVpnFile(L"client.ovpn")).find("remote 198.51.100.4 1194"), std::string::npos);

  const std::string log = Read(JoinPath(Paths().programDir, L"openvpn.log"));
  ASSERT_GE(log.size(), 19u);
  EXPECT_EQ(log.substr(0, 19), std::string("Openvpn Connect...\0", 19));
  EXPECT_NE(log.find("Initialization Sequence Completed"), std::string::npos);
  EXPECT_NE(log.find("SIGTERM[hard,] received, process exiting"), std::string::npos);
  EXPECT_EQ(log.find("Enter Auth"), std::string::npos);
  EXPECT_EQ(Read(root.File(L"nimbrook.log")), "OVPN手动断开\n");
}

TEST_F(OpenVpnStandInTest, DropWithoutUserRequest) {
  AdapterInstalled();
  Scenario("drop");
  auto engine = MakeEngine();
  Run(*engine, false);
  EXPECT_EQ(recorder.All(), (std::vector<Seen>{kConnecting, kConnected, kDropped}));
  EXPECT_EQ(Read(root.File(L"nimbrook.log")), "OVPN异常断开\n");
}

TEST_F(OpenVpnStandInTest, ErrorWhileConnecting) {
  AdapterInstalled();
  Scenario("error");
  auto engine = MakeEngine();
  Run(*engine, false);
  EXPECT_EQ(recorder.All(), (std::vector<Seen>{kConnecting, kFailed}));
  EXPECT_NE(Read(JoinPath(Paths().programDir, L"openvpn.log")).find("TLS Error"), std::string::npos);
  // It ended through the exit event, not by force.
  EXPECT_EQ(Read(root.File(L"nimbrook.log")), "OVPN连接失败\n");
}

TEST_F(OpenVpnStandInTest, ThreeInactivityTimeouts) {
  AdapterInstalled();
  Scenario("inactivity");
  auto engine = MakeEngine();
  Run(*engine, false);
  EXPECT_EQ(recorder.All(), (std::vector<Seen>{kConnecting, kFailed}));
  // At least three reports were printed before the child was told to end (more only when two
  // arrived in one read).
  const std::string log = Read(JoinPath(Paths().programDir, L"openvpn.log"));
  size_t reports = 0;
  for (auto at = log.find("Inactivity timeout"); at != std::string::npos; at = log.find("Inactivity timeout", at + 1)) {
    ++reports;
  }
  EXPECT_GE(reports, 3u);
  EXPECT_EQ(Read(root.File(L"nimbrook.log")), "OVPN连接失败\n");
}

TEST_F(OpenVpnStandInTest, EarlyExit) {
  AdapterInstalled();
  Scenario("early-exit");
  auto engine = MakeEngine();
  Run(*engine, false);
  EXPECT_EQ(recorder.All(), (std::vector<Seen>{kConnecting, kFailed}));
  EXPECT_NE(Read(JoinPath(Paths().programDir, L"openvpn.log")).find("AUTH_FAILED"), std::string::npos);
}

TEST_F(OpenVpnStandInTest, ChildIgnoringTheExitEventIsEnded) {
  AdapterInstalled();
  Scenario("ignore-exit");
  auto engine = MakeEngine();
  Run(*engine, true);
  EXPECT_EQ(recorder.All(), (std::vector<Seen>{kConnecting, kConnected, kDisconnecting, kDisconnected}));
  EXPECT_EQ(Read(root.File(L"nimbrook.log")), "OpenVPN未响应退出事件，强制结束进程\nOVPN手动断开\n");
}

TEST_F(OpenVpnStandInTest, RouteMode0AroundTheChild) {
  AdapterInstalled();
  Scenario("drop");
  RouteInterceptingLauncher intercepting(realLauncher);
  ScopedLauncher scopedRoutes(intercepting);
  auto engine = MakeEngine(kRouteScopeAbroad);
  Run(*engine, false);
  EXPECT_EQ(recorder.All(), (std::vector<Seen>{kConnecting, kConnected, kDropped}));
  EXPECT_EQ(intercepting.order, (std::vector<std::wstring>{ShowAdaptersCommandLine(), kAddRouteCommand,
                                                           OpenVpnCommandLine(), kDeleteRouteCommand}));
}

TEST_F(OpenVpnStandInTest, StandInRefusesAnyOtherCommandLine) {
  LaunchRequest request{kOpenVpnExe, L"openvpn.exe --config client.ovpn", kOpenVpnSubDir, false, true};
  LaunchResult child = LaunchInDirectory(request);
  ASSERT_TRUE(child.started());
  std::string output, line;
  while (ReadLine(*child.output, line, child.process.get())) output += line + "\n";
  EXPECT_NE(output.find("Options error: unexpected command line: openvpn.exe --config client.ovpn"), std::string::npos);
}

TEST_F(OpenVpnStandInTest, AdapterCheckInstallsOnceThenFindsTheAdapter) {
  auto engine = MakeEngine();
  CheckTapAdapter(*engine);
  EXPECT_TRUE(engine->TapReady());
  EXPECT_EQ(engine->AdapterId(), "");
  EXPECT_EQ(recorder.All(), (std::vector<Seen>{{1, 2, L"str_tap_installing"}, {1, 2, L"str_tap_ok"}}));

  CheckTapAdapter(*engine);
  EXPECT_TRUE(engine->TapReady());
  EXPECT_EQ(engine->AdapterId(), "3E7A3B1C-9F2D-4C2B-9B3C-5C2D4E6F7A8B");
  EXPECT_EQ(recorder.All().size(), 2u);  // nothing installed the second time
}

TEST_F(OpenVpnStandInTest, FailedInstallFailsTheConnection) {
  for (const wchar_t* driver : {L"driver_x64", L"driver_x86"}) {
    ASSERT_TRUE(WriteFileBytes(JoinPath(OpenVpnFile(driver), L"install_fails.txt"), "1"));
  }
  auto engine = MakeEngine();
  Run(*engine, false);
  EXPECT_EQ(recorder.All(), (std::vector<Seen>{{1, 2, L"str_tap_installing"},
                                               {1, 2, L"str_tap_failed"},
                                               {2, 3, L"str_tap_failed"}}));
  EXPECT_FALSE(FileExists(OpenVpnFile(L"auth.txt")));  // OpenVPN itself never started
}

TEST_F(OpenVpnStandInTest, DriverRemoval) {
  AdapterInstalled();
  std::vector<std::wstring> shown;
  const auto show = [&shown](const std::wstring& id) { shown.push_back(id); };
  EXPECT_EQ(RemoveTapDriver(show), L"str_tap_uninstallok");
  EXPECT_EQ(RemoveTapDriver(show), L"str_tap_uninstall");
  EXPECT_EQ(shown, (std::vector<std::wstring>{L"str_tap_uninstalling", L"str_tap_uninstallok", L"str_tap_uninstalling",
                                              L"str_tap_uninstall"}));
}

}  // namespace
}  // namespace nimbrook
