// The builder callback and the custom controls it makes, in a window-less paint manager.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>

#include "toolkit/button.h"
#include "toolkit/controls.h"
#include "toolkit/dialog_builder.h"
#include "toolkit/fake_paint_host.h"
#include "toolkit/paint_manager.h"
#include "ui/button_ex.h"
#include "ui/dialog_builder_callback_ex.h"
#include "ui/embedded_panes.h"
#include "ui/list_container_element_ex.h"
#include "ui/telephone_wnd.h"
#include "ui/tests/ui_test_support.h"

namespace nimbrook {
namespace {

using namespace toolkit;
using testing_ui::CenterOf;

constexpr char kLayout[] = R"(<?xml version="1.0" encoding="utf-8"?>
<Window size="400,300">
  <VerticalLayout>
    <ButtonEx name="bx" height="30" text="ex" />
    <Button name="b" height="30" text="plain" />
    <telephone name="tel" height="30">
      <Control name="jiasu_telephone" width="20" bkimage="file='main_telephone.png'" mouse="false" />
      <Label name="number" text="400" mouse="false" />
    </telephone>
    <List name="list" header="hidden">
      <ListContainerElementEx name="row0" height="25" />
      <ListContainerElementEx name="row1" height="25" />
    </List>
  </VerticalLayout>
</Window>)";

struct Recorder : INotifyUI {
  void Notify(TNotifyUI& msg) override {
    types.push_back(msg.sType);
    senders.push_back(msg.pSender ? msg.pSender->GetName() : std::wstring());
    wParams.push_back(msg.wParam);
  }
  std::vector<std::wstring> types;
  std::vector<std::wstring> senders;
  std::vector<uintptr_t> wParams;
};

class CustomControlsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testing_ui::UseSkinAndTexts();
    pm.SetHost(&host);
    host.clientSize = {400, 300};
    CDialogBuilder builder;
    CControlUI* root = builder.CreateFromText(kLayout, L"custom.xml", &callback, &pm);
    ASSERT_NE(root, nullptr) << text::ToUtf8(builder.GetLastError());
    ASSERT_TRUE(pm.AttachDialog(root));
    pm.AddNotifier(&recorder);
    pm.OnClientResize(host.clientSize);
    pm.DoLayout();
    recorder.types.clear();
    recorder.senders.clear();
    recorder.wParams.clear();
  }

  FakePaintHost host;
  CPaintManagerUI pm;
  CDialogBuilderCallbackEx callback;
  Recorder recorder;
};

TEST(DialogBuilderCallbackExTest, MakesTheFiveElementsByExactName) {
  testing_ui::UseSkinAndTexts();
  CDialogBuilderCallbackEx callback;
  std::unique_ptr<CControlUI> bx(callback.CreateControl(L"ButtonEx"));
  EXPECT_NE(dynamic_cast<CButtonExUI*>(bx.get()), nullptr);
  std::unique_ptr<CControlUI> row(callback.CreateControl(L"ListContainerElementEx"));
  EXPECT_NE(dynamic_cast<CListContainerElementExUI*>(row.get()), nullptr);
  std::unique_ptr<CControlUI> tel(callback.CreateControl(L"telephone"));
  EXPECT_NE(dynamic_cast<CTelePhoneWndUI*>(tel.get()), nullptr);
  std::unique_ptr<CControlUI> jiasu(callback.CreateControl(L"jiasu"));
  EXPECT_NE(dynamic_cast<CJiasuWndUI*>(jiasu.get()), nullptr);
  std::unique_ptr<CControlUI> video(callback.CreateControl(L"video"));
  EXPECT_NE(dynamic_cast<CVideoWndUI*>(video.get()), nullptr);

  for (const wchar_t* other : {L"buttonex", L"BUTTONEX", L"Telephone", L"Jiasu", L"listcontainerelementex",
                               L"Button", L"", L"ButtonEx "}) {
    std::unique_ptr<CControlUI> none(callback.CreateControl(other));
    EXPECT_EQ(none, nullptr) << text::ToUtf8(other);
  }
}

TEST(DialogBuilderCallbackExTest, OtherLetterCaseIsLeftToTheToolkitAndRefused) {
  testing_ui::UseSkinAndTexts();
  FakePaintHost host;
  CPaintManagerUI pm;
  pm.SetHost(&host);
  CDialogBuilderCallbackEx callback;
  CDialogBuilder builder;
  std::unique_ptr<CControlUI> root(builder.CreateFromText(
      "<Window><VerticalLayout><buttonex name=\"x\"/></VerticalLayout></Window>", L"case.xml", &callback, &pm));
  EXPECT_EQ(root, nullptr);
  EXPECT_NE(builder.GetLastError().find(L"case.xml"), std::wstring::npos);
}

