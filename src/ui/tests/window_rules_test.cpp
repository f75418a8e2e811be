// The shared window arithmetic: borderless style, non-client activation, the caption and size-box hit
// test, the menu's clamping to the work area, and the pickers' height.
#include "ui/window_rules.h"

#include <gtest/gtest.h>

namespace nimbrook {
namespace {

using toolkit::UiPoint;
using toolkit::UiRect;
using toolkit::UiSize;

TEST(WindowStyle, ClearsCaptionAndMaximiseBoxAndClipsChildren) {
  const uint32_t created = toolkit::kWsPopup | toolkit::kWsCaption | toolkit::kWsMaximizeBox |
                           toolkit::kWsMinimizeBox | toolkit::kWsSysMenu;
  const uint32_t style = StandardWindowStyle(created);
  EXPECT_EQ(style & toolkit::kWsCaption, 0u);
  EXPECT_EQ(style & toolkit::kWsMaximizeBox, 0u);
  EXPECT_NE(style & toolkit::kWsMinimizeBox, 0u);
  EXPECT_NE(style & toolkit::kWsSysMenu, 0u);
  EXPECT_NE(style & toolkit::kWsPopup, 0u);
  EXPECT_EQ(style & 0x06000000u, 0x06000000u);
  EXPECT_EQ(StandardWindowStyle(0xFFFFFFFFu), 0xFF3EFFFFu);
}

TEST(WindowStyle, NcActivateAnswersZeroWhileMinimised) {
  EXPECT_EQ(NcActivateResult(true, 0), 0);
  EXPECT_EQ(NcActivateResult(true, 1), 0);
  EXPECT_NE(NcActivateResult(false, 0), 0);
  EXPECT_EQ(NcActivateResult(false, 1), 0);
}

class HitTestTest : public ::testing::Test {
 protected:
  int Hit(int x, int y, bool maximized = false, CaptionTarget target = CaptionTarget::Other) {
    return CaptionHitTest({x, y}, client, sizeBox, caption, maximized, target);
  }
  UiRect client{0, 0, 400, 300};
  UiRect sizeBox{4, 4, 6, 6};
  UiRect caption{0, 0, 0, 40};
};

TEST_F(HitTestTest, SizeBoxCornersAndEdges) {
  EXPECT_EQ(Hit(1, 1), toolkit::kHtTopLeft);
  EXPECT_EQ(Hit(398, 2), toolkit::kHtTopRight);
  EXPECT_EQ(Hit(200, 3), toolkit::kHtTop);
  EXPECT_EQ(Hit(2, 297), toolkit::kHtBottomLeft);
  EXPECT_EQ(Hit(396, 296), toolkit::kHtBottomRight);
  EXPECT_EQ(Hit(200, 294), toolkit::kHtBottom);
  EXPECT_EQ(Hit(3, 150), toolkit::kHtLeft);
  EXPECT_EQ(Hit(394, 150), toolkit::kHtRight);
  // Just inside the zones.
  EXPECT_EQ(Hit(4, 150, false, CaptionTarget::None), toolkit::kHtClient);
  EXPECT_EQ(Hit(393, 150, false, CaptionTarget::None), toolkit::kHtClient);
}

TEST_F(HitTestTest, MaximisedWindowHasNoResizeBorders) {
  EXPECT_EQ(Hit(1, 1, true), toolkit::kHtCaption);   // in the caption: drags
  EXPECT_EQ(Hit(2, 297, true), toolkit::kHtClient);
  EXPECT_EQ(Hit(3, 150, true), toolkit::kHtClient);
}

TEST_F(HitTestTest, CaptionDragsExceptOnButtonsAndOptions) {
  EXPECT_EQ(Hit(100, 20, false, CaptionTarget::Other), toolkit::kHtCaption);
  EXPECT_EQ(Hit(100, 20, false, CaptionTarget::Button), toolkit::kHtClient);
  EXPECT_EQ(Hit(100, 20, false, CaptionTarget::None), toolkit::kHtClient);
  EXPECT_EQ(Hit(100, 40, false, CaptionTarget::Other), toolkit::kHtClient);   // caption bottom excluded
  EXPECT_EQ(Hit(100, 39, false, CaptionTarget::Other), toolkit::kHtCaption);
}

TEST_F(HitTestTest, CaptionSidesAreMeasuredFromTheClientEdges) {
  caption = {30, 10, 50, 40};
  EXPECT_EQ(Hit(29, 20), toolkit::kHtClient);
  EXPECT_EQ(Hit(30, 20), toolkit::kHtCaption);
  EXPECT_EQ(Hit(349, 20), toolkit::kHtCaption);
  EXPECT_EQ(Hit(350, 20), toolkit::kHtClient);
  EXPECT_EQ(Hit(100, 9), toolkit::kHtClient);
}

TEST(CaptionTargetTest, OnlyExactButtonAndOptionClassesTakeTheClick) {
  EXPECT_EQ(CaptionTargetForClass(L"ButtonUI", true), CaptionTarget::Button);
  EXPECT_EQ(CaptionTargetForClass(L"OptionUI", true), CaptionTarget::Button);
  EXPECT_EQ(CaptionTargetForClass(L"CheckBoxUI", true), CaptionTarget::Other);
  EXPECT_EQ(CaptionTargetForClass(L"buttonui", true), CaptionTarget::Other);
  EXPECT_EQ(CaptionTargetForClass(L"LabelUI", true), CaptionTarget::Other);
  EXPECT_EQ(CaptionTargetForClass(L"ButtonUI", false), CaptionTarget::None);
}

TEST(MenuClamp, StaysWhereItFits) {
  const UiRect work{0, 0, 1280, 760};
  EXPECT_EQ(ClampMenuPosition({100, 100}, {168, 162}, work), (UiPoint{100, 100}));
  EXPECT_EQ(ClampMenuPosition({1112, 598}, {168, 162}, work), (UiPoint{1112, 598}));
}

TEST(MenuClamp, NearTheBottomRightCornerMovesUpAndLeftInside) {
  const UiRect work{0, 0, 1280, 760};
  const UiPoint pt = ClampMenuPosition({1250, 740}, {168, 162}, work);
  EXPECT_EQ(pt, (UiPoint{1280 - 168, 760 - 162}));
  EXPECT_LE(pt.x + 168, work.right);
  EXPECT_LE(pt.y + 162, work.bottom);
}

TEST(MenuClamp, LargerThanTheWorkAreaStartsAtItsTopOrLeft) {
  const UiRect work{0, 0, 1280, 760};
  EXPECT_EQ(ClampMenuPosition({50, 700}, {168, 900}, work).y, 0);
  EXPECT_EQ(ClampMenuPosition({50, 700}, {168, 760}, work).y, 0);   // as tall: not less, so top
  EXPECT_EQ(ClampMenuPosition({1200, 10}, {1400, 100}, work).x, 0);
}

TEST(MenuClamp, WorkAreaAwayFromTheOrigin) {
  // A task bar at the top, and a second monitor left of the primary one.
  const UiRect topBar{0, 40, 1280, 800};
  EXPECT_EQ(ClampMenuPosition({100, 790}, {168, 162}, topBar).y, 800 - 162);
  EXPECT_EQ(ClampMenuPosition({100, 790}, {168, 2000}, topBar).y, 40);
  const UiRect leftMonitor{-1920, 0, 0, 1040};
  EXPECT_EQ(ClampMenuPosition({-50, 1000}, {168, 162}, leftMonitor), (UiPoint{-168, 1040 - 162}));
  EXPECT_EQ(ClampMenuPosition({-50, 10}, {3000, 162}, leftMonitor).x, -1920);
}

TEST(PickerHeightTest, TwentyFivePerRowPlusTwelve) {
  EXPECT_EQ(PickerHeight(4), 112);
  EXPECT_EQ(PickerHeight(2), 62);
  EXPECT_EQ(PickerHeight(9), 237);
  EXPECT_EQ(PickerHeight(0), 12);
  EXPECT_EQ(PickerHeight(-3), 12);
}

}  // namespace
}  // namespace nimbrook
