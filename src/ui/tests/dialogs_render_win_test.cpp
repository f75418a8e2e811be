// Each dialog's layout from the packed skin, filled as its window fills it, laid out at the window's
// size and painted with GDI+ into an off-screen bitmap: the theme's colours must be where the layouts
// put them, in English and in Chinese. The renders go to the screenshot folder for review.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <functional>
#include <tuple>

#include "core/languages.h"
#include "core/paths.h"
#include "core/text.h"
#include "testing/host_path.h"
#include "toolkit/dialog_builder.h"
#include "toolkit/fake_paint_host.h"
#include "toolkit/gdiplus_render_win.h"
#include "toolkit/paint_manager.h"
#include "ui/pop_box.h"
#include "ui/window_rules.h"
#include "ui/window_texts.h"

namespace nimbrook {
namespace {

using namespace toolkit;

// A folder of the build machine as a Windows path with its trailing separator.
std::wstring WinePath(const char* unixPath) {
  std::wstring path = testing::HostPath(unixPath);
  if (!path.empty() && path.back() != L'\\') path += L'\\';
  return path;
}

int Channel(UiColor c, int shift) { return static_cast<int>((c >> shift) & 0xFF); }

::testing::AssertionResult ColorNear(UiColor actual, UiColor expected, int tolerance = 6) {
  for (int shift : {16, 8, 0}) {
    if (std::abs(Channel(actual, shift) - Channel(expected, shift)) > tolerance) {
      char text[80];
      std::snprintf(text, sizeof(text), "pixel #%08X, expected near #%08X", static_cast<unsigned>(actual),
                    static_cast<unsigned>(expected));
      return ::testing::AssertionFailure() << text;
    }
  }
  return ::testing::AssertionSuccess();
}

// Pixels of a rectangle whose colour is far from the background: drawn text or glyphs.
int InkIn(const OffscreenSurface& s, const UiRect& r, UiColor background) {
  int count = 0;
  for (int y = r.top; y < r.bottom; ++y) {
    for (int x = r.left; x < r.right; ++x) count += ColorNear(s.PixelAt(x, y), background, 60) ? 0 : 1;
  }
  return count;
}

using Param = std::tuple<const wchar_t*, const wchar_t*>;   // dialog, language

class DialogRender : public ::testing::TestWithParam<Param> {
 protected:
  void SetUp() override {
    const std::wstring program = WinePath(NIMBROOK_PROGRAM_DIR);
    SetProcessPaths(ComputePaths(program + L"toolkit-gallery.exe"));
    SelectLanguage(std::get<1>(GetParam()));
    LoadLanguage();
    ASSERT_NE(Text(L"ok"), L"ok");   // the language file was found
    ASSERT_TRUE(CPaintManagerUI::SetResourcePath(program + L"skin\\"));
    ASSERT_TRUE(CPaintManagerUI::SetResourceZip(L"skin.dll"));
    ASSERT_TRUE(EnsureGdiplus());
    host.allowNativeChildren = false;
  }

  // Builds the layout, fills it as the window does and paints it at size (the layout's own when 0).
  void Render(const std::wstring& layout, const std::function<void()>& fill, UiSize size = {}) {
    CDialogBuilder builder;
    CControlUI* root = builder.Create(layout, nullptr, &pm);
    ASSERT_NE(root, nullptr) << text::ToUtf8(builder.GetLastError());
    pm.SetHost(&host);
    ASSERT_TRUE(pm.AttachDialog(root));
    fill();
    host.clientSize = size.cx > 0 ? size : pm.GetInitSize();
    pm.OnClientResize(host.clientSize);
    ASSERT_TRUE(surface.Resize(host.clientSize.cx, host.clientSize.cy));
    surface.Clear(0xFFFF00FF);   // magenta: anything left unpainted shows
    GdiplusRenderContext ctx(surface, 1.0);
    ASSERT_TRUE(ctx.IsValid());
    pm.Paint(ctx, {0, 0, host.clientSize.cx, host.clientSize.cy});
  }

  UiRect Pos(const wchar_t* name) {
    CControlUI* c = pm.FindControl(name);
    return c ? c->GetPos() : UiRect{};
  }

  void Save() {
    std::optional<std::string> png = EncodePng(surface);
    ASSERT_TRUE(png.has_value());
    const std::wstring dir = WinePath(NIMBROOK_SCREENSHOT_DIR);
    ::CreateDirectoryW(dir.c_str(), nullptr);
    const std::wstring file =
        dir + L"render-" + std::get<0>(GetParam()) + L"-" + std::get<1>(GetParam()) + L".png";
    std::FILE* out = _wfopen(file.c_str(), L"wb");
    ASSERT_NE(out, nullptr);
    std::fwrite(png->data(), 1, png->size(), out);
    std::fclose(out);
  }

