#include "toolkit/gdiplus_render_win.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <functional>

#include "core/file_io.h"
#include "core/log.h"
#include "core/paths.h"
#include "core/text.h"
#include "testing/temp_dir.h"
#include "toolkit/resource_store.h"

namespace nimbrook::toolkit {
namespace {

using nimbrook::testing::TempDir;

constexpr UiColor kWhite = 0xFFFFFFFF;
constexpr UiColor kRed = 0xFFFF0000;
constexpr UiColor kBlue = 0xFF0000FF;
constexpr UiColor kGreen = 0xFF00FF00;

int Channel(UiColor c, int shift) { return static_cast<int>((c >> shift) & 0xFF); }

// Colours within a small tolerance (antialiasing and premultiplication round).
::testing::AssertionResult Near(UiColor actual, UiColor expected, int tolerance = 3) {
  for (int shift : {24, 16, 8, 0}) {
    if (std::abs(Channel(actual, shift) - Channel(expected, shift)) > tolerance) {
      char text[80];
      std::snprintf(text, sizeof text, "got #%08X, expected #%08X", actual, expected);
      return ::testing::AssertionFailure() << text;
    }
  }
  return ::testing::AssertionSuccess();
}

bool IsDark(UiColor c) { return (c >> 24) > 200 && Channel(c, 16) < 128 && Channel(c, 8) < 128 && Channel(c, 0) < 128; }

int DarkPixels(const OffscreenSurface& s, const UiRect& area) {
  int count = 0;
  for (int y = area.top; y < area.bottom; ++y) {
    for (int x = area.left; x < area.right; ++x) count += IsDark(s.PixelAt(x, y)) ? 1 : 0;
  }
  return count;
}

// A rendered area as a string of dark/light marks, to tell two glyph shapes apart.
std::string Shape(const OffscreenSurface& s, const UiRect& area) {
  std::string out;
  for (int y = area.top; y < area.bottom; ++y) {
    for (int x = area.left; x < area.right; ++x) out.push_back(IsDark(s.PixelAt(x, y)) ? '#' : '.');
  }
  return out;
}

// Writes a PNG made of the given pixel rows (straight ARGB) into dir under name.
void WritePng(const TempDir& dir, const std::wstring& name, int width, int height,
              const std::function<UiColor(int, int)>& pixel) {
  OffscreenSurface s;
  ASSERT_TRUE(s.Resize(width, height));
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const UiColor c = pixel(x, y);
      const uint32_t a = c >> 24;
      auto pre = [a](uint32_t v) { return (v * a + 127) / 255; };
      s.Pixels()[y * width + x] = (a << 24) | (pre((c >> 16) & 0xFF) << 16) | (pre((c >> 8) & 0xFF) << 8) | pre(c & 0xFF);
    }
  }
  const auto png = EncodePng(s);
  ASSERT_TRUE(png);
  ASSERT_TRUE(WriteFileBytes(dir.File(name), *png));
}

class GdiplusRenderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(EnsureGdiplus());
    ASSERT_TRUE(surface_.Resize(120, 80));
    surface_.Clear(kWhite);
    GdiplusImageCache::Instance().Clear();
    // A 12 x 12 nine-slice image: 4 px red frame, blue centre.
    WritePng(images_, L"nine.png", 12, 12, [](int x, int y) {
      return (x < 4 || y < 4 || x >= 8 || y >= 8) ? kRed : kBlue;
    });
    // Two halves: left opaque green, right half-transparent blue.
    WritePng(images_, L"halves.png", 8, 4, [](int x, int) { return x < 4 ? kGreen : 0x800000FFu; });
    ASSERT_TRUE(Resources().SetResourcePath(images_.Dir()));
    ASSERT_TRUE(Resources().SetResourceZip(L""));
  }
  void TearDown() override { GdiplusImageCache::Instance().Clear(); }

  // Off-screen renders also land in the build tree, for a look at what the tests checked.
  void Keep(const char* name) {
    const auto png = EncodePng(surface_);
    if (!png) return;
    std::error_code ec;
    std::filesystem::create_directories(NIMBROOK_SCREENSHOT_DIR, ec);
    (void)WriteFileBytes(text::FromUtf8(std::string(NIMBROOK_SCREENSHOT_DIR) + "/render_" + name + ".png"), *png);
  }

  TempDir images_;
  OffscreenSurface surface_;
};

