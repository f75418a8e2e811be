// The updater window's logic on its real layout: the texts of each language, one row per file and its
// progress as the update job reports it through the window's messages, the status line, and what
// Complete and Cancel do. The packed archive the updater carries holds the layout and its images.
#include "updater_window/updater_controller.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "account/descriptor_cipher.h"
#include "core/file_io.h"
#include "core/paths.h"
#include "core/text.h"
#include "os/process_list.h"
#include "testing/temp_dir.h"
#include "toolkit/button.h"
#include "toolkit/dialog_builder.h"
#include "toolkit/fake_paint_host.h"
#include "toolkit/list.h"
#include "toolkit/zip_archive.h"
#include "updater/update_list.h"
#include "../../updater/tests/updater_test_support.h"

namespace nimbrook {
namespace {

using namespace toolkit;

std::string ReadSource(const std::wstring& rel) {
  std::string bytes;
  EXPECT_TRUE(ReadFileBytes(JoinPath(text::FromUtf8(NIMBROOK_SOURCE_DIR), rel), bytes));
  return bytes;
}

struct RecordingHost : UpdaterWindowHost {
  void StartJob() override { calls.push_back("start-job"); }
  void ReleaseJob() override { calls.push_back("release-job"); }
  bool StartClient() override {
    calls.push_back("start-client");
    return true;
  }
  void Quit() override { calls.push_back("quit"); }
  std::vector<std::string> calls;
};

class UpdaterControllerTest : public ::testing::Test {
 protected:
  void Open(const std::wstring& language) {
    pm.SetHost(&paintHost);
    paintHost.clientSize = {490, 320};
    CDialogBuilder builder;
    const std::string layout = ReadSource(L"skin/update/WinMainFrame.xml");
    CControlUI* root = builder.CreateFromText(layout, L"WinMainFrame.xml", nullptr, &pm);
    ASSERT_NE(root, nullptr) << text::ToUtf8(builder.GetLastError());
    ASSERT_TRUE(pm.AttachDialog(root));
    pm.OnClientResize(paintHost.clientSize);
    controller = std::make_unique<UpdaterController>(pm, host, language);
    if (!forwarding) forwarding = pm.AddNotifier(&forward);
    pm.SendNotify(pm.GetRoot(), notify::kWindowInit);
    pm.DeliverAsyncNotifications();
  }
  std::wstring TextOf(const wchar_t* name) { return pm.FindControl(name)->GetText(); }
  bool Enabled(const wchar_t* name) { return pm.FindControl(name)->IsEnabled(); }
  void Click(const wchar_t* name) {
    TNotifyUI msg;
    msg.sType = notify::kClick;
    msg.pSender = pm.FindControl(name);
    controller->Notify(msg);
  }
  CListUI* List() { return static_cast<CListUI*>(pm.FindControl(L"list_status")); }
  std::vector<std::wstring> Rows() {
    std::vector<std::wstring> rows;
    for (int i = 0; i < List()->GetCount(); ++i) rows.push_back(List()->GetItemAt(i)->GetText());
    return rows;
  }

  struct Forward : INotifyUI {
    UpdaterControllerTest* test;
    explicit Forward(UpdaterControllerTest* t) : test(t) {}
    void Notify(TNotifyUI& msg) override { test->controller->Notify(msg); }
  } forward{this};
  bool forwarding = false;

