// The gallery layout from the packed skin, laid out and painted with GDI+ into an off-screen bitmap:
// the theme's colours must be where the layout puts them (header strip, canvas, border, primary and
// default buttons, list surface, progress), in English and in Chinese. The renders are written to
// the screenshot folder for review.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "core/languages.h"
#include "core/paths.h"
#include "core/text.h"
#include "testing/host_path.h"
#include "toolkit/controls.h"
#include "toolkit/dialog_builder.h"
#include "toolkit/fake_paint_host.h"
#include "toolkit/gdiplus_render_win.h"
#include "toolkit/paint_manager.h"

namespace nimbrook::toolkit {
namespace {

// A path of the build tree as Wine sees it.
// A folder of the build machine as a Windows path with its trailing separator.
std::wstring WinePath(const char* unixPath) {
  std::wstring path = testing::HostPath(unixPath);
  if (!path.empty() && path.back() != L'\\') path += L'\\';
  return path;
}

int AlphaOf(UiColor c) { return (c >> 24) & 0xFF; }
int RedOf(UiColor c) { return (c >> 16) & 0xFF; }
int GreenOf(UiColor c) { return (c >> 8) & 0xFF; }
int BlueOf(UiColor c) { return c & 0xFF; }

::testing::AssertionResult ColorNear(UiColor actual, UiColor expected, int tolerance = 4) {
  const bool matches = std::abs(RedOf(actual) - RedOf(expected)) <= tolerance &&
                    std::abs(GreenOf(actual) - GreenOf(expected)) <= tolerance &&
                    std::abs(BlueOf(actual) - BlueOf(expected)) <= tolerance &&
                    AlphaOf(actual) >= 250;
  if (matches) return ::testing::AssertionSuccess();
  char text[80];
  std::snprintf(text, sizeof(text), "pixel #%08X, expected near #%08X", static_cast<unsigned>(actual),
                static_cast<unsigned>(expected));
  return ::testing::AssertionFailure() << text;
}

class GalleryRender : public ::testing::TestWithParam<const wchar_t*> {
 protected:
  void SetUp() override {
    const std::wstring program = WinePath(NIMBROOK_PROGRAM_DIR);
    ProcessPaths paths = ComputePaths(program + L"toolkit-gallery.exe");
    SetProcessPaths(paths);
    SelectLanguage(GetParam());
    LoadLanguage();
    ASSERT_TRUE(CPaintManagerUI::SetResourcePath(program + L"skin\\"));
    ASSERT_TRUE(CPaintManagerUI::SetResourceZip(L"skin.dll"));
    ASSERT_TRUE(EnsureGdiplus());
  }

  // Builds the gallery, fills the language texts as the gallery program does, lays it out at its
  // Window size and paints it into the surface.
  void Render(CPaintManagerUI& pm, FakePaintHost& host, OffscreenSurface& surface) {
    CDialogBuilder builder;
    CControlUI* root = builder.Create(L"gallery.xml", nullptr, &pm);
    ASSERT_NE(root, nullptr) << text::ToUtf8(builder.GetLastError());
    pm.SetHost(&host);
    ASSERT_TRUE(pm.AttachDialog(root));
    root->VisitControls([](CControlUI* control) {
      const std::wstring text = Text(control->GetName());
      if (!control->GetName().empty() && text != control->GetName()) control->SetText(text);
    });
    if (CControlUI* title = pm.FindControl(L"title")) title->SetText(L"Nimbrook \x00B7 Toolkit");
    host.clientSize = pm.GetInitSize();
    ASSERT_GT(host.clientSize.cx, 400);
    ASSERT_GT(host.clientSize.cy, 300);
    ASSERT_TRUE(surface.Resize(host.clientSize.cx, host.clientSize.cy));
    surface.Clear(0xFFFFFFFF);
    GdiplusRenderContext ctx(surface, 1.0);
    ASSERT_TRUE(ctx.IsValid());
    pm.Paint(ctx, {0, 0, host.clientSize.cx, host.clientSize.cy});
  }

  static UiPoint Inside(CPaintManagerUI& pm, const wchar_t* name, int dx, int dy) {
    CControlUI* control = pm.FindControl(name);
    if (!control) return {-1, -1};
    const UiRect r = control->GetPos();
    return {dx >= 0 ? r.left + dx : r.right + dx, dy >= 0 ? r.top + dy : r.bottom + dy};
  }
};

TEST_P(GalleryRender, ThemeColoursSitWhereTheLayoutPutsThem) {
  CPaintManagerUI pm;
  FakePaintHost host;
  host.allowNativeChildren = false;   // edits paint their own text off-screen
  OffscreenSurface surface;
  Render(pm, host, surface);
  if (HasFatalFailure()) return;

  // Header strip and canvas.
  EXPECT_TRUE(ColorNear(surface.PixelAt(450, 3), 0xFF173B63));
  EXPECT_TRUE(ColorNear(surface.PixelAt(5, host.clientSize.cy - 10), 0xFFF4F7FA));
  // Primary and default buttons, away from their text.
  UiPoint p = Inside(pm, L"ok", 6, 15);
  EXPECT_TRUE(ColorNear(surface.PixelAt(p.x, p.y), 0xFF1A6FD1)) << "ok at " << p.x << "," << p.y;
  p = Inside(pm, L"cancel", 6, 15);
  EXPECT_TRUE(ColorNear(surface.PixelAt(p.x, p.y), 0xFFFFFFFF, 12)) << "cancel at " << p.x << "," << p.y;
  // The list's surface is white below its rows; the selected option's mark is the primary blue.
  p = Inside(pm, L"serverlist", 200, -8);
  EXPECT_TRUE(ColorNear(surface.PixelAt(p.x, p.y), 0xFFFFFFFF)) << "list at " << p.x << "," << p.y;
  p = Inside(pm, L"allopt", 8, 15);
  const UiColor mark = surface.PixelAt(p.x, p.y);
  EXPECT_GT(BlueOf(mark), RedOf(mark) + 60) << "option mark at " << p.x << "," << p.y;
  // Some text was drawn in the header (white on navy) and in the body (ink on canvas).
  int whiteInHeader = 0;
  for (int x = 40; x < 400; ++x) {
    for (int y = 8; y < 32; ++y) whiteInHeader += RedOf(surface.PixelAt(x, y)) > 200 ? 1 : 0;
  }
  EXPECT_GT(whiteInHeader, 20);

  // The render, for review.
  std::optional<std::string> png = EncodePng(surface);
  ASSERT_TRUE(png.has_value());
  const std::wstring dir = WinePath(NIMBROOK_SCREENSHOT_DIR);
  ::CreateDirectoryW(dir.c_str(), nullptr);
  const std::wstring file = dir + L"gallery-offscreen-" + GetParam() + L".png";
  std::FILE* out = _wfopen(file.c_str(), L"wb");
  ASSERT_NE(out, nullptr);
  std::fwrite(png->data(), 1, png->size(), out);
  std::fclose(out);
}

INSTANTIATE_TEST_SUITE_P(Languages, GalleryRender, ::testing::Values(L"eng", L"chs"));

}  // namespace
}  // namespace nimbrook::toolkit