TEST_F(GdiplusRenderTest, SurfaceRejectsImpossibleSizesAndReadsBackClearColour) {
  OffscreenSurface s;
  EXPECT_FALSE(s.Resize(0, 10));
  EXPECT_FALSE(s.Resize(10, -1));
  EXPECT_FALSE(s.Resize(100000, 10));
  EXPECT_EQ(s.Pixels(), nullptr);
  ASSERT_TRUE(s.Resize(4, 4));
  s.Clear(0x80FF0000);
  EXPECT_TRUE(Near(s.PixelAt(1, 1), 0x80FF0000));
  EXPECT_EQ(s.PixelAt(4, 0), 0u);  // outside
  GdiplusRenderContext ctx(s, 1.0);
  EXPECT_TRUE(ctx.IsValid());
}

TEST_F(GdiplusRenderTest, FillsBordersAndClipsLandOnTheirPixels) {
  {
    GdiplusRenderContext ctx(surface_, 1.0);
    ctx.FillRect({10, 10, 30, 30}, kRed);
    ctx.FillRect({40, 10, 60, 30}, 0x800000FF);  // half-transparent blue over white
    ctx.DrawBorder({70, 10, 100, 40}, 2, kBlue, {});
    ctx.FillRoundRect({10, 40, 40, 70}, {16, 16}, kGreen);
    ctx.PushClip({0, 0, 115, 75}, {});
    ctx.PushClip({100, 60, 140, 100}, {});  // nested: only 100..115 x 60..75 remains
    ctx.FillRect({0, 0, 120, 80}, kRed);
    ctx.PopClip();
    ctx.PopClip();
    ctx.FillGradient({45, 45, 65, 75}, kWhite, 0xFF000000);
    ctx.DrawBorder({0, 0, 120, 80}, 1, kGreen, {});  // a window frame on the surface's edge
  }
  {
    // A rounded clip keeps the last row and column of its rectangle (a round-cornered edit box
    // draws its right and bottom border there).
    OffscreenSurface s;
    ASSERT_TRUE(s.Resize(60, 60));
    s.Clear(kWhite);
    {
      GdiplusRenderContext ctx(s, 1.0);
      ctx.PushClip({10, 10, 50, 50}, {8, 8});
      ctx.FillRect({0, 0, 60, 60}, kBlue);
      ctx.PopClip();
    }
    EXPECT_TRUE(Near(s.PixelAt(49, 30), kBlue));
    EXPECT_TRUE(Near(s.PixelAt(30, 49), kBlue));
    EXPECT_TRUE(Near(s.PixelAt(10, 30), kBlue));
    EXPECT_TRUE(Near(s.PixelAt(30, 10), kBlue));
    EXPECT_TRUE(Near(s.PixelAt(50, 30), kWhite));
    EXPECT_TRUE(Near(s.PixelAt(30, 50), kWhite));
    EXPECT_TRUE(Near(s.PixelAt(10, 10), kWhite));  // the corner is cut
    // A round border covers the rectangle's outermost pixels on all four sides, and only them.
    s.Clear(kWhite);
    {
      GdiplusRenderContext ctx(s, 1.0);
      ctx.DrawBorder({10, 10, 50, 50}, 1, kBlue, {8, 8});
    }
    for (const UiPoint p : {UiPoint{10, 30}, UiPoint{49, 30}, UiPoint{30, 10}, UiPoint{30, 49}}) {
      EXPECT_TRUE(Near(s.PixelAt(p.x, p.y), kBlue, 40)) << p.x << "," << p.y;
    }
    for (const UiPoint p : {UiPoint{11, 30}, UiPoint{48, 30}, UiPoint{30, 11}, UiPoint{30, 48}, UiPoint{50, 30}}) {
      EXPECT_TRUE(Near(s.PixelAt(p.x, p.y), kWhite, 40)) << p.x << "," << p.y;
    }
  }
  Keep("fills");
  for (int y : {0, 40, 79}) {
    EXPECT_TRUE(Near(surface_.PixelAt(0, y), kGreen)) << y;
    EXPECT_TRUE(Near(surface_.PixelAt(119, y), kGreen)) << y;
  }
  EXPECT_TRUE(Near(surface_.PixelAt(1, 40), kWhite));
  EXPECT_TRUE(Near(surface_.PixelAt(10, 10), kRed));
  EXPECT_TRUE(Near(surface_.PixelAt(29, 29), kRed));
  EXPECT_TRUE(Near(surface_.PixelAt(30, 30), kWhite));
  EXPECT_TRUE(Near(surface_.PixelAt(9, 10), kWhite));
  EXPECT_TRUE(Near(surface_.PixelAt(50, 20), 0xFF7F7FFF, 4));
  // The border lies inside its rectangle, 2 px wide.
  EXPECT_TRUE(Near(surface_.PixelAt(70, 20), kBlue));
  EXPECT_TRUE(Near(surface_.PixelAt(71, 20), kBlue));
  EXPECT_TRUE(Near(surface_.PixelAt(72, 20), kWhite));
  EXPECT_TRUE(Near(surface_.PixelAt(99, 39), kBlue));
  EXPECT_TRUE(Near(surface_.PixelAt(100, 20), kWhite));
  // Round corners leave the corner pixel uncovered and fill the middle.
  EXPECT_TRUE(Near(surface_.PixelAt(10, 40), kWhite));
  EXPECT_TRUE(Near(surface_.PixelAt(25, 55), kGreen));
  // The clip: inside both rectangles red, elsewhere untouched.
  EXPECT_TRUE(Near(surface_.PixelAt(105, 65), kRed));
  EXPECT_TRUE(Near(surface_.PixelAt(116, 65), kWhite));
  EXPECT_TRUE(Near(surface_.PixelAt(95, 65), kWhite));
  // The gradient runs from white at the top to black at the bottom.
  EXPECT_GT(Channel(surface_.PixelAt(50, 46), 16), 220);
  EXPECT_LT(Channel(surface_.PixelAt(50, 74), 16), 35);
}

