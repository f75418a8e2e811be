// The update window's decisions over a real check run against scripted downloads: waiting while the
// check runs, the hand-over to the login window, the update prompt and the updater's start, and the
// animation's frames and end.
#include "update_window/update_window_controller.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "account/descriptor_cipher.h"
#include "core/file_io.h"
#include "core/languages.h"
#include "core/paths.h"
#include "core/text.h"
#include "os/profile_file.h"
#include "testing/bytes.h"
#include "testing/temp_dir.h"
#include "toolkit/controls.h"
#include "toolkit/dialog_builder.h"
#include "toolkit/fake_paint_host.h"
#include "release_trust/tests/release_trust_vectors.h"
#include "update/update_check.h"

namespace nimbrook {
namespace {

using namespace toolkit;

constexpr char kLayout[] = R"(<?xml version="1.0" encoding="utf-8"?>
<Window size="800,572"><VerticalLayout><Label name="status" /><Control name="update_flase" /></VerticalLayout></Window>)";

class RecordingHost : public UpdateWindowHost {
 public:
  void StopPolling() override { calls.push_back(L"stop-polling"); }
  bool AskToUpdate() override {
    calls.push_back(L"ask");
    return accept;
  }
  bool StartUpdater(const std::wstring& path, const std::wstring& language) override {
    calls.push_back(L"updater " + path + L" " + language);
    return updaterStarts;
  }
  void QuitProgram() override { calls.push_back(L"quit"); }
  void OpenLoginWindow(const std::wstring& noticeId) override { calls.push_back(L"login " + noticeId); }

  std::vector<std::wstring> calls;
  bool accept = true;
  bool updaterStarts = true;
};

std::string Enc(const std::string& plain) { return EncodeDescriptorValue(plain); }

// A descriptor as the service serves it, with the given FILES lines.
std::string Descriptor(const std::string& files) {
  const std::string text = "[URL]\r\nversionURL=" + Enc("http://d.example/latest.ini") + "\r\ndownloadURL=" +
                           Enc("http://d.example/r2") + "\r\nloginURL=" + Enc("http://d.example/clogin.php") +
                           "\r\n[FILES]\r\n" + files;
  return testing::Utf16Le(text::AsciiToWide(text));
}

class UpdateWindowControllerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    saved = Paths();
    SetProcessPaths(ComputePaths(dir.File(L"Nimbrook.exe")));
    std::filesystem::create_directories(std::filesystem::path(Paths().configDir));
    ProcessLanguages().Assign({{L"update_check_alert", L"Checking…"}});
    pm.SetHost(&paintHost);
    paintHost.clientSize = {800, 572};
    CDialogBuilder builder;
    CControlUI* root = builder.CreateFromText(kLayout, L"update.xml", nullptr, &pm);
    ASSERT_NE(root, nullptr);
    ASSERT_TRUE(pm.AttachDialog(root));
  }
  void TearDown() override {
    ProcessLanguages().Assign({});
    SetProcessPaths(saved);
  }

  // A check whose downloads answer with descriptor (or fail when it is empty).
  void MakeCheck(const std::string& descriptor) {
    check = std::make_shared<UpdateCheck>(
        os::SystemProfile(),
        [descriptor](const std::wstring&, const std::wstring& path) {
          if (descriptor.empty()) return false;
          std::ofstream out(std::filesystem::path(path), std::ios::binary);
          out << descriptor;
          return true;
        },
        L"http://d.example/version.ini", UpdateDirectories{Paths().programDir, Paths().configDir});
    check->SetReleasePublicKey("");  // the descriptors here are unsigned
    controller = std::make_unique<UpdateWindowController>(pm, host, check, animation);
    EXPECT_TRUE(controller->Bind().empty());
    controller->OnWindowInit();
  }

  testing::TempDir dir;
  ProcessPaths saved;
  FakePaintHost paintHost;
  CPaintManagerUI pm;
  RecordingHost host;
  std::shared_ptr<UpdateAnimation> animation = std::make_shared<UpdateAnimation>();
  std::shared_ptr<UpdateCheck> check;
  std::unique_ptr<UpdateWindowController> controller;
};

TEST(UpdateLayoutTest, TheShippedLayoutHasTheStatusAndTheProgressImage) {
  std::string layout;
  ASSERT_TRUE(ReadFileBytes(text::FromUtf8(std::string(NIMBROOK_SOURCE_DIR) + "/skin/layouts/update.xml"), layout));
  FakePaintHost paintHost;
  CPaintManagerUI pm;
  pm.SetHost(&paintHost);
  CDialogBuilder builder;
  CControlUI* root = builder.CreateFromText(layout, L"update.xml", nullptr, &pm);
  ASSERT_NE(root, nullptr) << text::ToUtf8(builder.GetLastError());
  ASSERT_TRUE(pm.AttachDialog(root));
  RecordingHost host;
  UpdateWindowController controller(pm, host, nullptr, std::make_shared<UpdateAnimation>());
  EXPECT_TRUE(controller.Bind().empty());
}

