// The message box on the headless window: texts per kind, and the close code of every way out.
#include "ui/pop_box.h"

#include <gtest/gtest.h>

#include "ui/tests/ui_test_support.h"

namespace nimbrook {
namespace {

using namespace toolkit;

class PopBoxTest : public ::testing::Test {
 protected:
  void SetUp() override { testing_ui::UseSkinAndTexts(); }

  // Creates a box and lays it out (which sends "windowinit").
  CPopBox* Make(const std::wstring& kind, const std::wstring& message = L"The message") {
    auto* box = new CPopBox(kind, message);
    EXPECT_NE(box->Create(nullptr, L"", kWsPopup, kWsExToolWindow), nullptr);
    box->CenterWindow();
    box->GetPaintManager().DoLayout();
    return box;
  }
  static std::wstring TextOf(CPopBox* box, const wchar_t* name) {
    CControlUI* c = box->GetPaintManager().FindControl(name);
    return c ? c->GetText() : L"<missing>";
  }
  // Queues a click on the named button and runs the box modally until it closes.
  static unsigned ClickAndRun(CPopBox* box, const wchar_t* name) {
    CPaintManagerUI& pm = box->GetPaintManager();
    const UiPoint pt = testing_ui::CenterOf(pm.FindControl(name));
    box->PostMessage(kWmLButtonDown, 0, MakePointLParam(pt.x, pt.y));
    box->PostMessage(kWmLButtonUp, 0, MakePointLParam(pt.x, pt.y));
    return box->ShowModal();   // the box is deleted when this returns
  }
};

TEST_F(PopBoxTest, OkBoxTextsAndItsThreeWaysOut) {
  CPopBox* box = Make(kPopBoxOk, L"Line one\nline two");
  EXPECT_EQ(TextOf(box, L"title"), L"T:msg_title");
  EXPECT_EQ(TextOf(box, L"text"), L"Line one\nline two");
  EXPECT_EQ(TextOf(box, L"ok"), L"T:ok");
  EXPECT_EQ(box->GetPaintManager().FindControl(L"cancel"), nullptr);
  EXPECT_EQ(ClickAndRun(box, L"ok"), kIdOk);

  box = Make(kPopBoxOk);
  EXPECT_EQ(ClickAndRun(box, L"closebtn"), kIdCancel);

  box = Make(kPopBoxOk);
  box->PostMessage(kWmKeyDown, kVkEscape, 0);
  EXPECT_EQ(box->ShowModal(), kIdCancel);
}

TEST_F(PopBoxTest, OkCancelBox) {
  CPopBox* box = Make(kPopBoxOkCancel);
  EXPECT_EQ(TextOf(box, L"title"), L"T:msg_title");
  EXPECT_EQ(TextOf(box, L"ok"), L"T:ok");
  EXPECT_EQ(TextOf(box, L"cancel"), L"T:cancel");
  EXPECT_EQ(ClickAndRun(box, L"cancel"), kIdCancel);
  box = Make(kPopBoxOkCancel);
  EXPECT_EQ(ClickAndRun(box, L"ok"), kIdOk);
}

TEST_F(PopBoxTest, UpdateNowBoxShowsTheUpdateTexts) {
  CPopBox* box = Make(kPopBoxUpdateNow, L"Version 2 is out");
  EXPECT_EQ(TextOf(box, L"title"), L"T:update_tip");
  EXPECT_EQ(TextOf(box, L"ok"), L"T:update_now");
  EXPECT_EQ(TextOf(box, L"text"), L"Version 2 is out");
  EXPECT_FALSE(TextOf(box, L"cancel").empty());   // never an unlabelled button
  EXPECT_EQ(ClickAndRun(box, L"ok"), kIdOk);
}

TEST_F(PopBoxTest, MessageTextIsShownUnchangedAndNotLookedUp) {
  CPopBox* box = Make(kPopBoxOk, L"ok");
  EXPECT_EQ(TextOf(box, L"text"), L"ok");
  box->Close(kIdOk);
  EXPECT_EQ(box->ShowModal(), kIdOk);
}

TEST_F(PopBoxTest, KindWithoutLayoutIsAnEmptyWindowThatEscapeCloses) {
  CPopBox* box = Make(L"no_such_kind");
  EXPECT_EQ(box->GetPaintManager().GetRoot(), nullptr);
  // It is given a size so that it can be seen at all.
  EXPECT_GT(box->GetClientRect().Width(), 0);
  EXPECT_GT(box->GetClientRect().Height(), 0);
  box->PostMessage(kWmKeyDown, 'A', 0);
  box->PostMessage(kWmKeyDown, kVkEscape, 0);
  EXPECT_EQ(box->ShowModal(), kIdCancel);
}

TEST_F(PopBoxTest, KindsAreComparedExactly) {
  // Resource names ignore letter case, as on Windows: "OK.xml" is the ok layout, but the texts of
  // kind "ok" are not applied to kind "OK".
  CPopBox* box = Make(L"OK");
  ASSERT_NE(box->GetPaintManager().GetRoot(), nullptr);
  EXPECT_NE(TextOf(box, L"title"), L"T:msg_title");
  EXPECT_EQ(TextOf(box, L"text"), L"The message");
  box->PostMessage(kWmKeyDown, kVkEscape, 0);
  EXPECT_EQ(box->ShowModal(), kIdCancel);
}

TEST_F(PopBoxTest, StandardCreationMakesABorderlessWindowOfItsClass) {
  auto* box = new CPopBox(kPopBoxOk, L"x");
  ASSERT_NE(box->Create(nullptr, L"", kWsPopup | kWsCaption | kWsMaximizeBox, kWsExToolWindow), nullptr);
  const uint32_t style = box->GetStyle();
  EXPECT_EQ(style & kWsCaption, 0u);
  EXPECT_EQ(style & kWsMaximizeBox, 0u);
  EXPECT_EQ(style & (kWsClipChildren | kWsClipSiblings), kWsClipChildren | kWsClipSiblings);
  // The layout's size, and its caption strip drags while the close button clicks.
  EXPECT_EQ(box->GetClientRect().Width(), 400);
  EXPECT_EQ(box->GetClientRect().Height(), 210);
  box->GetPaintManager().DoLayout();
  const UiRect win = box->GetWindowRect();
  const UiPoint title = testing_ui::CenterOf(box->GetPaintManager().FindControl(L"title"));
  const UiPoint close = testing_ui::CenterOf(box->GetPaintManager().FindControl(L"closebtn"));
  const UiPoint ok = testing_ui::CenterOf(box->GetPaintManager().FindControl(L"ok"));
  EXPECT_EQ(box->SendMessage(kWmNcHitTest, 0, MakePointLParam(win.left + title.x, win.top + title.y)), kHtCaption);
  EXPECT_EQ(box->SendMessage(kWmNcHitTest, 0, MakePointLParam(win.left + close.x, win.top + close.y)), kHtClient);
  EXPECT_EQ(box->SendMessage(kWmNcHitTest, 0, MakePointLParam(win.left + ok.x, win.top + ok.y)), kHtClient);
  EXPECT_EQ(box->SendMessage(kWmNcCalcSize, 0, 0), 0);
  EXPECT_EQ(box->SendMessage(kWmNcPaint, 0, 0), 0);
  EXPECT_NE(box->SendMessage(kWmNcActivate, 0, 0), 0);
  EXPECT_EQ(box->SendMessage(kWmNcActivate, 1, 0), 0);
  box->Close(kIdOk);
  EXPECT_EQ(box->ShowModal(), kIdOk);
}

TEST_F(PopBoxTest, ShowRunsTheBoxOnItsParentAndGivesBackTheOwner) {
  auto* owner = new testing_ui::OwnerWindow(L"ok.xml");
  ASSERT_NE(owner->Create(nullptr, L"", kWsPopup, 0), nullptr);
  owner->ShowWindow(true, true);
  auto* box = new CPopBox(kPopBoxOkCancel, L"Sure?");
  ASSERT_NE(box->Create(owner->GetHWND(), L"", kWsPopup, kWsExToolWindow), nullptr);
  box->CenterWindow();
  const UiRect ownerRect = owner->GetWindowRect();
  const UiRect boxRect = box->GetWindowRect();
  EXPECT_EQ(boxRect.left + boxRect.Width() / 2, ownerRect.left + ownerRect.Width() / 2);
  box->PostMessage(kWmKeyDown, kVkEscape, 0);
  EXPECT_EQ(box->ShowModal(), kIdCancel);
  EXPECT_TRUE(CWindowWnd::IsWindowEnabled(owner->GetHWND()));
  owner->Close(kIdOk);
  CWindowWnd::RunPostedMessages();
}

}  // namespace
}  // namespace nimbrook