  CPaintManagerUI pm;
  FakePaintHost host;
  OffscreenSurface surface;
};

TEST_P(DialogRender, ThemeColoursAndTextsWhereTheLayoutPutsThem) {
  const std::wstring dialog = std::get<0>(GetParam());
  if (dialog == L"ok" || dialog == L"okcancel" || dialog == L"update_now") {
    const wchar_t* message = dialog == L"update_now" ? L"msg_need_update" : L"msg_sure_exit";
    Render(dialog + L".xml", [&] { FillPopBoxTexts(pm, dialog, Text(message)); });
    if (HasFatalFailure()) return;
    const int width = host.clientSize.cx;
    EXPECT_TRUE(ColorNear(surface.PixelAt(width / 2 + 60, 4), 0xFF173B63));          // title strip
    EXPECT_TRUE(ColorNear(surface.PixelAt(width - 20, 130), 0xFFFFFFFF));            // body
    const UiRect ok = Pos(L"ok");
    EXPECT_TRUE(ColorNear(surface.PixelAt(ok.left + 6, ok.top + 15), 0xFF1A6FD1));   // primary button
    EXPECT_GT(InkIn(surface, Pos(L"title"), 0xFF173B63), 20);                        // its title
    EXPECT_GT(InkIn(surface, Pos(L"text"), 0xFFFFFFFF), 20);                         // the message
    EXPECT_GT(InkIn(surface, ok.Deflate({8, 6, 8, 6}), 0xFF1A6FD1), 10);             // the button's text
    if (dialog != L"ok") {
      const UiRect cancel = Pos(L"cancel");
      EXPECT_TRUE(ColorNear(surface.PixelAt(cancel.left + 6, cancel.top + 15), 0xFFFFFFFF, 12));
      EXPECT_GT(InkIn(surface, cancel.Deflate({8, 6, 8, 6}), 0xFFFFFFFF), 10);
    }
  } else if (dialog == L"notify") {
    Render(L"notify.xml", [&] { pm.FindControl(L"title")->SetText(Text(L"nimbrookjsq")); });
    if (HasFatalFailure()) return;
    EXPECT_TRUE(ColorNear(surface.PixelAt(host.clientSize.cx / 2 + 60, 4), 0xFF173B63));
    const UiRect web = Pos(L"notifyweb");
    EXPECT_TRUE(ColorNear(surface.PixelAt((web.left + web.right) / 2, (web.top + web.bottom) / 2), 0xFFF4F7FA));
    EXPECT_GT(InkIn(surface, Pos(L"title"), 0xFF173B63), 20);
  } else if (dialog == L"menu") {
    Render(L"menu.xml", [&] { FillMenuTexts(pm); });
    if (HasFatalFailure()) return;
    EXPECT_TRUE(ColorNear(surface.PixelAt(host.clientSize.cx - 10, 3), 0xFFFFFFFF));
    for (const wchar_t* item : {L"setting", L"home", L"help", L"navigater", L"about"}) {
      EXPECT_GT(InkIn(surface, Pos(item), 0xFFFFFFFF), 20) << text::ToUtf8(item);
    }
  } else if (dialog == L"protocol") {
    Render(L"protocol.xml",
           [&] {
             auto* list = dynamic_cast<CContainerUI*>(pm.FindControl(L"listProtocol"));
             ASSERT_NE(list, nullptr);
             EXPECT_EQ(FillProtocolRows(*list, L"AUTO", {L"AUTO", L"PPTP", L"L2TP", L"OVPN-UDP"}), 4);
           },
           {101, PickerHeight(4)});
    if (HasFatalFailure()) return;
    // The current row is marked with the selection colour, the others are white.
    const UiRect current = Pos(L"AUTO");
    EXPECT_TRUE(ColorNear(surface.PixelAt(current.right - 6, current.top + 3), 0xFFDDEBFB));
    const UiRect other = Pos(L"L2TP");
    EXPECT_TRUE(ColorNear(surface.PixelAt(other.right - 6, other.top + 3), 0xFFFFFFFF));
    EXPECT_EQ(current.Height(), 25);
    EXPECT_LE(Pos(L"OVPN-UDP").bottom, PickerHeight(4));   // every row inside the picker
    EXPECT_GT(InkIn(surface, other, 0xFFFFFFFF), 20);
  } else if (dialog == L"route") {
    Render(L"route.xml", [&] { FillRouteTexts(pm); }, {101, PickerHeight(2)});
    if (HasFatalFailure()) return;
    EXPECT_TRUE(ColorNear(surface.PixelAt(100 - 6, 3), 0xFFFFFFFF));
    EXPECT_GT(InkIn(surface, Pos(L"route_ipscope"), 0xFFFFFFFF), 20);
    EXPECT_GT(InkIn(surface, Pos(L"route_global"), 0xFFFFFFFF), 20);
    EXPECT_LE(Pos(L"route_global").bottom, PickerHeight(2));
  }
  // Nothing of the window is left unpainted.
  EXPECT_EQ(InkIn(surface, {0, 0, host.clientSize.cx, host.clientSize.cy}, 0xFFFF00FF),
            host.clientSize.cx * host.clientSize.cy);
  Save();
}

INSTANTIATE_TEST_SUITE_P(Dialogs, DialogRender,
                         ::testing::Combine(::testing::Values(L"ok", L"okcancel", L"update_now", L"notify",
                                                              L"menu", L"protocol", L"route"),
                                            ::testing::Values(L"eng", L"chs")));

}  // namespace
}  // namespace nimbrook