TEST_F(CustomControlsTest, ButtonExReportsButtonClassAndKeepsTheArrowCursor) {
  CControlUI* bx = pm.FindControl(L"bx");
  ASSERT_NE(bx, nullptr);
  EXPECT_EQ(bx->GetClass(), L"ButtonUI");
  pm.OnMouseMove(CenterOf(pm.FindControl(L"b")));
  EXPECT_EQ(host.cursor, UiCursor::Hand);
  pm.OnMouseMove(CenterOf(bx));
  EXPECT_EQ(host.cursor, UiCursor::Arrow);
  // Otherwise a button: a click is a click.
  pm.OnButtonDown(CenterOf(bx));
  pm.OnButtonUp(CenterOf(bx));
  ASSERT_FALSE(recorder.types.empty());
  EXPECT_EQ(recorder.types.back(), L"click");
  EXPECT_EQ(recorder.senders.back(), L"bx");
}

TEST_F(CustomControlsTest, TelephoneSwapsItsImageWhileHoveredAndShowsAHand) {
  CControlUI* tel = pm.FindControl(L"tel");
  CControlUI* mark = pm.FindControl(L"jiasu_telephone");
  ASSERT_NE(tel, nullptr);
  ASSERT_NE(mark, nullptr);
  EXPECT_EQ(mark->GetBkImage(), L"file='main_telephone.png'");
  pm.OnMouseMove(CenterOf(tel));
  EXPECT_EQ(mark->GetBkImage(), L"file='main_telephone_hor.png'");
  EXPECT_EQ(host.cursor, UiCursor::Hand);
  pm.OnMouseMove(CenterOf(pm.FindControl(L"b")));
  EXPECT_EQ(mark->GetBkImage(), L"file='main_telephone.png'");
}

TEST_F(CustomControlsTest, TelephoneClicksOnButtonDown) {
  CControlUI* tel = pm.FindControl(L"tel");
  pm.OnMouseMove(CenterOf(tel));
  recorder.types.clear();
  recorder.senders.clear();
  pm.OnButtonDown(CenterOf(tel));
  // Before the button comes up; the press may also have moved the focus.
  const auto click = std::find(recorder.types.begin(), recorder.types.end(), L"click");
  ASSERT_NE(click, recorder.types.end());
  EXPECT_EQ(recorder.senders[click - recorder.types.begin()], L"tel");
  pm.OnButtonUp(CenterOf(tel));
  EXPECT_EQ(std::count(recorder.types.begin(), recorder.types.end(), L"click"), 1);
}

TEST_F(CustomControlsTest, TelephoneRemovedByItsClickHandlerDoesNotCrash) {
  struct Remover : INotifyUI {
    CPaintManagerUI* pm;
    void Notify(TNotifyUI& msg) override {
      if (msg.sType == L"click" && msg.pSender && msg.pSender->GetName() == L"tel") {
        auto* parent = static_cast<CContainerUI*>(msg.pSender->GetParent());
        parent->Remove(msg.pSender);
      }
    }
  } remover;
  remover.pm = &pm;
  pm.AddNotifier(&remover);
  const UiPoint pt = CenterOf(pm.FindControl(L"tel"));
  pm.OnMouseMove(pt);
  pm.OnButtonDown(pt);
  pm.OnButtonUp(pt);
  EXPECT_EQ(pm.FindControl(L"tel"), nullptr);
  pm.RemoveNotifier(&remover);
}

TEST_F(CustomControlsTest, TelephoneWithoutItsChildStillClicks) {
  auto* tel = new CTelePhoneWndUI();
  tel->SetName(L"bare");
  auto* layout = static_cast<CContainerUI*>(pm.GetRoot());
  layout->Add(tel);
  tel->SetFixedHeight(30);
  pm.NeedUpdate();
  pm.DoLayout();
  pm.OnMouseMove(CenterOf(tel));
  pm.OnButtonDown(CenterOf(tel));
  ASSERT_FALSE(recorder.types.empty());
  EXPECT_EQ(recorder.senders.back(), L"bare");
}

