// The launcher: where it starts a tool, what it refuses, and that the current directory always comes
// back, also while several workers launch at once.
#include "routes/launcher.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "core/file_io.h"
#include "core/languages.h"
#include "core/log.h"
#include "core/paths.h"
#include "os/child_process_fake.h"
#include "testing/temp_dir.h"

namespace nimbrook {
namespace {

// A starter that notes the current directory at the moment of each start.
class DirectoryNotingStarter final : public os::ProcessStarter {
 public:
  os::StartedChild Start(const os::ChildOptions& options) override {
    std::lock_guard<std::mutex> guard(lock);
    directories.push_back(os::CurrentDirectory());
    commandLines.push_back(options.commandLine);
    last = options;
    if (refuseWith != 0) {
      os::StartedChild refused;
      refused.error = refuseWith;
      return refused;
    }
    return os::MakeFakeChild(std::make_shared<os::FakeChildState>(), options);
  }
  std::mutex lock;
  std::vector<std::wstring> directories;
  std::vector<std::wstring> commandLines;
  os::ChildOptions last;
  unsigned long refuseWith = 0;
};

std::wstring Trimmed(std::wstring dir) {
  while (!dir.empty() && dir.back() == kPathSeparator) dir.pop_back();
  return dir;
}

class LauncherTest : public ::testing::Test {
 protected:
  void SetUp() override {
    previous = os::CurrentDirectory();
    ASSERT_TRUE(CreateDirectoryIfMissing(root.File(L"route")));
    ASSERT_TRUE(CreateDirectoryIfMissing(root.File(L"openvpn")));
    ASSERT_TRUE(CreateDirectoryIfMissing(JoinPath(root.File(L"openvpn"), L"driver_x64")));
    ASSERT_TRUE(WriteFileBytes(JoinPath(root.File(L"route"), L"cmroute.dll"), "MZ"));
    ASSERT_TRUE(WriteFileBytes(JoinPath(root.File(L"openvpn"), L"openvpn.exe"), "MZ"));
    ASSERT_TRUE(WriteFileBytes(JoinPath(JoinPath(root.File(L"openvpn"), L"driver_x64"), L"tapinstall.exe"), "MZ"));
    SetLogFile(root.File(L"nimbrook.log"));
    ProcessLanguages().Assign({{L"msg_no_route_file", L"缺少文件 #，请重新安装 # 。"}});
  }
  void TearDown() override {
    ProcessLanguages().Assign({});
    SetLogFile(L"");
    (void)os::SetCurrentDirectoryPath(previous);
  }
  std::string Log() {
    std::string bytes;
    (void)ReadFileBytes(root.File(L"nimbrook.log"), bytes);
    return bytes;
  }