  FakePaintHost paintHost;
  CPaintManagerUI pm;
  RecordingHost host;
  std::unique_ptr<UpdaterController> controller;
};

TEST_F(UpdaterControllerTest, WindowInitFillsTheLanguageTextsDisablesCompleteAndStartsTheJob) {
  struct Case {
    const wchar_t* language;
    const wchar_t* title;
    const wchar_t* tip;
    const wchar_t* complete;
    const wchar_t* cancel;
  };
  for (const Case& c : {Case{L"eng", L"Nimbrook Updater",
                             L"New version is available\r\nThe following content will be updated", L"Complete",
                             L"Cancel"},
                        Case{L"xyz", L"Nimbrook Updater",
                             L"New version is available\r\nThe following content will be updated", L"Complete",
                             L"Cancel"},
                        Case{L"chs", L"岚鹭加速器更新程序", L"检测到以下可用更新\r\n更新内容将自动升级到您的系统上",
                             L"完成", L"取消"},
                        Case{L"cht", L"岚鹭加速器更新程式", L"检測到以下可用更新\r\n更新內容將自動昇級到您的係統上",
                             L"完成", L"取消"}}) {
    SCOPED_TRACE(text::ToUtf8(c.language));
    host.calls.clear();
    Open(c.language);
    EXPECT_TRUE(controller->Bind().empty());
    EXPECT_EQ(TextOf(L"lab_title"), c.title);
    EXPECT_EQ(TextOf(L"lab_tip"), c.tip);
    EXPECT_EQ(TextOf(L"btn_complete"), c.complete);
    EXPECT_EQ(TextOf(L"btn_cancel"), c.cancel);
    EXPECT_FALSE(Enabled(L"btn_complete"));
    EXPECT_EQ(host.calls, (std::vector<std::string>{"start-job"}));
  }
}

TEST_F(UpdaterControllerTest, CompleteIsInertUntilSuccessThenStartsTheClientAndEnds) {
  Open(L"eng");
  Click(L"btn_complete");
  EXPECT_EQ(host.calls, (std::vector<std::string>{"start-job"}));
  controller->ShowCompleted();
  EXPECT_EQ(TextOf(L"lab_status"), L"Update completed,Click the button to restart");
  EXPECT_TRUE(Enabled(L"btn_complete"));
  Click(L"btn_complete");
  EXPECT_EQ(host.calls, (std::vector<std::string>{"start-job", "start-client", "release-job", "quit"}));
  Click(L"btn_cancel");  // the window is ending: nothing more
  EXPECT_EQ(host.calls.size(), 4u);
}

TEST_F(UpdaterControllerTest, CancelAlwaysEndsWithoutStartingTheClient) {
  Open(L"chs");
  Click(L"btn_cancel");
  EXPECT_EQ(host.calls, (std::vector<std::string>{"start-job", "release-job", "quit"}));
}

// The whole run as the window sees it: the job on a program directory with a scripted downloader, its
// reporter sending the window's messages to the controller.
class UpdaterRunTest : public UpdaterControllerTest {
 protected:
  UpdaterRunTest() : paths(ComputeUpdaterPaths(dir.Dir())) {
    EXPECT_TRUE(CreateDirectoryIfMissing(JoinPath(dir.Dir(), L"config")));
    env.downloader = &downloader;
    env.processes = &processes;
    env.sleep = [](int) {};
    env.releasePublicKey = "";  // the hand-over files here are unsigned
  }
  void WriteUpdateIni(const std::vector<std::string>& names) {
    std::string text = "[URL]\r\ndownloadURL=" + EncodeDescriptorValue("http://h/r/") + "\r\n[FILES]\r\n";
    for (const auto& name : names) text += name + "=stamp\r\n";
    ASSERT_TRUE(WriteFileBytes(paths.updateIni, text));
  }
  UpdateOutcome Run(const std::wstring& language) {
    Open(language);
    WindowReporter reporter(
        [this](unsigned msg, uintptr_t wParam, intptr_t lParam) {
          messages.push_back(msg);
          return controller->OnMessage(msg, wParam, lParam) ? 0 : -1;
        },
        [this](const std::wstring& text) { boxes.push_back(text); }, UpdaterTextsFor(language));
    UpdateJob job(paths, env, reporter);
    const UpdateOutcome outcome = job.RunWorker();
    reporter.Finished(outcome);
    return outcome;
  }

