// The notice pop-up on the headless window: the delayed navigation, its links and its ways out.
#include "ui/pop_wnd.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "os/shell.h"
#include "ui/tests/ui_test_support.h"

namespace nimbrook {
namespace {

using namespace toolkit;

struct RecordingShell : os::Shell {
  bool StartProgram(const std::wstring& commandLine) override {
    started.push_back(commandLine);
    return true;
  }
  bool OpenWithDefaultProgram(const std::wstring& target) override {
    opened.push_back(target);
    return true;
  }
  std::vector<std::wstring> started;
  std::vector<std::wstring> opened;
};

constexpr wchar_t kNoticeUrl[] = L"http://127.0.0.1:8080/notice?id=7";

class PopWndTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testing_ui::UseSkinAndTexts();
    owner = new testing_ui::OwnerWindow(L"ok.xml");
    ASSERT_NE(owner->Create(nullptr, L"", kWsPopup, 0), nullptr);
    ownerHandle = owner->GetHWND();
  }
  void TearDown() override {
    if (CWindowWnd::FromHandle(ownerHandle) != nullptr) owner->Close(kIdOk);
    CWindowWnd::RunPostedMessages();
  }
  CPopWnd* Make() {
    auto* pop = new CPopWnd(L"Notice of the day", kNoticeUrl, &shell);
    EXPECT_NE(pop->CreateOn(ownerHandle), nullptr);
    return pop;
  }
  static FakePaintHost::NativeChild* BrowserChild(CPopWnd* pop) {
    FakePaintHost* host = testing_ui::HostOf(pop->GetPaintManager());
    auto it = host->children.find(pop->GetBrowser());
    return it == host->children.end() ? nullptr : &it->second;
  }

  RecordingShell shell;
  testing_ui::OwnerWindow* owner = nullptr;
  WindowHandle ownerHandle = nullptr;
};

TEST_F(PopWndTest, TitleAndBrowserAreFoundAtCreation) {
  CPopWnd* pop = Make();
  CControlUI* title = pop->GetPaintManager().FindControl(L"title");
  ASSERT_NE(title, nullptr);
  EXPECT_EQ(title->GetText(), L"Notice of the day");
  ASSERT_NE(pop->GetBrowser(), nullptr);
  EXPECT_EQ(pop->GetBrowser()->GetWebBrowserEventHandler(), pop);
  pop->Close(kIdOk);
  EXPECT_EQ(pop->ShowModal(), kIdOk);
}

TEST_F(PopWndTest, BlankPageFirstThenTheNoticeAfterTheTimerWithoutBlocking) {
  CPopWnd* pop = Make();
  CPaintManagerUI& pm = pop->GetPaintManager();
  pm.DoLayout();   // "windowinit"
  FakePaintHost::NativeChild* child = BrowserChild(pop);
  ASSERT_NE(child, nullptr);
  ASSERT_EQ(child->navigations.size(), 1u);
  EXPECT_EQ(child->navigations[0], L"about:blank");
  FakePaintHost* host = testing_ui::HostOf(pm);
  ASSERT_EQ(host->timers.size(), 1u);
  EXPECT_EQ(host->timers.begin()->second, kNoticeNavigateDelayMs);
  pm.OnTimer(host->timers.begin()->first);
  ASSERT_EQ(child->navigations.size(), 2u);
  EXPECT_EQ(child->navigations[1], kNoticeUrl);
  EXPECT_TRUE(host->timers.empty());   // once only
  pop->Close(kIdOk);
  EXPECT_EQ(pop->ShowModal(), kIdOk);
}

TEST_F(PopWndTest, PayLinkAsksTheOwnerForThePaymentPageAndCloses) {
  CPopWnd* pop = Make();
  bool cancel = false;
  pop->NewWindow3(kInlinePayUrl, cancel);
  EXPECT_TRUE(cancel);
  ASSERT_EQ(owner->messages.size(), 1u);
  EXPECT_EQ(owner->messages[0], 0x2252u);
  EXPECT_TRUE(shell.opened.empty());
  EXPECT_EQ(pop->ShowModal(), kIdOk);
}

TEST_F(PopWndTest, OrdinaryLinkOpensInTheDefaultBrowserAndThePopUpStays) {
  CPopWnd* pop = Make();
  const WindowHandle handle = pop->GetHWND();
  bool cancel = false;
  pop->NewWindow3(L"https://example.com/offer", cancel);
  EXPECT_TRUE(cancel);
  ASSERT_EQ(shell.opened.size(), 1u);
  EXPECT_EQ(shell.opened[0], L"https://example.com/offer");
  EXPECT_TRUE(owner->messages.empty());
  CWindowWnd::RunPostedMessages();
  EXPECT_NE(CWindowWnd::FromHandle(handle), nullptr);
  // Almost the pay link is an ordinary (refused) address, not the pay link.
  pop->NewWindow3(L"inline:pay ", cancel);
  EXPECT_TRUE(owner->messages.empty());
  pop->Close(kIdOk);
  EXPECT_EQ(pop->ShowModal(), kIdOk);
}

