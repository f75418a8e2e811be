// Sizes and positions the layouts give their children.
#include <gtest/gtest.h>

#include "toolkit/recording_render_context.h"
#include "toolkit_test_support.h"

namespace nimbrook::toolkit {
namespace {

using test::Window;

TEST(LayoutTest, VerticalFixedAutoPaddingInsetAndChildPadding) {
  Window w(R"(<Window><VerticalLayout name="v" inset="10,20,10,20" childpadding="5">
      <Control name="fixed" height="50" />
      <Control name="auto1" />
      <Control name="padded" height="30" padding="4,6,8,2" />
      <Control name="auto2" />
      <Control name="hidden" height="1000" visible="false" />
    </VerticalLayout></Window>)",
           {400, 300});
  // Inner 380 x 260; fixed 50 + 30 + paddings 8 + child padding 3*5 = 103; 157 left for two.
  EXPECT_EQ(w.Find(L"fixed")->GetPos(), (UiRect{10, 20, 390, 70}));
  EXPECT_EQ(w.Find(L"auto1")->GetPos(), (UiRect{10, 75, 390, 153}));
  EXPECT_EQ(w.Find(L"padded")->GetPos(), (UiRect{14, 164, 382, 194}));
  EXPECT_EQ(w.Find(L"auto2")->GetPos(), (UiRect{10, 201, 390, 280}));
  EXPECT_EQ(w.Find(L"auto1")->GetHeight() + w.Find(L"auto2")->GetHeight(), 157) << "no pixel lost";
}

TEST(LayoutTest, HorizontalWidthsWithMinAndMax) {
  Window w(R"(<Window><HorizontalLayout name="h">
      <Control name="a" width="100" />
      <Control name="b" maxwidth="50" />
      <Control name="c" />
      <Control name="d" minwidth="200" />
      <Control name="e" width="30" height="10" />
    </HorizontalLayout></Window>)",
           {500, 100});
  // 500 - 130 fixed = 370 for b, c, d; d needs 200 and b stops at 50: c gets 120.
  EXPECT_EQ(w.Find(L"a")->GetPos(), (UiRect{0, 0, 100, 100}));
  EXPECT_EQ(w.Find(L"b")->GetWidth(), 50);
  EXPECT_EQ(w.Find(L"c")->GetWidth(), 120);
  EXPECT_EQ(w.Find(L"d")->GetWidth(), 200);
  EXPECT_EQ(w.Find(L"e")->GetPos(), (UiRect{470, 0, 500, 10}));
}

TEST(LayoutTest, FloatChildrenSitAtTheirPosition) {
  Window w(R"(<Window><VerticalLayout inset="10,10,10,10">
      <Control name="flow" />
      <Button name="float" float="true" pos="300,5,330,25" />
    </VerticalLayout></Window>)",
           {400, 300});
  EXPECT_EQ(w.Find(L"float")->GetPos(), (UiRect{300, 5, 330, 25})) << "relative to the parent, inset ignored";
  EXPECT_EQ(w.Find(L"flow")->GetPos(), (UiRect{10, 10, 390, 290})) << "float children take no room";
}

TEST(LayoutTest, ResizeLaysOutAgain) {
  Window w(R"(<Window><HorizontalLayout><Control name="left" width="100"/><Control name="rest"/></HorizontalLayout></Window>)",
           {400, 300});
  EXPECT_EQ(w.Find(L"rest")->GetWidth(), 300);
  w.manager.OnClientResize({600, 200});
  w.manager.DoLayout();
  EXPECT_EQ(w.Find(L"rest")->GetPos(), (UiRect{100, 0, 600, 200}));
}

TEST(LayoutTest, TabLayoutShowsOnePage) {
  Window w(R"(<Window><TabLayout name="tabs"><Control name="p0"/><Control name="p1"/><Control name="p2"/></TabLayout></Window>)");
  auto* tabs = w.Find<CTabLayoutUI>(L"tabs");
  EXPECT_EQ(tabs->GetCurSel(), 0);
  EXPECT_TRUE(tabs->SelectItem(2));
  EXPECT_FALSE(w.Find(L"p0")->IsVisible());
  EXPECT_TRUE(w.Find(L"p2")->IsVisible());
  EXPECT_EQ(w.notifier.Count(L"tabselect", L"tabs"), 1);
  EXPECT_FALSE(tabs->SelectItem(3));
  EXPECT_EQ(tabs->GetCurSel(), 2);
  w.manager.DoLayout();
  EXPECT_EQ(w.Find(L"p2")->GetPos(), (UiRect{0, 0, 400, 300}));
  EXPECT_EQ(w.manager.FindControl(UiPoint{10, 10}), w.Find(L"p2")) << "hidden pages take no clicks";
}