TEST_F(GdiplusRenderTest, ImagesDrawWithSourceNineSliceDestFadeAndHole) {
  {
    GdiplusRenderContext ctx(surface_, 1.0);
    ImageSpec nine;
    nine.file = L"NINE.png";  // any letter case
    nine.corner = {4, 4, 4, 4};
    EXPECT_TRUE(ctx.DrawImage(nine, {0, 0, 40, 40}));
    ImageSpec hole = nine;
    hole.hole = true;
    EXPECT_TRUE(ctx.DrawImage(hole, {50, 0, 90, 40}));
    ImageSpec part;
    part.file = L"halves.png";
    part.source = {0, 0, 4, 4};  // the green half only
    part.hasSource = true;
    part.dest = {2, 2, 10, 10};
    part.hasDest = true;
    EXPECT_TRUE(ctx.DrawImage(part, {0, 45, 40, 80}));
    ImageSpec faded;
    faded.file = L"halves.png";
    faded.fade = 128;
    EXPECT_TRUE(ctx.DrawImage(faded, {50, 45, 66, 53}));
    ImageSpec missing;
    missing.file = L"no_such.png";
    EXPECT_FALSE(ctx.DrawImage(missing, {100, 0, 120, 20}));
  }
  Keep("images");
  // Nine-slice: corners and edges stay 4 px red, the centre stretches blue.
  EXPECT_TRUE(Near(surface_.PixelAt(1, 1), kRed));
  EXPECT_TRUE(Near(surface_.PixelAt(20, 2), kRed));
  EXPECT_TRUE(Near(surface_.PixelAt(2, 20), kRed));
  EXPECT_TRUE(Near(surface_.PixelAt(37, 37), kRed));
  EXPECT_TRUE(Near(surface_.PixelAt(20, 20), kBlue));
  EXPECT_TRUE(Near(surface_.PixelAt(5, 5), kBlue));
  // The stretched centre does not blend into the frame: the last centre pixel is still blue and the
  // first frame pixel red.
  for (int i = 4; i < 36; ++i) {
    EXPECT_TRUE(Near(surface_.PixelAt(35, i), kBlue)) << i;
    EXPECT_TRUE(Near(surface_.PixelAt(36, i), kRed)) << i;
    EXPECT_TRUE(Near(surface_.PixelAt(i, 35), kBlue)) << i;
    EXPECT_TRUE(Near(surface_.PixelAt(i, 36), kRed)) << i;
  }
  // With a hole the centre keeps what was there.
  EXPECT_TRUE(Near(surface_.PixelAt(70, 20), kWhite));
  EXPECT_TRUE(Near(surface_.PixelAt(51, 1), kRed));
  // Source and dest: the green half, placed 2..10 inside the control.
  EXPECT_TRUE(Near(surface_.PixelAt(5, 50), kGreen));
  EXPECT_TRUE(Near(surface_.PixelAt(1, 46), kWhite));
  EXPECT_TRUE(Near(surface_.PixelAt(12, 50), kWhite));
  // Fade 128 over white: green at half strength; the half-transparent blue at a quarter.
  EXPECT_TRUE(Near(surface_.PixelAt(52, 49), 0xFF7FFF7F, 6));
  EXPECT_TRUE(Near(surface_.PixelAt(63, 49), 0xFFBFBFFF, 6));
  // A missing image draws nothing.
  EXPECT_TRUE(Near(surface_.PixelAt(110, 10), kWhite));
}

