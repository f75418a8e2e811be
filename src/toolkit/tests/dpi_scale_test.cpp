// Logical and device pixels: exact at 96 dpi, outward-rounded rectangles and floor-mapped input at
// other DPIs, and no nonsense from a broken DPI value.
#include "toolkit/dpi_scale.h"

#include <gtest/gtest.h>

#include <limits>

namespace nimbrook::toolkit {
namespace {

TEST(DpiScale, At96DpiEverySizeHoldsExactly) {
  const double s = ScaleForDpi(96);
  EXPECT_DOUBLE_EQ(s, 1.0);
  EXPECT_EQ(ToDevice(112, s), 112);
  EXPECT_EQ(ToLogical(112, s), 112);
  EXPECT_EQ(ToDeviceRect({3, 4, 103, 116}, s), (UiRect{3, 4, 103, 116}));
  EXPECT_EQ(ToLogicalRect({3, 4, 103, 116}, s), (UiRect{3, 4, 103, 116}));
  EXPECT_EQ(ToLogicalPoint({-5, 300}, s), (UiPoint{-5, 300}));
}

TEST(DpiScale, OtherDpisScaleSizesAndRoundRectanglesOutwards) {
  const double s = ScaleForDpi(144);   // 150 %
  EXPECT_DOUBLE_EQ(s, 1.5);
  EXPECT_EQ(ToDevice(25 * 4 + 12, s), 168);   // a four-row picker
  EXPECT_EQ(ToDevice(13, s), 20);             // 19.5 rounds to the nearer pixel
  // A logical rectangle covers every device pixel it touches.
  EXPECT_EQ(ToDeviceRect({1, 1, 3, 3}, s), (UiRect{1, 1, 5, 5}));
  // A dirty device rectangle repaints every logical pixel it touches.
  EXPECT_EQ(ToLogicalRect({1, 1, 4, 4}, s), (UiRect{0, 0, 3, 3}));
  // Input: the logical pixel the device point lies in, also left of and above the client area.
  EXPECT_EQ(ToLogicalPoint({299, 2}, s), (UiPoint{199, 1}));
  EXPECT_EQ(ToLogicalPoint({-1, -2}, s), (UiPoint{-1, -2}));
  EXPECT_EQ(ToLogical(168, s), 112);

  const double s2 = ScaleForDpi(120);   // 125 %
  EXPECT_EQ(ToDevice(900, s2), 1125);
  EXPECT_EQ(ToLogical(ToDevice(640, s2), s2), 640);
}

TEST(DpiScale, BrokenDpiValuesActAs96) {
  EXPECT_DOUBLE_EQ(ScaleForDpi(0), 1.0);
  EXPECT_DOUBLE_EQ(ScaleForDpi(100000), 1.0);
  EXPECT_EQ(ToDevice(50, 0.0), 50);
  EXPECT_EQ(ToDevice(50, -2.0), 50);
  EXPECT_EQ(ToDevice(50, std::numeric_limits<double>::quiet_NaN()), 50);
  EXPECT_EQ(ToLogicalPoint({10, 10}, 0.0), (UiPoint{10, 10}));
}

}  // namespace
}  // namespace nimbrook::toolkit