TEST_F(UpdateWindowControllerTest, NothingToUpdateOpensTheLoginWindowOnce) {
  MakeCheck(Descriptor(""));
  EXPECT_EQ(pm.FindControl(L"status")->GetText(), L"Checking…");
  controller->OnPoll();  // still checking
  EXPECT_TRUE(host.calls.empty());
  check->Run();
  ASSERT_EQ(check->State(), kUpdateNothing);
  controller->OnPoll();
  controller->OnPoll();
  EXPECT_EQ(host.calls, (std::vector<std::wstring>{L"stop-polling", L"login "}));
  EXPECT_TRUE(animation->stop);
  EXPECT_EQ(controller->Outcome(), UpdateOutcome::LoginAfterCheck);
}

TEST_F(UpdateWindowControllerTest, AFailedCheckStillReachesTheLoginWindowWithItsNotice) {
  MakeCheck("");
  check->Run();
  ASSERT_EQ(check->State(), kUpdateCheckFailed);
  controller->OnPoll();
  EXPECT_EQ(host.calls, (std::vector<std::wstring>{L"stop-polling", L"login msg_checkupdate_err"}));
  EXPECT_TRUE(animation->stop);
}

TEST_F(UpdateWindowControllerTest, WithAKeyAnUnsignedUpdateIsNotOfferedAndTheLoginFollows) {
  MakeCheck(Descriptor("readme.txt=0123\r\n"));  // would be offered without a key
  check->SetReleasePublicKey(testing::kTestKey);
  check->Run();
  ASSERT_EQ(check->State(), kUpdateCheckFailed);
  controller->OnPoll();
  EXPECT_EQ(host.calls, (std::vector<std::wstring>{L"stop-polling", L"login msg_checkupdate_err"}));
}

TEST_F(UpdateWindowControllerTest, AcceptedUpdateStartsTheProgramDirectorysUpdaterWithTheLanguage) {
  SelectLanguage(L"chs");
  MakeCheck(Descriptor("readme.txt=0123\r\n"));  // missing on disk: to be fetched
  check->Run();
  ASSERT_EQ(check->State(), kUpdateNeeded);
  controller->OnPoll();
  EXPECT_EQ(host.calls, (std::vector<std::wstring>{L"stop-polling", L"ask", L"updater " + dir.Dir() + L"update.exe chs",
                                                   L"quit"}));
  EXPECT_EQ(controller->Outcome(), UpdateOutcome::UpdaterStarted);
  EXPECT_TRUE(animation->stop);
  SelectLanguage(L"eng");
}

TEST_F(UpdateWindowControllerTest, DecliningEndsTheClientAndAMissingUpdaterDoesNotLockItOut) {
  MakeCheck(Descriptor("readme.txt=0123\r\n"));
  check->Run();
  host.accept = false;
  controller->OnPoll();
  EXPECT_EQ(host.calls, (std::vector<std::wstring>{L"stop-polling", L"ask", L"quit"}));
  EXPECT_EQ(controller->Outcome(), UpdateOutcome::Declined);

  host.calls.clear();
  host.accept = true;
  host.updaterStarts = false;
  controller = std::make_unique<UpdateWindowController>(pm, host, check, animation);
  (void)controller->Bind();
  controller->OnPoll();
  ASSERT_EQ(host.calls.size(), 4u);
  EXPECT_EQ(host.calls.back(), L"login msg_checkupdate_err");
  EXPECT_EQ(controller->Outcome(), UpdateOutcome::LoginUpdaterFailed);
}

TEST_F(UpdateWindowControllerTest, TheAnimationCyclesSixFramesUntilStoppedOrTheWindowIsGone) {
  MakeCheck("");
  std::vector<std::wstring> images;
  int shown = 0;
  RunAnimation(
      *animation,
      [&] {
        controller->ShowFrame();
        images.push_back(pm.FindControl(L"update_flase")->GetBkImage());
        if (++shown == 8) animation->stop = true;
        return true;
      },
      [] {});
  ASSERT_EQ(images.size(), 8u);
  EXPECT_EQ(images[0], L"file='update_bar_1.png' source='0,0,188,33'");
  EXPECT_EQ(images[5], L"file='update_bar_6.png' source='0,0,188,33'");
  EXPECT_EQ(images[6], images[0]);

  // A window that is gone ends the loop even without the stop flag.
  animation->stop = false;
  int calls = 0;
  RunAnimation(*animation, [&] { return ++calls < 3; }, [] {});
  EXPECT_EQ(calls, 3);
}

}  // namespace
}  // namespace nimbrook