  testing::TempDir root;
  std::wstring previous;
  DirectoryNotingStarter starter;
};

TEST_F(LauncherTest, StartsInTheSubDirectoryAndRestoresTheCurrentDirectory) {
  DirectoryLauncher launcher(starter, root.Dir());
  const std::wstring before = os::CurrentDirectory();

  LaunchRequest request{L"cmroute.dll", L"rundll32.exe cmroute.dll,SetRoutes", L"route", false, false};
  LaunchResult result = launcher.Launch(request);
  ASSERT_TRUE(result.started());
  EXPECT_EQ(result.input, nullptr);
  EXPECT_EQ(result.output, nullptr);

  request = {L"tapinstall.exe", L"tapinstall.exe install OemWin2k.inf tap0901", L"openvpn\\driver_x64", false, true};
  result = launcher.Launch(request);
  ASSERT_TRUE(result.started());
  EXPECT_NE(result.output, nullptr);
  EXPECT_EQ(result.input, nullptr);

  request = {L"openvpn.exe", L"openvpn.exe  --config client.ovpn", L"openvpn", true, true};
  result = launcher.Launch(request);
  ASSERT_TRUE(result.started());
  EXPECT_NE(result.output, nullptr);
  EXPECT_NE(result.input, nullptr);
  EXPECT_TRUE(starter.last.pipeInput);
  EXPECT_TRUE(starter.last.pipeOutput);

  ASSERT_EQ(starter.directories.size(), 3u);
  EXPECT_EQ(starter.directories[0], Trimmed(root.File(L"route")));
  EXPECT_EQ(starter.directories[1], Trimmed(JoinPath(root.File(L"openvpn"), L"driver_x64")));
  EXPECT_EQ(starter.directories[2], Trimmed(root.File(L"openvpn")));
  EXPECT_EQ(starter.commandLines[1], L"tapinstall.exe install OemWin2k.inf tap0901");
  EXPECT_EQ(os::CurrentDirectory(), before);
  EXPECT_EQ(Log(), "");
}

TEST_F(LauncherTest, MissingFileIsLoggedAndNothingStarts) {
  DirectoryLauncher launcher(starter, root.Dir());
  const std::wstring before = os::CurrentDirectory();

  const LaunchResult result = launcher.Launch({L"china.tem", L"x", L"route", false, false});
  EXPECT_FALSE(result.started());
  EXPECT_EQ(result.error, os::kErrorFileNotFound);
  // A sub-directory that does not exist is the same case: nothing to start from.
  const LaunchResult noDir = launcher.Launch({L"cmroute.dll", L"x", L"nowhere", false, false});
  EXPECT_FALSE(noDir.started());

  EXPECT_TRUE(starter.directories.empty());
  EXPECT_EQ(os::CurrentDirectory(), before);
  // Only the first "#" is the file name.
  EXPECT_EQ(Log(), "缺少文件 china.tem，请重新安装 # 。\n缺少文件 cmroute.dll，请重新安装 # 。\n");
}

TEST_F(LauncherTest, RefusedStartReportsTheSystemErrorAndRestoresTheDirectory) {
  DirectoryLauncher launcher(starter, root.Dir());
  const std::wstring before = os::CurrentDirectory();
  starter.refuseWith = 740;
  const LaunchResult result = launcher.Launch({L"cmroute.dll", L"rundll32.exe x", L"route", false, false});
  EXPECT_FALSE(result.started());
  EXPECT_EQ(result.error, 740u);
  EXPECT_EQ(os::CurrentDirectory(), before);
  EXPECT_EQ(Log(), "");
}

TEST_F(LauncherTest, ConcurrentLaunchesEachStartInTheirOwnDirectory) {
  DirectoryLauncher launcher(starter, root.Dir());
  const std::wstring before = os::CurrentDirectory();
  std::vector<std::thread> workers;
  for (int w = 0; w < 4; ++w) {
    workers.emplace_back([&launcher, w] {
      for (int i = 0; i < 50; ++i) {
        const bool route = (w + i) % 2 == 0;
        LaunchRequest request;
        request.fileName = route ? L"cmroute.dll" : L"openvpn.exe";
        request.subDir = route ? L"route" : L"openvpn";
        request.commandLine = request.subDir;  // lets the check below pair start and directory
        (void)launcher.Launch(request);
      }
    });
  }
  for (auto& worker : workers) worker.join();

  ASSERT_EQ(starter.directories.size(), 200u);
  for (size_t i = 0; i < starter.directories.size(); ++i) {
    EXPECT_EQ(starter.directories[i], Trimmed(root.File(starter.commandLines[i]))) << i;
  }
  EXPECT_EQ(os::CurrentDirectory(), before);
}

TEST(LauncherDirectory, ProgramDirectoryPlusSubDirectory) {
  const std::wstring sep(1, kPathSeparator);
  EXPECT_EQ(DirectoryLauncher::WorkingDirectory(sep + L"p" + sep, L"route"), sep + L"p" + sep + L"route" + sep);
  EXPECT_EQ(DirectoryLauncher::WorkingDirectory(sep + L"p" + sep, L"openvpn\\driver_x86"),
            sep + L"p" + sep + L"openvpn" + sep + L"driver_x86" + sep);
}

TEST(LauncherMissingFile, LineWithoutTranslationIsTheId) {
  ProcessLanguages().Assign({});
  EXPECT_EQ(MissingFileLine(L"cmroute.dll"), L"msg_no_route_file");
}

}  // namespace
}  // namespace nimbrook
