// How single controls look and behave: state images and colours, edits, progress and scroll bars,
// rich text, container ownership and the paths where a handler removes what is being used.
#include <gtest/gtest.h>

#include "toolkit/recording_render_context.h"
#include "toolkit_test_support.h"

namespace nimbrook::toolkit {
namespace {

using test::Window;

std::vector<std::wstring> Images(const RecordingRenderContext& ctx) {
  std::vector<std::wstring> files;
  for (const auto& op : ctx.Ops()) {
    if (op.kind == RecordedOp::Kind::Image) files.push_back(op.text);
  }
  return files;
}

const RecordedOp* FindText(const RecordingRenderContext& ctx, const std::wstring& text) {
  for (const auto& op : ctx.Ops()) {
    if (op.kind == RecordedOp::Kind::Text && op.text == text) return &op;
  }
  return nullptr;
}

TEST(ControlPaintTest, ButtonStatesPickTheirImagesAndColours) {
  Window w(R"(<Window><VerticalLayout>
      <Button name="b" text="Go" height="40" normalimage="n.png" hotimage="h.png" pushedimage="p.png" disabledimage="d.png"
              textcolor="#FF000001" hottextcolor="#FF000002" pushedtextcolor="#FF000003" pushedbkcolor="#FF0000AA"/>
      <Control/>
    </VerticalLayout></Window>)");
  auto paint = [&]() {
    RecordingRenderContext ctx;
    w.manager.Paint(ctx, {0, 0, 400, 300});
    return ctx;
  };
  auto ctx = paint();
  EXPECT_EQ(Images(ctx), (std::vector<std::wstring>{L"n.png"}));
  EXPECT_EQ(FindText(ctx, L"Go")->color, 0xFF000001u);
  EXPECT_EQ(FindText(ctx, L"Go")->style.align, TextAlign::Center) << "buttons centre their text";

  w.manager.OnMouseMove(w.Center(L"b"));
  ctx = paint();
  EXPECT_EQ(Images(ctx), (std::vector<std::wstring>{L"h.png"}));
  EXPECT_EQ(FindText(ctx, L"Go")->color, 0xFF000002u);

  w.manager.OnButtonDown(w.Center(L"b"));
  ctx = paint();
  EXPECT_EQ(Images(ctx), (std::vector<std::wstring>{L"p.png"}));
  EXPECT_EQ(FindText(ctx, L"Go")->color, 0xFF000003u);
  bool pushedFill = false;
  for (const auto& op : ctx.Ops()) pushedFill = pushedFill || (op.kind == RecordedOp::Kind::Fill && op.color == 0xFF0000AAu);
  EXPECT_TRUE(pushedFill);
  w.manager.OnButtonUp(w.Center(L"b"));

  w.Find(L"b")->SetEnabled(false);
  ctx = RecordingRenderContext();
  ctx.SetMissingImage(L"d.png");
  w.manager.Paint(ctx, {0, 0, 400, 300});
  EXPECT_EQ(Images(ctx), (std::vector<std::wstring>{L"n.png"})) << "a state image that fails falls back to normal";
  EXPECT_EQ(FindText(ctx, L"Go")->color, w.manager.GetDefaultDisabledColor());
}

TEST(ControlPaintTest, SelectedOptionUsesItsSelectedLook) {
  Window w(R"(<Window><HorizontalLayout>
      <Option name="o" text="Opt" width="80" normalimage="off.png" selectedimage="on.png" selectedtextcolor="#FF00AA00" textcolor="#FF111111"/>
    </HorizontalLayout></Window>)");
  RecordingRenderContext before;
  w.manager.Paint(before, {0, 0, 400, 300});
  EXPECT_EQ(Images(before), (std::vector<std::wstring>{L"off.png"}));
  w.Find<COptionUI>(L"o")->Selected(true);
  RecordingRenderContext after;
  w.manager.Paint(after, {0, 0, 400, 300});
  EXPECT_EQ(Images(after), (std::vector<std::wstring>{L"on.png"}));
  EXPECT_EQ(FindText(after, L"Opt")->color, 0xFF00AA00u);
}

TEST(ControlPaintTest, EditShowsPromptOrMaskedText) {
  Window w(R"(<Window><VerticalLayout>
      <Edit name="user" height="30" prompttext="Account"/>
      <Edit name="pwd" height="30" password="true"/>
      <Control/>
    </VerticalLayout></Window>)",
           {400, 300}, nullptr, false);
  w.Find<CEditUI>(L"pwd")->SetText(L"abc");
  RecordingRenderContext ctx;
  w.manager.Paint(ctx, {0, 0, 400, 300});
  EXPECT_NE(FindText(ctx, L"Account"), nullptr);
  EXPECT_NE(FindText(ctx, L"***"), nullptr);
  EXPECT_EQ(FindText(ctx, L"abc"), nullptr) << "a password never reaches the screen";
  w.Find(L"user")->SetFocus();
  RecordingRenderContext focused;
  w.manager.Paint(focused, {0, 0, 400, 300});
  EXPECT_EQ(FindText(focused, L"Account"), nullptr) << "the prompt gives way to typing";
}

TEST(ControlPaintTest, ProgressFillsUpToItsValue) {
  Window w(R"(<Window><VerticalLayout>
      <Progress name="load" height="11" width="45" min="0" max="100" value="40" bkimage="jdt_back.png" foreimage="jdt_green.png"/>
      <Control/>
    </VerticalLayout></Window>)");
  RecordingRenderContext ctx;
  w.manager.Paint(ctx, {0, 0, 400, 300});
  const auto& ops = ctx.Ops();
  bool sawFore = false;
  for (const auto& op : ops) {
    if (op.kind == RecordedOp::Kind::Image && op.text == L"jdt_green.png") {
      sawFore = true;
      EXPECT_EQ(op.clip.right, 18) << "the bar image is cut at 40 %";
      EXPECT_EQ(op.rect.right, 45) << "but keeps its full-length scale";
    }
  }
  EXPECT_TRUE(sawFore);
  RecordingRenderContext empty;
  w.Find<CProgressUI>(L"load")->SetValue(0);
  w.manager.Paint(empty, {0, 0, 400, 300});
  EXPECT_EQ(Images(empty), (std::vector<std::wstring>{L"jdt_back.png"}));
  EXPECT_EQ(w.notifier.Count(L"valuechanged", L"load"), 1);
}

TEST(ScrollBarTest, FreeStandingBarClampsNotifiesAndDrags) {
  Window w(R"(<Window><VerticalLayout>
      <ScrollBar name="bar" hor="true" range="100" pos="10" linesize="5" height="10"/>
      <Control/>
    </VerticalLayout></Window>)",
           {220, 100});
  auto* bar = w.Find<CScrollBarUI>(L"bar");
  EXPECT_TRUE(bar->IsHorizontal());
  EXPECT_EQ(bar->GetScrollPos(), 10);
  bar->SetScrollPos(500);
  EXPECT_EQ(bar->GetScrollPos(), 100);
  bar->SetScrollPos(-5);
  EXPECT_EQ(bar->GetScrollPos(), 0);
  EXPECT_EQ(w.notifier.Count(L"scroll", L"bar"), 2);
  bar->LineDown();
  EXPECT_EQ(bar->GetScrollPos(), 5);