  testing::TempDir dir;
  UpdaterPaths paths;
  testing::FakeDownloader downloader;
  os::FakeProcessList processes;
  UpdateJobEnvironment env;
  std::vector<unsigned> messages;
  std::vector<std::wstring> boxes;
};

TEST_F(UpdaterRunTest, OneRowPerFileEachEndingFinishedAndTheStatusSaysCompleted) {
  WriteUpdateIni({"Nimbrook.exe", "docs\\changelog.txt", "readme.txt"});
  for (const wchar_t* rel : {L"Nimbrook.exe", L"docs\\changelog.txt", L"readme.txt"}) {
    downloader.answers[std::wstring(L"http://h/r/") + rel] = {{0, "bytes"}};
  }
  EXPECT_EQ(Run(L"eng"), UpdateOutcome::kSucceeded);
  EXPECT_EQ(Rows(), (std::vector<std::wstring>{L"Nimbrook.exe  Finished !", L"docs\\changelog.txt  Finished !",
                                               L"readme.txt  Finished !"}));
  EXPECT_EQ(List()->GetCurSel(), 2);
  for (int i = 0; i < List()->GetCount(); ++i) EXPECT_EQ(List()->GetItemAt(i)->GetFixedHeight(), kUpdaterRowHeight);
  EXPECT_EQ(TextOf(L"lab_status"), L"Update completed,Click the button to restart");
  EXPECT_TRUE(Enabled(L"btn_complete"));
  EXPECT_TRUE(boxes.empty());
}

TEST_F(UpdaterRunTest, AFailedFileStopsAtItsRowShowsTheFailureAndKeepsCompleteDisabled) {
  WriteUpdateIni({"a.txt", "missing.txt", "c.txt"});
  downloader.answers[L"http://h/r/a.txt"] = {{0, "a"}};
  downloader.answers[L"http://h/r/c.txt"] = {{0, "c"}};
  EXPECT_EQ(Run(L"chs"), UpdateOutcome::kFailed);
  EXPECT_EQ(Rows(), (std::vector<std::wstring>{L"a.txt  更新成功 !", L"missing.txt  正在更新中...", L"c.txt"}));
  const std::wstring failed = UpdaterTextsFor(L"chs").failed;
  EXPECT_EQ(failed.rfind(L"更新失败,请检查网络或者联系客服QQ:", 0), 0u);
  EXPECT_EQ(boxes, (std::vector<std::wstring>{failed}));
  EXPECT_EQ(TextOf(L"lab_status"), failed);
  EXPECT_FALSE(Enabled(L"btn_complete"));
}

TEST_F(UpdaterRunTest, ClientStillRunningShowsFailToStopAndTouchesNothing) {
  WriteUpdateIni({"a.txt"});
  processes.running = {L"Nimbrook.exe"};
  EXPECT_EQ(Run(L"cht"), UpdateOutcome::kClientStillRunning);
  EXPECT_EQ(boxes, (std::vector<std::wstring>{L"主程序無法停止"}));
  EXPECT_TRUE(Rows().empty());
  EXPECT_TRUE(downloader.urls.empty());
  EXPECT_FALSE(Enabled(L"btn_complete"));
}

TEST_F(UpdaterRunTest, AnEmptyListEndsTheUpdaterAtOnce) {
  WriteUpdateIni({});
  EXPECT_EQ(Run(L"eng"), UpdateOutcome::kNothingToUpdate);
  EXPECT_EQ(host.calls, (std::vector<std::string>{"start-job", "release-job", "quit"}));
  EXPECT_FALSE(FileExists(paths.updateIni));
}

TEST(UpdaterSkinArchive, HoldsTheLayoutAndEveryImageItNames) {
  std::string bytes;
  ASSERT_TRUE(ReadFileBytes(text::FromUtf8(NIMBROOK_UPDATER_SKIN), bytes));
  auto archive = ZipArchive::Open(std::move(bytes));
  ASSERT_TRUE(archive.has_value());
  const auto layout = archive->Read("WinMainFrame.xml");
  ASSERT_TRUE(layout.has_value());
  for (const char* image : {"bg_update.png", "btn_normal.png", "btn_hot.png", "btn_disabled.png"}) {
    EXPECT_NE(layout->find(image), std::string::npos) << image;
    EXPECT_TRUE(archive->Read(image).has_value()) << image;
  }
}

}  // namespace
}  // namespace nimbrook