// One colour over white, as the surface shows it.
UiColor OverWhite(UiColor c) {
  const uint32_t a = c >> 24;
  auto mix = [a](uint32_t v) { return (v * a + 255 * (255 - a) + 127) / 255; };
  return 0xFF000000u | (mix((c >> 16) & 0xFF) << 16) | (mix((c >> 8) & 0xFF) << 8) | mix(c & 0xFF);
}

// The first pixel of area (device pixels) that is not near expected and not skipped, as
// "x,y: got ..."; empty when there is none.
std::string FirstStray(const OffscreenSurface& s, const UiRect& area, UiColor expected,
                       const std::function<bool(int, int)>& skip = nullptr) {
  for (int y = area.top; y < area.bottom; ++y) {
    for (int x = area.left; x < area.right; ++x) {
      if (skip && skip(x, y)) continue;
      const auto match = Near(s.PixelAt(x, y), expected);
      if (!match) return std::to_string(x) + "," + std::to_string(y) + ": " + match.message();
    }
  }
  return {};
}

// The device pixels a logical rectangle covers at a scale: wholly (whole) or at least in part.
UiRect DevicePixels(const UiRect& r, double scale, bool whole) {
  auto in = [scale, whole](int v, bool lowEdge) {
    return static_cast<int>(lowEdge == whole ? std::ceil(v * scale) : std::floor(v * scale));
  };
  return {in(r.left, true), in(r.top, true), in(r.right, false), in(r.bottom, false)};
}