  // Dragging the thumb to the far end reaches the end of the range.
  const UiRect thumb = bar->ThumbRect();
  const UiPoint grab{(thumb.left + thumb.right) / 2, 5};
  w.manager.OnMouseMove(grab);
  w.manager.OnButtonDown(grab);
  w.manager.OnMouseMove({grab.x + 500, 5});
  w.manager.OnButtonUp({grab.x + 500, 5});
  EXPECT_EQ(bar->GetScrollPos(), 100);
  // A click on the track before the thumb pages back.
  w.Click({2, 5});
  EXPECT_LT(bar->GetScrollPos(), 100);
  bar->SetScrollRange(20);
  EXPECT_LE(bar->GetScrollPos(), 20);
}

TEST(RichEditTest, LongTextScrollsWithinItsPane) {
  Window w(R"(<Window><VerticalLayout><RichEdit name="r" height="60" vscrollbar="true"/><Control/></VerticalLayout></Window>)",
           {200, 300});
  auto* rich = w.Find<CRichEditUI>(L"r");
  EXPECT_TRUE(rich->IsReadOnly());
  std::wstring text;
  for (int i = 0; i < 40; ++i) text += L"line " + std::to_wstring(i) + L"\n";
  rich->SetText(text);
  RecordingRenderContext ctx;
  w.manager.Paint(ctx, {0, 0, 200, 300});
  EXPECT_GT(rich->GetScrollRange(), 0);
  w.manager.OnMouseWheel(w.Center(L"r"), -120);
  EXPECT_GT(rich->GetScrollPos(), 0);
  rich->SetScrollPos(1 << 30);
  EXPECT_EQ(rich->GetScrollPos(), rich->GetScrollRange());
  RecordingRenderContext scrolled;
  w.manager.Paint(scrolled, {0, 0, 200, 300});
  const RecordedOp* op = FindText(scrolled, text);
  ASSERT_NE(op, nullptr);
  EXPECT_LT(op->rect.top, 0) << "the text moves up under its clip";
  EXPECT_EQ(op->clip.top, 4);
}

