// Windows whose creation fails, opened the way the client opens them (menu and pickers, message box,
// notice pop-up): at whatever step creation failed, the window has received its final message once
// and deleted itself, and the caller neither deletes it again nor leaks it.
#include <gtest/gtest.h>

#include "toolkit/button.h"
#include "ui/menu_wnd.h"
#include "ui/pop_box.h"
#include "ui/pop_wnd.h"
#include "ui/protocol_wnd.h"
#include "ui/tests/ui_test_support.h"

namespace nimbrook {
namespace {

using namespace toolkit;
using Failure = CWindowWnd::HeadlessCreateFailure;

int g_finalMessages = 0;
int g_deletes = 0;

// The real pop-ups, counting their final message and their deletion.
class CountingMenu : public CMenuWnd {
 public:
  ~CountingMenu() override { ++g_deletes; }
  static bool Popup(CControlUI* owner, UiPoint screen) { return PopupWith<CountingMenu>(owner, screen); }

 protected:
  void OnFinalMessage(WindowHandle hWnd) override {
    ++g_finalMessages;
    CMenuWnd::OnFinalMessage(hWnd);
  }
};

class CountingProtocolWnd : public CProtocolWnd {
 public:
  using CProtocolWnd::CProtocolWnd;
  ~CountingProtocolWnd() override { ++g_deletes; }
  static bool Popup(CControlUI* owner, UiPoint screen) {
    return PopupWith<CountingProtocolWnd>(owner, screen, std::wstring(L"AUTO"),
                                          std::vector<std::wstring>{L"AUTO", L"PPTP"});
  }

 protected:
  void OnFinalMessage(WindowHandle hWnd) override {
    ++g_finalMessages;
    CProtocolWnd::OnFinalMessage(hWnd);
  }
};

class CountingPopWnd : public CPopWnd {
 public:
  CountingPopWnd() : CPopWnd(L"Notice", L"http://127.0.0.1:8080/notice") {}
  ~CountingPopWnd() override { ++g_deletes; }

 protected:
  void OnFinalMessage(WindowHandle hWnd) override {
    ++g_finalMessages;
    CPopWnd::OnFinalMessage(hWnd);
  }
};

struct Step {
  const char* name;
  Failure failure;
};
constexpr Step kSteps[] = {
    {"before the first message", Failure::kBeforeFirstMessage},
    {"at WM_NCCREATE", Failure::kAtNcCreate},
    {"at WM_CREATE", Failure::kAtCreate},
};

class FailedCreationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testing_ui::UseSkinAndTexts();
    g_finalMessages = 0;
    g_deletes = 0;
    owner = new testing_ui::OwnerWindow(L"okcancel.xml");
    ASSERT_NE(owner->Create(nullptr, L"", kWsPopup, 0), nullptr);
    ownerHandle = owner->GetHWND();
    owner->GetPaintManager().DoLayout();
    ownerControl = owner->GetPaintManager().FindControl(L"ok");
    ASSERT_NE(ownerControl, nullptr);
  }
  void TearDown() override {
    CWindowWnd::FailNextHeadlessCreate(Failure::kNone);
    if (CWindowWnd::FromHandle(ownerHandle) != nullptr) owner->Close(kIdOk);
    CWindowWnd::RunPostedMessages();
  }

  // Exactly one final message and one deletion since the last call.
  static void ExpectGoneOnce() {
    EXPECT_EQ(g_finalMessages, 1);
    EXPECT_EQ(g_deletes, 1);
    g_finalMessages = 0;
    g_deletes = 0;
  }
  // The owner survives the failed pop-up and takes input again.
  void ExpectOwnerIntact() {
    EXPECT_EQ(CWindowWnd::FromHandle(ownerHandle), owner);
    EXPECT_TRUE(CWindowWnd::IsWindowEnabled(ownerHandle));
  }

  testing_ui::OwnerWindow* owner = nullptr;
  WindowHandle ownerHandle = nullptr;
  CControlUI* ownerControl = nullptr;
};

TEST_F(FailedCreationTest, DropDownsThatCannotBeCreatedAreDeletedOnceByThemselves) {
  for (const Step& step : kSteps) {
    SCOPED_TRACE(step.name);
    CWindowWnd::FailNextHeadlessCreate(step.failure);
    EXPECT_FALSE(CountingMenu::Popup(ownerControl, {10, 10}));
    ExpectGoneOnce();
    CWindowWnd::FailNextHeadlessCreate(step.failure);
    EXPECT_FALSE(CountingProtocolWnd::Popup(ownerControl, {10, 10}));
    ExpectGoneOnce();
  }
  // No owner window at all ends the same way.
  EXPECT_FALSE(CountingMenu::Popup(nullptr, {10, 10}));
  ExpectGoneOnce();
  CButtonUI loose;
  EXPECT_FALSE(CountingMenu::Popup(&loose, {10, 10}));
  ExpectGoneOnce();
  auto* menu = new CountingMenu();
  EXPECT_FALSE(menu->Init(nullptr));
  ExpectGoneOnce();
  ExpectOwnerIntact();

  // And the next pop-up is made as usual.
  EXPECT_TRUE(CountingMenu::Popup(ownerControl, {10, 10}));
  EXPECT_EQ(g_finalMessages, 0);
  EXPECT_EQ(owner->SendMessage(kWmClose), 0);   // takes its pop-up with it
  ExpectGoneOnce();
}

TEST_F(FailedCreationTest, NoticePopUpThatCannotBeCreatedIsDeletedOnceByItself) {
  for (const Step& step : kSteps) {
    SCOPED_TRACE(step.name);
    CWindowWnd::FailNextHeadlessCreate(step.failure);
    EXPECT_EQ((new CountingPopWnd())->CreateOn(ownerHandle), nullptr);
    ExpectGoneOnce();
    CWindowWnd::FailNextHeadlessCreate(step.failure);
    EXPECT_EQ((new CountingPopWnd())->ShowOn(ownerHandle), kModalFailed);
    ExpectGoneOnce();
    ExpectOwnerIntact();
  }
}

// CPopBox::Show makes its own box, so a count cannot be put in: a second deletion is an
// AddressSanitizer error here and a box left behind a LeakSanitizer error at the end of the run.
TEST_F(FailedCreationTest, MessageBoxThatCannotBeCreatedAnswersCancel) {
  for (const Step& step : kSteps) {
    SCOPED_TRACE(step.name);
    CWindowWnd::FailNextHeadlessCreate(step.failure);
    EXPECT_EQ(CPopBox::Show(ownerHandle, kPopBoxOkCancel, L"Sure?"), kIdCancel);
    ExpectOwnerIntact();
  }
}

}  // namespace
}  // namespace nimbrook