TEST_F(CustomControlsTest, DoubleClickOnARowEndsWithItemDbClick) {
  CControlUI* row = pm.FindControl(L"row1");
  ASSERT_NE(row, nullptr);
  const UiPoint pt = CenterOf(row);
  pm.OnMouseMove(pt);
  pm.OnButtonDown(pt);
  pm.OnButtonUp(pt);
  pm.OnDoubleClick(pt);
  pm.OnButtonUp(pt);
  ASSERT_GE(recorder.types.size(), 3u);
  EXPECT_EQ(recorder.types.back(), L"itemdbclick");
  EXPECT_EQ(recorder.senders.back(), L"row1");
  const auto select = std::find(recorder.types.begin(), recorder.types.end(), L"itemselect");
  const auto click = std::find(recorder.types.begin(), recorder.types.end(), L"itemclick");
  EXPECT_NE(select, recorder.types.end());
  EXPECT_NE(click, recorder.types.end());
  EXPECT_EQ(std::count(recorder.types.begin(), recorder.types.end(), L"itemdbclick"), 1);
  // A single click alone never reports a double click.
  recorder.types.clear();
  const UiPoint other = CenterOf(pm.FindControl(L"row0"));
  pm.OnButtonDown(other);
  pm.OnButtonUp(other);
  EXPECT_EQ(std::count(recorder.types.begin(), recorder.types.end(), L"itemdbclick"), 0);
}

TEST(EmbeddedPanesTest, JiasuPaneHoldsTheTelephoneStripOfItsLayout) {
  testing_ui::UseSkinAndTexts();
  CJiasuWndUI pane;
  ASSERT_EQ(pane.GetCount(), 1);
  CControlUI* tel = pane.FindSubControl(L"telephone");
  ASSERT_NE(tel, nullptr);
  EXPECT_NE(dynamic_cast<CTelePhoneWndUI*>(tel), nullptr);
  EXPECT_NE(pane.FindSubControl(L"jiasu_telephone"), nullptr);
}

TEST(EmbeddedPanesTest, VideoPaneHoldsItsLayout) {
  testing_ui::UseSkinAndTexts();
  CVideoWndUI pane;
  ASSERT_EQ(pane.GetCount(), 1);
  EXPECT_NE(pane.FindSubControl(L"video_pane"), nullptr);
}

TEST(EmbeddedPanesTest, PaneJoinsAWindowTreeAndLeavesCleanly) {
  testing_ui::UseSkinAndTexts();
  FakePaintHost host;
  auto pm = std::make_unique<CPaintManagerUI>();
  pm->SetHost(&host);
  auto* root = new CVerticalLayoutUI();
  root->Add(new CJiasuWndUI());
  ASSERT_TRUE(pm->AttachDialog(root));
  pm->OnClientResize({400, 300});
  pm->DoLayout();
  EXPECT_NE(pm->FindControl(L"telephone"), nullptr);
  pm.reset();   // the pane's children are destroyed before its own manager
}

class BrokenPaneTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = std::filesystem::temp_directory_path() / "nimbrook_ui_panes";
    std::filesystem::create_directories(dir);
    ASSERT_TRUE(CPaintManagerUI::SetResourcePath(dir.wstring()));
  }
  void TearDown() override {
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
    testing_ui::UseSkinAndTexts();
  }
  void Write(const char* name, const char* content) { std::ofstream(dir / name) << content; }
  std::filesystem::path dir;
};

TEST_F(BrokenPaneTest, MissingOrBrokenLayoutLeavesThePaneEmpty) {
  {
    CVideoWndUI pane;
    EXPECT_EQ(pane.GetCount(), 0);
  }
  Write("video.xml", "<Window><VerticalLayout><Label name=\"x\"></VerticalLayout>");
  CVideoWndUI pane;
  EXPECT_EQ(pane.GetCount(), 0);
}

TEST_F(BrokenPaneTest, APaneInsideItsOwnLayoutStopsInsteadOfRecursing) {
  Write("jiasu.xml", "<Window><HorizontalLayout name=\"strip\"><jiasu name=\"inner\" /></HorizontalLayout></Window>");
  CJiasuWndUI pane;
  // Some levels are built, then the innermost pane is left empty; nothing recurses without end.
  EXPECT_EQ(pane.GetCount(), 1);
  int depth = 0;
  CControlUI* c = &pane;
  while (auto* container = dynamic_cast<CContainerUI*>(c)) {
    if (container->GetCount() == 0) break;
    c = container->GetItemAt(0);
    ++depth;
  }
  EXPECT_GT(depth, 1);
  EXPECT_LT(depth, 20);
}

}  // namespace
}  // namespace nimbrook