TEST(ContainerTest, OwnershipAndIndexes) {
  CVerticalLayoutUI box;
  auto* a = new CLabelUI;
  auto* b = new CLabelUI;
  ASSERT_TRUE(box.Add(a));
  ASSERT_TRUE(box.Add(b));
  EXPECT_FALSE(box.AddAt(new CLabelUI, 7)) << "a bad index refuses (and frees) the control";
  EXPECT_FALSE(box.Add(nullptr));
  EXPECT_EQ(box.GetCount(), 2);
  EXPECT_EQ(a->GetParent(), &box);
  ASSERT_TRUE(box.SetItemIndex(a, -3));
  EXPECT_EQ(box.GetItemAt(0), a);
  EXPECT_EQ(box.GetItemIndex(b), 1);
  std::unique_ptr<CControlUI> taken = box.Detach(b);
  EXPECT_EQ(taken.get(), b);
  EXPECT_EQ(b->GetParent(), nullptr);
  EXPECT_EQ(box.Detach(b), nullptr);
  EXPECT_FALSE(box.RemoveAt(5));
  EXPECT_FALSE(box.Remove(b));
  ASSERT_TRUE(box.AddAt(taken.release(), 0)) << "a detached control can join again";
  EXPECT_EQ(box.GetItemAt(0), b);
  box.RemoveAll();
  EXPECT_EQ(box.GetCount(), 0);
  EXPECT_EQ(box.GetItemAt(0), nullptr);
}

TEST(ContainerTest, ReorderItemsTakesOnlyAPermutationOfTheChildren) {
  CHorizontalLayoutUI box;
  auto* a = new CLabelUI;
  auto* b = new CLabelUI;
  auto* c = new CLabelUI;
  for (CControlUI* child : {a, b, c}) ASSERT_TRUE(box.Add(child));
  ASSERT_TRUE(box.ReorderItems({c, a, b}));
  EXPECT_EQ(box.GetItemAt(0), c);
  EXPECT_EQ(box.GetItemAt(1), a);
  EXPECT_EQ(box.GetItemAt(2), b);
  CLabelUI stranger;
  EXPECT_FALSE(box.ReorderItems({a, b}));
  EXPECT_FALSE(box.ReorderItems({a, a, b}));
  EXPECT_FALSE(box.ReorderItems({a, b, &stranger}));
  EXPECT_EQ(box.GetItemAt(0), c) << "a refused order moves nothing";
  EXPECT_EQ(box.GetItemAt(2), b);
}

TEST(ContainerTest, RemovingTheSelectedPageSelectsItsNeighbour) {
  Window w(R"(<Window><TabLayout name="tabs" selectedid="1"><Control name="p0"/><Control name="p1"/><Control name="p2"/></TabLayout></Window>)");
  auto* tabs = w.Find<CTabLayoutUI>(L"tabs");
  ASSERT_TRUE(tabs->Remove(w.Find(L"p1")));
  EXPECT_EQ(tabs->GetCurSel(), 1);
  EXPECT_TRUE(w.Find(L"p2")->IsVisible());
  ASSERT_TRUE(tabs->Remove(w.Find(L"p0")));
  EXPECT_EQ(tabs->GetCurSel(), 0);
  EXPECT_EQ(tabs->GetItemAt(0), w.Find(L"p2"));
}