TEST(LayoutTest, ScrollingContainerShowsItsBarAndMovesChildren) {
  Window w(R"(<Window><VerticalLayout name="v" vscrollbar="true">
      <Control name="r0" height="100"/><Control name="r1" height="100"/><Control name="r2" height="100"/>
    </VerticalLayout></Window>)",
           {200, 150});
  auto* v = w.Find<CContainerUI>(L"v");
  ASSERT_NE(v->GetVerticalScrollBar(), nullptr);
  EXPECT_TRUE(v->GetVerticalScrollBar()->IsVisible());
  EXPECT_EQ(v->GetScrollRange().cy, 150);
  EXPECT_EQ(w.Find(L"r0")->GetWidth(), 190) << "the bar takes its width from the children";
  v->SetScrollPos({0, 120});
  EXPECT_EQ(w.Find(L"r1")->GetPos().top, -20);
  v->SetScrollPos({0, 1000});
  EXPECT_EQ(v->GetScrollPos().cy, 150) << "clamped to the range";
  w.manager.OnMouseWheel({50, 50}, 120);
  EXPECT_LT(v->GetScrollPos().cy, 150);
}

TEST(LayoutTest, PaintDrawsVisibleControlsInOrderInsideTheirClip) {
  Window w(R"(<Window><VerticalLayout bkcolor="#FF010203">
      <Label name="a" text="first" height="20" textcolor="#FF000001"/>
      <Label name="b" text="hidden" height="20" visible="false"/>
      <Label name="c" text="third" height="20" bordersize="1" bordercolor="#FF0000FF"/>
    </VerticalLayout></Window>)",
           {100, 100});
  RecordingRenderContext ctx;
  w.manager.Paint(ctx, {0, 0, 100, 100});
  EXPECT_EQ(ctx.Texts(), (std::vector<std::wstring>{L"first", L"third"}));
  ASSERT_FALSE(ctx.Ops().empty());
  EXPECT_EQ(ctx.ClipDepth(), 0) << "every clip is popped";
  bool sawBackground = false;
  bool sawBorder = false;
  for (const auto& op : ctx.Ops()) {
    sawBackground = sawBackground || (op.kind == RecordedOp::Kind::Fill && op.color == 0xFF010203u);
    sawBorder = sawBorder || (op.kind == RecordedOp::Kind::Border && op.rect == UiRect{0, 20, 100, 40});
  }
  EXPECT_TRUE(sawBackground);
  EXPECT_TRUE(sawBorder);

  // A dirty rectangle limits the work to the controls it touches.
  ctx.Clear();
  w.manager.Paint(ctx, {0, 25, 100, 35});
  EXPECT_EQ(ctx.Texts(), (std::vector<std::wstring>{L"third"}));
}

}  // namespace
}  // namespace nimbrook::toolkit

namespace nimbrook::toolkit {
namespace {

TEST(LayoutTest, HostileSizesAreCutNotOverflowed) {
  test::Window w(R"(<Window><VerticalLayout inset="2000000000,0,2000000000,0" childpadding="2000000000" vscrollbar="true">
      <Control name="a" height="2147483647" width="2147483647" padding="-2147483647,2147483647,0,0"/>
      <Control name="b" height="2147483647" minheight="2147483647"/>
      <Label name="c" textpadding="2147483647,2147483647,2147483647,2147483647" text="x" pos="-2147483647,0,2147483647,10" float="true"/>
    </VerticalLayout></Window>)",
                 {300, 200});
  ASSERT_NE(w.Find(L"a"), nullptr);
  EXPECT_EQ(w.Find(L"a")->GetFixedHeight(), kMaxExtent);
  EXPECT_LE(w.Find(L"b")->GetHeight(), kMaxExtent);
  RecordingRenderContext ctx;
  w.manager.Paint(ctx, {0, 0, 300, 200});   // sanitizers would stop the test on an overflow
  EXPECT_EQ(ctx.ClipDepth(), 0);
}

}  // namespace
}  // namespace nimbrook::toolkit