TEST_F(PopWndTest, LinksToFilesProgramsAndOtherSchemesAreNotStarted) {
  CPopWnd* pop = Make();
  for (const wchar_t* url : {L"file:///C:/Windows/System32/calc.exe", L"C:\\evil.exe", L"cmd.exe /c del x",
                             L"javascript:alert(1)", L"\\\\server\\share\\x.exe", L"", L"http://",
                             L"ms-settings:network", L"http://x\r\nHost: y"}) {
    bool cancel = false;
    pop->NewWindow3(url, cancel);
    EXPECT_TRUE(cancel) << text::ToUtf8(url);
  }
  EXPECT_TRUE(shell.opened.empty());
  EXPECT_TRUE(shell.started.empty());
  pop->Close(kIdOk);
  EXPECT_EQ(pop->ShowModal(), kIdOk);
}

TEST(OpenableLinkTest, WebAndMailAddressesOnly) {
  EXPECT_TRUE(IsOpenableLink(L"http://a"));
  EXPECT_TRUE(IsOpenableLink(L"HTTPS://Example.com/x?y=1"));
  EXPECT_TRUE(IsOpenableLink(L"mailto:help@example.com"));
  EXPECT_FALSE(IsOpenableLink(L"https://"));
  EXPECT_FALSE(IsOpenableLink(L"ftp://example.com"));
  EXPECT_FALSE(IsOpenableLink(L"http:example.com"));
  EXPECT_FALSE(IsOpenableLink(L"http://a\"b"));
}

TEST_F(PopWndTest, HostInformationAndNoContextMenu) {
  CPopWnd* pop = Make();
  uint32_t size = 0, flags = 0, dbl = 99;
  EXPECT_TRUE(pop->GetHostInfo(size, flags, dbl));
  EXPECT_EQ(size, 20u);
  EXPECT_EQ(flags, 14u);
  EXPECT_EQ(dbl, 0u);
  EXPECT_TRUE(pop->ShowContextMenu());   // suppressed
  pop->Close(kIdOk);
  EXPECT_EQ(pop->ShowModal(), kIdOk);
}

TEST_F(PopWndTest, CloseButtonEndsWithOneAndEscapeIsIgnored) {
  CPopWnd* pop = Make();
  CPaintManagerUI& pm = pop->GetPaintManager();
  pm.DoLayout();
  const UiPoint pt = testing_ui::CenterOf(pm.FindControl(L"closebtn"));
  pop->PostMessage(kWmKeyDown, kVkEscape, 0);
  pop->PostMessage(kWmLButtonDown, 0, MakePointLParam(pt.x, pt.y));
  pop->PostMessage(kWmLButtonUp, 0, MakePointLParam(pt.x, pt.y));
  EXPECT_EQ(pop->ShowModal(), kIdOk);
}

TEST_F(PopWndTest, ShowOnRunsModallyOverTheOwner) {
  auto* pop = new CPopWnd(L"t", kNoticeUrl, &shell);
  // Nothing queued closes it: the headless loop gives up instead of hanging, and the owner is back.
  const unsigned code = pop->ShowOn(ownerHandle);
  EXPECT_EQ(code, kModalFailed);
  EXPECT_TRUE(CWindowWnd::IsWindowEnabled(ownerHandle));
  if (CWindowWnd* left = CWindowWnd::FromHandle(pop->GetHWND())) {
    left->Close(kIdOk);
    CWindowWnd::RunPostedMessages();
  }
}

class PopWndWithoutBrowserTest : public PopWndTest {
 protected:
  void SetUp() override {
    dir = std::filesystem::temp_directory_path() / "nimbrook_ui_notify";
    std::filesystem::create_directories(dir);
    std::ofstream(dir / "notify.xml") << "<Window size=\"300,200\"><VerticalLayout>"
                                         "<Button name=\"closebtn\" height=\"30\" /></VerticalLayout></Window>";
    std::ofstream(dir / "ok.xml") << "<Window size=\"100,100\"><VerticalLayout /></Window>";
    ASSERT_TRUE(CPaintManagerUI::SetResourcePath(dir.wstring()));
    PopWndTest::SetUp();
    ASSERT_TRUE(CPaintManagerUI::SetResourcePath(dir.wstring()));
  }
  void TearDown() override {
    PopWndTest::TearDown();
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
    testing_ui::UseSkinAndTexts();
  }
  std::filesystem::path dir;
};

TEST_F(PopWndWithoutBrowserTest, LayoutWithoutBrowserOrTitleStillWorks) {
  CPopWnd* pop = Make();
  EXPECT_EQ(pop->GetBrowser(), nullptr);
  CPaintManagerUI& pm = pop->GetPaintManager();
  pm.DoLayout();
  EXPECT_TRUE(testing_ui::HostOf(pm)->timers.empty());
  testing_ui::Click(pm, L"closebtn");
  EXPECT_EQ(pop->ShowModal(), kIdOk);
}

}  // namespace
}  // namespace nimbrook