TEST_F(GdiplusRenderTest, StretchedSlicesMeetWithoutSeamsAtEveryScale) {
  constexpr UiColor kFill = 0xFF1A6FD1;
  constexpr UiColor kHalfFill = 0x801A6FD1;  // where two slices overlap it shows darker
  WritePng(images_, L"solid.png", 30, 24, [](int, int) { return kFill; });
  WritePng(images_, L"half.png", 30, 24, [](int, int) { return kHalfFill; });
  // The same 30 x 24 swatch inside a red surround: a sample from beyond the source shows red.
  WritePng(images_, L"framed.png", 36, 30, [](int x, int y) {
    return x >= 3 && x < 33 && y >= 4 && y < 28 ? kFill : kRed;
  });
  struct Variant {
    const wchar_t* file;
    UiColor colour;
    bool source;
    bool dest;
    bool hole;
    int fade;
  };
  const Variant variants[] = {{L"solid.png", kFill, false, false, false, 255},
                              {L"half.png", kHalfFill, false, false, false, 255},
                              {L"framed.png", kFill, true, false, false, 255},
                              {L"solid.png", kFill, false, true, false, 255},
                              {L"half.png", kHalfFill, false, false, true, 255},
                              {L"solid.png", kHalfFill, false, false, false, 128}};
  const UiRect corners[] = {{10, 10, 10, 10}, {5, 7, 3, 6}, {1, 1, 1, 1}};
  // Smaller than the corners, the image's own size, a pixel more, and stretched both ways.
  const UiSize sizes[] = {{15, 13}, {30, 24}, {31, 25}, {41, 33}, {77, 59}, {230, 44}};
  for (const double scale : {1.0, 1.5}) {
    OffscreenSurface s;
    ASSERT_TRUE(s.Resize(static_cast<int>(250 * scale), static_cast<int>(80 * scale)));
    for (const Variant& v : variants) {
      for (const UiRect& corner : corners) {
        for (const UiSize size : sizes) {
          ImageSpec image;
          image.file = v.file;
          image.corner = corner;
          image.hole = v.hole;
          image.fade = v.fade;
          if (v.source) {
            image.source = {3, 4, 33, 28};
            image.hasSource = true;
          }
          UiRect control{6, 4, 6 + size.cx, 4 + size.cy};
          UiRect drawn = control;
          if (v.dest) {
            control = {2, 2, 240, 76};
            image.dest = {drawn.left - 2, drawn.top - 2, drawn.right - 2, drawn.bottom - 2};
            image.hasDest = true;
          }
          s.Clear(kWhite);
          {
            GdiplusRenderContext ctx(s, scale);
            EXPECT_TRUE(ctx.DrawImage(image, control));
          }
          // At 1.5 an edge may fall inside a device pixel; such pixels are partly covered and left out.
          auto whole = [scale](const UiRect& r) { return DevicePixels(r, scale, true); };
          auto touched = [scale](const UiRect& r) { return DevicePixels(r, scale, false); };
          // Corners larger than the rectangle are cut to half of it each.
          UiRect fitted = corner;
          if (fitted.left + fitted.right > size.cx) fitted.left = fitted.right = size.cx / 2;
          if (fitted.top + fitted.bottom > size.cy) fitted.top = fitted.bottom = size.cy / 2;
          const UiRect inner{drawn.left + fitted.left, drawn.top + fitted.top, drawn.right - fitted.right,
                             drawn.bottom - fitted.bottom};
          const UiRect holeWhole = whole(inner);
          const UiRect holeTouched = touched(inner);
          const std::string what =
              text::ToUtf8(v.file) + (v.source ? " source" : "") + (v.dest ? " dest" : "") + (v.hole ? " hole" : "") +
              (v.fade < 255 ? " faded" : "") + " corner " + std::to_string(corner.left) + "," +
              std::to_string(corner.top) + "," + std::to_string(corner.right) + "," + std::to_string(corner.bottom) +
              " at " + std::to_string(size.cx) + "x" + std::to_string(size.cy) + " scale " + std::to_string(scale);
          const std::string inside =
              FirstStray(s, whole(drawn), OverWhite(v.colour), [&](int x, int y) {
                return v.hole && holeTouched.Contains({x, y});
              });
          EXPECT_EQ(inside, "") << what;
          if (v.hole) {
            EXPECT_EQ(FirstStray(s, holeWhole, kWhite), "") << what;
          }
          // Nothing lands outside the rectangle.
          const UiRect around = touched(drawn);
          const std::string outside =
              FirstStray(s, {around.left - 1, around.top - 1, around.right + 1, around.bottom + 1}, kWhite,
                         [&](int x, int y) { return around.Contains({x, y}); });
          EXPECT_EQ(outside, "") << what;
        }
      }
    }
  }
}

