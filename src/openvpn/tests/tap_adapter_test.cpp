// The TAP adapter: the line reader over a pipe, the texts the tools' output is judged by, the check
// with its installation fallback, and the driver removal.
#include "openvpn/tap_adapter.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "core/file_io.h"
#include "core/log.h"
#include "openvpn/open_vpner.h"
#include "openvpn/tests/engine_recorder.h"
#include "os/child_process_fake.h"
#include "routes/recording_launcher.h"
#include "testing/temp_dir.h"

namespace nimbrook {
namespace {

using testing::EngineRecorder;
using testing::RecordingLauncher;
using testing::ScopedLauncher;
using testing::Seen;

// A pipe whose peek fails with a chosen error.
class FailingOutput final : public os::ChildOutput {
 public:
  explicit FailingOutput(unsigned long error) : error_(error) {}
  os::PeekResult Peek(std::size_t) override {
    os::PeekResult result;
    result.error = error_;
    return result;
  }
  bool Read(std::size_t, std::string&) override { return false; }

 private:
  unsigned long error_;
};

std::shared_ptr<os::FakeChildState> Ended(std::vector<std::string> chunks) {
  auto state = std::make_shared<os::FakeChildState>();
  for (auto& chunk : chunks) state->output.push_back(std::move(chunk));
  state->outputClosed = true;
  state->exited = true;
  return state;
}

std::vector<std::string> AllLines(os::ChildOutput& pipe, os::ChildProcess* process, int* failures = nullptr) {
  std::vector<std::string> lines;
  std::string line;
  while (ReadLine(pipe, line, process, [failures] {
    if (failures) ++*failures;
  })) {
    lines.push_back(line);
  }
  return lines;
}

TEST(TapReadLine, SplitsAtCarriageReturnLineFeedAcrossChunks) {
  auto state = Ended({"Available adapters [name, GUID, driver]:\r\n'Eth", "ernet 3' {AB-CD} tap-windows6\r\n",
                      "\r\nlast\r\n"});
  os::FakeChildOutput pipe(state);
  os::FakeChildProcess process(state);
  int failures = 0;
  EXPECT_EQ(AllLines(pipe, &process, &failures),
            (std::vector<std::string>{"Available adapters [name, GUID, driver]:", "'Ethernet 3' {AB-CD} tap-windows6",
                                      "", "last"}));
  EXPECT_EQ(failures, 0);  // the tool's end is no failure
}

TEST(TapReadLine, LongLinesAndUnfinishedLastLines) {
  // A line of 1022 bytes plus its line end fits exactly; one byte more does not.
  auto fits = Ended({std::string(1022, 'a') + "\r\n"});
  os::FakeChildOutput fitsPipe(fits);
  EXPECT_EQ(AllLines(fitsPipe, nullptr), (std::vector<std::string>{std::string(1022, 'a')}));
  auto tooLong = Ended({std::string(1023, 'a') + "\r\n"});
  os::FakeChildOutput tooLongPipe(tooLong);
  EXPECT_TRUE(AllLines(tooLongPipe, nullptr).empty());
  auto noEnd = Ended({std::string(2000, 'b')});
  os::FakeChildOutput noEndPipe(noEnd);
  EXPECT_TRUE(AllLines(noEndPipe, nullptr).empty());

  // A tool that ended without a final line end: its last line is still read, and reading ends.
  auto unfinished = Ended({"Drivers installed successfully.\r\n1 device(s) were removed."});
  os::FakeChildOutput pipe(unfinished);
  os::FakeChildProcess process(unfinished);
  EXPECT_EQ(AllLines(pipe, &process),
            (std::vector<std::string>{"Drivers installed successfully.", "1 device(s) were removed."}));
}

TEST(TapReadLine, OnlyUnexpectedPipeFailuresAreReported) {
  int failures = 0;
  FailingOutput broken(os::kErrorBrokenPipe);
  EXPECT_TRUE(AllLines(broken, nullptr, &failures).empty());
  EXPECT_EQ(failures, 0);
  FailingOutput other(6);  // invalid handle
  EXPECT_TRUE(AllLines(other, nullptr, &failures).empty());
  EXPECT_EQ(failures, 1);
}

TEST(TapTexts, CommandLinesDirectoriesAndVerdicts) {
  EXPECT_EQ(ShowAdaptersCommandLine(), L"openvpn.exe --show-adapters");
  EXPECT_EQ(InstallDriverCommandLine(), L"tapinstall.exe install OemWin2k.inf tap0901");
  EXPECT_EQ(RemoveDriverCommandLine(), L"tapinstall.exe remove OemWin2k.inf tap0901");
  EXPECT_EQ(DriverSubDir(true), L"openvpn\\driver_x64");
  EXPECT_EQ(DriverSubDir(false), L"openvpn\\driver_x86");
  if (sizeof(void*) == 8) {
    EXPECT_TRUE(IsWindows64());
  }

  // Any brace pair counts; the first one is the identifier.
  EXPECT_EQ(AdapterIdFromListing("'TAP' {3E7A-11} tap-windows6'x' {B}"), "3E7A-11");
  EXPECT_EQ(AdapterIdFromListing("weird {} listing"), "");
  EXPECT_EQ(AdapterIdFromListing("} before {"), "");
  EXPECT_EQ(AdapterIdFromListing("Available adapters [name, GUID, driver]:"), "");

  EXPECT_TRUE(InstallSucceeded("Updating drivers for tap0901 from x.Drivers installed successfully."));
  EXPECT_TRUE(InstallSucceeded("Drivers updated successfully."));
  EXPECT_FALSE(InstallSucceeded("Device node created. Install is complete when drivers are installed..."));

  EXPECT_EQ(RemovalResult("No devices were removed."), L"str_tap_uninstall");
  EXPECT_EQ(RemovalResult("ROOT\\NET\\0000 : Removed1 device(s) were removed."), L"str_tap_uninstallok");
  EXPECT_EQ(RemovalResult("Remove failed"), L"str_tap_uninstallfailed");
}

class TapCheckTest : public ::testing::Test {
 protected:
  void SetUp() override {
    launcher.prepare = [this](const LaunchRequest& request, os::FakeChildState& state) {
      const std::string text = request.fileName == kOpenVpnExe ? listing : installerOutput;
      if (!text.empty()) state.output.push_back(text);
      if (request.fileName == hangingTool) return;  // prints its text, then neither ends nor prints more
      state.outputClosed = true;
      state.exited = true;
    };
    engine.Attach(&recorder);
  }
  RecordingLauncher launcher;
  ScopedLauncher scoped{launcher};
  OpenVpner engine;
  EngineRecorder recorder;
  std::string listing;
  std::string installerOutput;
  std::wstring hangingTool;
};

TEST_F(TapCheckTest, ListedAdapterIsReadyWithoutInstalling) {
  listing = "Available adapters [name, GUID, driver]:\r\n'OpenVPN TAP-Windows6' {D7A4-77} tap-windows6\r\n";
  CheckTapAdapter(engine);
  EXPECT_TRUE(engine.TapReady());
  EXPECT_EQ(engine.AdapterId(), "D7A4-77");
  ASSERT_EQ(launcher.Requests().size(), 1u);
  EXPECT_EQ(launcher.Requests()[0].commandLine, L"openvpn.exe --show-adapters");
  EXPECT_EQ(launcher.Requests()[0].subDir, L"openvpn");
  EXPECT_TRUE(launcher.Requests()[0].pipeOutput);
  EXPECT_TRUE(recorder.All().empty());
}

TEST_F(TapCheckTest, NoAdapterInstallsTheDriver) {
  listing = "Available adapters [name, GUID, driver]:\r\n";
  installerOutput = "Device node created. Install is complete when drivers are installed...\r\n"
                    "Updating drivers for tap0901 from C:\\p\\openvpn\\driver_x64\\OemWin2k.inf.\r\n"
                    "Drivers installed successfully.\r\n";
  CheckTapAdapter(engine);
  EXPECT_TRUE(engine.TapReady());
  EXPECT_EQ(engine.AdapterId(), "");
  ASSERT_EQ(launcher.Requests().size(), 2u);
  EXPECT_EQ(launcher.Requests()[1].commandLine, L"tapinstall.exe install OemWin2k.inf tap0901");
  EXPECT_EQ(launcher.Requests()[1].fileName, L"tapinstall.exe");
  EXPECT_EQ(launcher.Requests()[1].subDir, DriverSubDir(IsWindows64()));
  EXPECT_EQ(recorder.All(), (std::vector<Seen>{{1, 2, L"str_tap_installing"}, {1, 2, L"str_tap_ok"}}));
}

TEST_F(TapCheckTest, InstallerWithoutSuccessTextFails) {
  installerOutput = "Device node created. Install is complete when drivers are installed...\r\n"
                    "Updating drivers for tap0901 from OemWin2k.inf.\r\n";
  engine.SetTapResult(true, "old");
  CheckTapAdapter(engine);
  EXPECT_FALSE(engine.TapReady());
  EXPECT_EQ(recorder.All(), (std::vector<Seen>{{1, 2, L"str_tap_installing"}, {1, 2, L"str_tap_failed"}}));
}

TEST_F(TapCheckTest, ToolsThatDoNotStartKeepThePreviousResult) {
  testing::TempDir dir;
  SetLogFile(dir.File(L"nimbrook.log"));
  launcher.refuseWith = 2;  // a missing file: the launcher has logged it
  engine.SetTapResult(true, "kept");
  CheckTapAdapter(engine);
  EXPECT_TRUE(engine.TapReady());
  EXPECT_EQ(engine.AdapterId(), "kept");
  EXPECT_TRUE(recorder.All().empty());

  launcher.refuseWith = 1455;  // the system refused the start: the reason reaches the log
  CheckTapAdapter(engine);
  EXPECT_TRUE(engine.TapReady());
  EXPECT_TRUE(recorder.All().empty());
  std::string log;
  (void)ReadFileBytes(dir.File(L"nimbrook.log"), log);
  SetLogFile(L"");
  EXPECT_EQ(log, "openvpn.exe无法启动，错误码1455\n");
}

TEST(TapReadLine, AnUnfinishedLineOfALiveToolEndsAtTheDeadline) {
  auto live = std::make_shared<os::FakeChildState>();
  live->output.push_back("Updating drivers for tap0901 from OemWin2k.inf");  // no line end, no exit
  os::FakeChildOutput pipe(live);
  os::FakeChildProcess process(live);
  std::string line;
  EXPECT_FALSE(ReadLine(pipe, line, &process, {}, std::chrono::steady_clock::now()));
  EXPECT_EQ(line, "");
  EXPECT_EQ(live->output.size(), 1u);  // nothing taken from the pipe
}

TEST_F(TapCheckTest, HangingToolsAreEndedAtTheirBound) {
  const TapToolBounds bounds{std::chrono::milliseconds(30), std::chrono::milliseconds(30)};

  // A listing that never ends: nothing is known about the adapters, nothing is installed.
  hangingTool = kOpenVpnExe;
  listing = "Available adapters [name, GUID, driver]:\r\n";
  engine.SetTapResult(true, "kept");
  CheckTapAdapter(engine, bounds);
  EXPECT_TRUE(engine.TapReady());
  EXPECT_EQ(engine.AdapterId(), "kept");
  ASSERT_EQ(launcher.Requests().size(), 1u);
  EXPECT_EQ(launcher.Children()[0]->terminations, 1);
  EXPECT_TRUE(recorder.All().empty());

  // An installer that never ends fails the check.
  hangingTool = kTapInstallExe;
  installerOutput = "Device node created. Install is complete when drivers are installed...\r\n";
  CheckTapAdapter(engine, bounds);
  EXPECT_FALSE(engine.TapReady());
  ASSERT_EQ(launcher.Requests().size(), 3u);
  EXPECT_EQ(launcher.Children()[1]->terminations, 0);  // this listing ended by itself
  EXPECT_EQ(launcher.Children()[2]->terminations, 1);
  EXPECT_EQ(recorder.All(), (std::vector<Seen>{{1, 2, L"str_tap_installing"}, {1, 2, L"str_tap_failed"}}));

  // So does a remover: its output so far decides.
  installerOutput = "ROOT\\NET\\0000 : Removed\r\n";
  std::vector<std::wstring> shown;
  EXPECT_EQ(RemoveTapDriver([&shown](const std::wstring& id) { shown.push_back(id); }, bounds), L"str_tap_uninstallok");
  EXPECT_EQ(launcher.Children()[3]->terminations, 1);
  EXPECT_EQ(shown, (std::vector<std::wstring>{L"str_tap_uninstalling", L"str_tap_uninstallok"}));
}

TEST_F(TapCheckTest, RemovalReportsWhatTheRemoverSaid) {
  std::vector<std::wstring> shown;
  const auto show = [&shown](const std::wstring& id) { shown.push_back(id); };

  installerOutput = "No devices were removed.\r\n";
  EXPECT_EQ(RemoveTapDriver(show), L"str_tap_uninstall");
  installerOutput = "ROOT\\NET\\0000                                       : Removed\r\n1 device(s) were removed.\r\n";
  EXPECT_EQ(RemoveTapDriver(show), L"str_tap_uninstallok");
  installerOutput = "";
  EXPECT_EQ(RemoveTapDriver(show), L"str_tap_uninstallfailed");
  EXPECT_EQ(shown, (std::vector<std::wstring>{L"str_tap_uninstalling", L"str_tap_uninstall", L"str_tap_uninstalling",
                                              L"str_tap_uninstallok", L"str_tap_uninstalling",
                                              L"str_tap_uninstallfailed"}));
  EXPECT_EQ(launcher.Requests()[0].commandLine, L"tapinstall.exe remove OemWin2k.inf tap0901");

  launcher.refuseWith = 2;
  shown.clear();
  EXPECT_EQ(RemoveTapDriver(show), L"");
  EXPECT_TRUE(shown.empty());
}

}  // namespace
}  // namespace nimbrook