TEST(ControlStateTest, HidingOrDisablingTheFocusedControlDropsTheFocus) {
  Window w(R"(<Window><VerticalLayout name="v"><Button name="a" height="30"/><Button name="b" height="30"/><Control/></VerticalLayout></Window>)");
  w.Find(L"a")->SetFocus();
  w.Find(L"a")->SetVisible(false);
  EXPECT_EQ(w.manager.GetFocus(), nullptr);
  w.Find(L"b")->SetFocus();
  w.Find(L"b")->SetEnabled(false);
  EXPECT_EQ(w.manager.GetFocus(), nullptr);
  w.Find(L"b")->SetFocus();
  EXPECT_EQ(w.manager.GetFocus(), nullptr) << "a disabled control takes no focus";
  w.Find<CContainerUI>(L"v")->SetVisible(false);
  EXPECT_FALSE(w.Find(L"a")->IsVisible());
  EXPECT_TRUE(w.Find(L"a")->GetVisibleFlag() == false);
  w.Find(L"a")->SetVisible(true);
  EXPECT_FALSE(w.Find(L"a")->IsVisible()) << "a child of a hidden layout stays hidden";
  w.Find<CContainerUI>(L"v")->SetVisible(true);
  EXPECT_TRUE(w.Find(L"a")->IsVisible());
}

TEST(ControlStateTest, ControlRemovedWhilePressedLeavesNothingDangling) {
  Window w(R"(<Window><VerticalLayout name="v"><Button name="a" height="30" tooltip="tip"/><Control/></VerticalLayout></Window>)");
  const UiPoint at = w.Center(L"a");
  w.manager.OnMouseMove(at);
  w.manager.OnButtonDown(at);
  ASSERT_TRUE(w.host.captured);
  ASSERT_TRUE(w.host.toolTipShown);
  w.Find<CContainerUI>(L"v")->Remove(w.Find(L"a"));
  EXPECT_FALSE(w.host.captured) << "the capture ends with the control";
  EXPECT_FALSE(w.host.toolTipShown);
  w.manager.OnMouseMove(at);
  w.manager.OnButtonUp(at);
  EXPECT_EQ(w.notifier.Count(L"click", L"a"), 0);
}

TEST(ControlStateTest, DeliveryDropsASenderRemovedByAnEarlierHandler) {
  Window w(R"(<Window><VerticalLayout name="v"><Button name="a" height="30"/><Button name="b" height="30"/></VerticalLayout></Window>)");
  w.manager.SendNotify(w.Find(L"a"), L"first", 0, 0, true);
  w.manager.SendNotify(w.Find(L"b"), L"second", 0, 0, true);
  w.notifier.onNotify = [&](TNotifyUI& m) {
    if (m.sType == L"first") w.Find<CContainerUI>(L"v")->Remove(w.Find(L"b"));
  };
  w.manager.DeliverAsyncNotifications();
  EXPECT_EQ(w.notifier.Count(L"first", L"a"), 1);
  EXPECT_EQ(w.notifier.Count(L"second", L"b"), 0);
}

TEST(ControlStateTest, ContextMenuAndDoubleClickOnAButton) {
  Window w(R"(<Window><VerticalLayout><Button name="a" height="30"/><Control/></VerticalLayout></Window>)");
  const UiPoint at = w.Center(L"a");
  w.manager.OnRightButtonDown(at);
  w.manager.OnRightButtonUp(at);
  EXPECT_EQ(w.notifier.Count(L"menu", L"a"), 1);
  // Windows reports down, up, double click, up: two clicks, as a button pressed twice.
  w.manager.OnButtonDown(at);
  w.manager.OnButtonUp(at);
  w.manager.OnDoubleClick(at);
  w.manager.OnButtonUp(at);
  EXPECT_EQ(w.notifier.Count(L"click", L"a"), 2);
}

}  // namespace
}  // namespace nimbrook::toolkit