TEST_F(GdiplusRenderTest, ImagesAreReadFromTheSkinArchiveWhenOneIsSet) {
  std::string png;
  ASSERT_TRUE(ReadFileBytes(images_.File(L"nine.png"), png));
  // A stored zip with the image under a folder name, written by hand: the renderer sees the store only.
  TempDir zipDir;
  const std::string name = "img/nine.png";
  auto le16 = [](std::string& s, uint16_t v) { s.push_back(char(v & 0xFF)); s.push_back(char(v >> 8)); };
  auto le32 = [&](std::string& s, uint32_t v) { le16(s, v & 0xFFFF); le16(s, v >> 16); };
  uint32_t crc = 0xFFFFFFFFu;
  for (unsigned char b : png) {
    crc ^= b;
    for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
  }
  crc ^= 0xFFFFFFFFu;
  std::string zip;
  le32(zip, 0x04034b50); le16(zip, 10); le16(zip, 0); le16(zip, 0); le32(zip, 0); le32(zip, crc);
  le32(zip, png.size()); le32(zip, png.size()); le16(zip, name.size()); le16(zip, 0);
  zip += name + png;
  const size_t central = zip.size();
  le32(zip, 0x02014b50); le16(zip, 10); le16(zip, 10); le16(zip, 0); le16(zip, 0); le32(zip, 0); le32(zip, crc);
  le32(zip, png.size()); le32(zip, png.size()); le16(zip, name.size()); le16(zip, 0); le16(zip, 0); le16(zip, 0);
  le16(zip, 0); le32(zip, 0); le32(zip, 0);
  zip += name;
  const size_t centralSize = zip.size() - central;
  le32(zip, 0x06054b50); le16(zip, 0); le16(zip, 0); le16(zip, 1); le16(zip, 1); le32(zip, centralSize);
  le32(zip, central); le16(zip, 0);
  ASSERT_TRUE(WriteFileBytes(zipDir.File(L"skin.dll"), zip));
  ASSERT_TRUE(Resources().SetResourcePath(zipDir.Dir()));
  ASSERT_TRUE(Resources().SetResourceZip(L"skin.dll"));
  {
    GdiplusRenderContext ctx(surface_, 1.0);
    ImageSpec image;
    image.file = L"img\\NINE.png";
    EXPECT_TRUE(ctx.DrawImage(image, {0, 0, 12, 12}));
  }
  EXPECT_TRUE(Near(surface_.PixelAt(1, 1), kRed));
  EXPECT_TRUE(Near(surface_.PixelAt(6, 6), kBlue));
  ASSERT_TRUE(Resources().SetResourceZip(L""));
}

TEST_F(GdiplusRenderTest, ChangingTheResourceSourceDropsCachedImages) {
  TempDir other;
  WritePng(other, L"nine.png", 12, 12, [](int, int) { return kGreen; });
  ImageSpec image;
  image.file = L"nine.png";
  {
    GdiplusRenderContext ctx(surface_, 1.0);
    EXPECT_TRUE(ctx.DrawImage(image, {0, 0, 12, 12}));
  }
  ASSERT_TRUE(Resources().SetResourcePath(other.Dir()));
  {
    GdiplusRenderContext ctx(surface_, 1.0);
    EXPECT_TRUE(ctx.DrawImage(image, {20, 0, 32, 12}));
  }
  EXPECT_TRUE(Near(surface_.PixelAt(6, 6), kBlue));
  EXPECT_TRUE(Near(surface_.PixelAt(26, 6), kGreen));  // the new folder's image, not the cached one
}

TEST_F(GdiplusRenderTest, TextFollowsAlignmentStaysInsideItsBoxAndEndsInEllipsis) {
  FontSpec font;
  font.size = 14;
  TextStyle left;
  TextStyle right;
  right.align = TextAlign::Right;
  TextStyle ellipsis;
  ellipsis.endEllipsis = true;
  const std::wstring longText = L"Could not check for updates. You can still sign in and use Nimbrook.";
  {
    GdiplusRenderContext ctx(surface_, 1.0);
    ctx.DrawText(L"Hello", {0, 0, 120, 20}, font, 0xFF000000, left);
    ctx.DrawText(L"Hello", {0, 20, 120, 40}, font, 0xFF000000, right);
    ctx.DrawText(longText, {0, 40, 80, 60}, font, 0xFF000000, ellipsis);
    ctx.DrawText(longText, {0, 60, 80, 80}, font, 0xFF000000, left);
  }
  Keep("text");
  EXPECT_GT(DarkPixels(surface_, {0, 0, 60, 20}), 10);
  EXPECT_EQ(DarkPixels(surface_, {60, 0, 120, 20}), 0);
  EXPECT_GT(DarkPixels(surface_, {60, 20, 120, 40}), 10);
  EXPECT_EQ(DarkPixels(surface_, {0, 20, 60, 40}), 0);
  // Nothing leaves its box, and the shortened line ends differently from the cut one.
  EXPECT_EQ(DarkPixels(surface_, {80, 40, 120, 80}), 0);
  EXPECT_GT(DarkPixels(surface_, {0, 40, 80, 60}), 10);
  EXPECT_NE(Shape(surface_, {60, 40, 80, 60}), Shape(surface_, {60, 60, 80, 80}));
}

TEST_F(GdiplusRenderTest, ChineseGlyphsRenderAsDistinctShapes) {
  // Missing glyphs all render as the same box: two different characters drawing the same shape
  // means the font has no Chinese.
  FontSpec font;
  font.size = 20;
  TextStyle style;
  {
    GdiplusRenderContext ctx(surface_, 1.0);
    ctx.DrawText(L"\u4E2D", {0, 0, 30, 30}, font, 0xFF000000, style);  // 中
    ctx.DrawText(L"\u6587", {40, 0, 70, 30}, font, 0xFF000000, style);  // 文
    ctx.DrawText(L"\u786E\u5B9A", {0, 40, 120, 70}, font, 0xFF000000, style);  // 确定
  }
  Keep("chinese");
  EXPECT_GT(DarkPixels(surface_, {0, 0, 30, 30}), 15);
  EXPECT_GT(DarkPixels(surface_, {40, 0, 70, 30}), 15);
  EXPECT_NE(Shape(surface_, {0, 0, 30, 30}), Shape(surface_, {40, 0, 70, 30}));
}

TEST_F(GdiplusRenderTest, MeasuringWrapsAtTheWidthAndScalesWithDpi) {
  GdiplusRenderContext ctx(surface_, 1.0);
  FontSpec font;
  font.size = 12;
  const UiSize wide = ctx.MeasureText(L"WWWWWWWW", font, 0);
  const UiSize narrow = ctx.MeasureText(L"iiiiiiii", font, 0);
  EXPECT_GT(wide.cx, narrow.cx);
  EXPECT_GE(wide.cy, 12);
  EXPECT_LE(wide.cy, 24);
  const std::wstring words = L"one two three four five six seven eight";
  const UiSize line = ctx.MeasureText(words, font, 0);
  const UiSize wrapped = ctx.MeasureText(words, font, 60);
  EXPECT_LE(wrapped.cx, 60);
  EXPECT_GE(wrapped.cy, line.cy * 3);
  FontSpec big = font;
  big.size = 24;
  EXPECT_GT(ctx.MeasureText(L"WWWWWWWW", big, 0).cx, wide.cx * 3 / 2);
  EXPECT_EQ(ctx.MeasureText(L"", font, 0), UiSize{});

  // At 150 % a logical rectangle covers one and a half times the device pixels.
  OffscreenSurface scaled;
  ASSERT_TRUE(scaled.Resize(60, 60));
  scaled.Clear(kWhite);
  {
    GdiplusRenderContext big(scaled, 1.5);
    big.FillRect({10, 10, 30, 30}, kRed);
  }
  EXPECT_TRUE(Near(scaled.PixelAt(15, 15), kRed));
  EXPECT_TRUE(Near(scaled.PixelAt(44, 44), kRed));
  EXPECT_TRUE(Near(scaled.PixelAt(46, 46), kWhite));
  EXPECT_TRUE(Near(scaled.PixelAt(13, 13), kWhite));
}

TEST_F(GdiplusRenderTest, BrokenImageBytesAreRefusedAndLogged) {
  ASSERT_TRUE(WriteFileBytes(images_.File(L"broken.png"), std::string("\x89PNG\r\n\x1a\n garbage", 17)));
  TempDir logDir;
  SetLogFile(logDir.File(L"render.log"));
  EXPECT_EQ(DecodeImage(""), nullptr);
  EXPECT_EQ(DecodeImage("not an image"), nullptr);
  {
    GdiplusRenderContext ctx(surface_, 1.0);
    ImageSpec image;
    image.file = L"broken.png";
    EXPECT_FALSE(ctx.DrawImage(image, {0, 0, 20, 20}));
    EXPECT_FALSE(ctx.DrawImage(image, {0, 0, 20, 20}));  // remembered: no second attempt, no second line
  }
  SetLogFile(L"");
  std::string log;
  ASSERT_TRUE(ReadFileBytes(logDir.File(L"render.log"), log));
  EXPECT_NE(log.find("broken.png"), std::string::npos);
  EXPECT_EQ(log.find("broken.png"), log.rfind("broken.png"));
  EXPECT_TRUE(Near(surface_.PixelAt(10, 10), kWhite));
}

}  // namespace
}  // namespace nimbrook::toolkit
