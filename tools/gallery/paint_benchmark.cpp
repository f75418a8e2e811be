// toolkit-paint-benchmark.exe: a server list of 1,000 rows (the main window's row shape: four labels
// and a load bar) built from markup, laid out and painted with GDI+ into an off-screen bitmap of
// window size; then every row painted once by scrolling page after page. Prints the times.
//   toolkit-paint-benchmark.exe --figures PROGRAM_DIR [--repeats N]
// prints instead the bench table's figures: a repaint of the gallery (every control kind of the
// packed skin) and of the list's first page, each against the same drawing calls issued straight to
// GDI+ (what the toolkit adds to the drawing itself), as medians over the repeats.
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "toolkit/controls.h"
#include "toolkit/dialog_builder.h"
#include "toolkit/fake_paint_host.h"
#include "toolkit/gdiplus_render_win.h"
#include "toolkit/paint_manager.h"
#include "testing/bench_figures.h"

using namespace nimbrook::toolkit;
using Clock = std::chrono::steady_clock;

namespace {

using nimbrook::bench::Median;

double Ms(Clock::time_point from, Clock::time_point to) {
  return std::chrono::duration<double, std::milli>(to - from).count();
}

std::string ListLayout(int rows) {
  std::string xml =
      "<Window size=\"900,640\"><Font id=\"0\" name=\"Microsoft YaHei\" size=\"12\" default=\"true\" />"
      "<Font id=\"2\" name=\"Microsoft YaHei\" size=\"14\" />"
      "<VerticalLayout bkcolor=\"#FFF4F7FA\"><List name=\"serverlist\" header=\"visible\" itemfont=\"2\" "
      "itemtextcolor=\"#FF666666\" itemhotbkcolor=\"#FFEEF4FB\" itemselectedbkcolor=\"#FFDDEBFB\" "
      "itemlinecolor=\"#FFE8EDF3\" vscrollbar=\"true\" bkcolor=\"#FFFFFFFF\">"
      "<ListHeader height=\"30\" bkcolor=\"#FFF6F8FB\">"
      "<ListHeaderItem text=\"Server\" width=\"300\" /><ListHeaderItem text=\"Notes\" width=\"300\" />"
      "<ListHeaderItem text=\"Latency\" width=\"120\" /><ListHeaderItem text=\"Load\" width=\"160\" />"
      "</ListHeader>";
  for (int i = 0; i < rows; ++i) {
    const std::string n = std::to_string(i);
    xml += "<ListContainerElement name=\"row" + n + "\" height=\"37\"><HorizontalLayout mouse=\"false\">"
           "<Label font=\"2\" textcolor=\"#FF666666\" endellipsis=\"true\" textpadding=\"10,0,5,0\" width=\"300\" "
           "text=\"Server " + n + " 香港\" />"
           "<Label font=\"2\" textcolor=\"#FF666666\" endellipsis=\"true\" textpadding=\"10,0,5,0\" width=\"300\" "
           "text=\"Streaming, low latency, row " + n + "\" />"
           "<Label font=\"2\" textcolor=\"#FF666666\" textpadding=\"10,0,5,0\" width=\"120\" text=\"" +
           std::to_string(20 + i % 200) + " ms\" />"
           "<HorizontalLayout width=\"160\" inset=\"10,14,0,14\"><Progress width=\"45\" height=\"8\" "
           "max=\"100\" value=\"" + std::to_string(i % 100) + "\" bkcolor=\"#FFE6EBF1\" forecolor=\"#FF1F9D6B\" />"
           "<Label width=\"60\" text=\"" + std::to_string(i % 100) + "%\" textpadding=\"6,0,0,0\" /></HorizontalLayout>"
           "</HorizontalLayout></ListContainerElement>";
  }
  xml += "</List></VerticalLayout></Window>";
  return xml;
}

// Records every drawing call with its arguments so it can be issued again to another context.
// Text is measured by the real context, so layout sees the same sizes as in a plain paint.
class CallRecorder : public RenderContext {
 public:
  explicit CallRecorder(RenderContext& measure) : measure_(measure) {}

  void FillRect(const UiRect& r, UiColor c) override {
    calls_.push_back([=](RenderContext& x) { x.FillRect(r, c); });
  }
  void FillRoundRect(const UiRect& r, UiSize round, UiColor c) override {
    calls_.push_back([=](RenderContext& x) { x.FillRoundRect(r, round, c); });
  }
  void FillGradient(const UiRect& r, UiColor top, UiColor bottom) override {
    calls_.push_back([=](RenderContext& x) { x.FillGradient(r, top, bottom); });
  }
  void DrawBorder(const UiRect& r, int size, UiColor c, UiSize round) override {
    calls_.push_back([=](RenderContext& x) { x.DrawBorder(r, size, c, round); });
  }
  bool DrawImage(const ImageSpec& image, const UiRect& r) override {
    calls_.push_back([=](RenderContext& x) { x.DrawImage(image, r); });
    return true;
  }
  void DrawText(const std::wstring& text, const UiRect& r, const FontSpec& font, UiColor c,
                const TextStyle& style) override {
    calls_.push_back([=](RenderContext& x) { x.DrawText(text, r, font, c, style); });
  }
  UiSize MeasureText(const std::wstring& text, const FontSpec& font, int maxWidth) override {
    return measure_.MeasureText(text, font, maxWidth);
  }
  void PushClip(const UiRect& r, UiSize round) override {
    calls_.push_back([=](RenderContext& x) { x.PushClip(r, round); });
  }
  void PopClip() override {
    calls_.push_back([](RenderContext& x) { x.PopClip(); });
  }

  using Calls = std::vector<std::function<void(RenderContext&)>>;
  Calls TakeCalls() { return std::move(calls_); }

 private:
  RenderContext& measure_;
  Calls calls_;
};

// One figure line: the toolkit's repaint of what pm holds against the recorded calls replayed.
bool PaintFigure(const char* name, CPaintManagerUI& pm, UiSize size, int repeats) {
  OffscreenSurface surface;
  if (!surface.Resize(size.cx, size.cy)) return false;
  const UiRect all{0, 0, size.cx, size.cy};
  CallRecorder::Calls calls;
  {
    GdiplusRenderContext ctx(surface, 1.0);
    pm.Paint(ctx, all);   // the first paint loads images and fonts; neither side pays for it
    CallRecorder recorder(ctx);
    pm.Paint(recorder, all);
    calls = recorder.TakeCalls();
  }
  std::vector<double> paint;
  std::vector<double> replay;
  // Several paints per sample: one is a few milliseconds, too close to the clock's resolution.
  const int perSample = 10;
  for (int i = 0; i < repeats; ++i) {
    auto a = Clock::now();
    for (int k = 0; k < perSample; ++k) {
      GdiplusRenderContext ctx(surface, 1.0);
      pm.Paint(ctx, all);
    }
    auto b = Clock::now();
    paint.push_back(Ms(a, b) / perSample);
    a = Clock::now();
    for (int k = 0; k < perSample; ++k) {
      GdiplusRenderContext ctx(surface, 1.0);
      for (const auto& call : calls) call(ctx);
    }
    b = Clock::now();
    replay.push_back(Ms(a, b) / perSample);
  }
  const double p = Median(paint);
  const double r = Median(replay);
  std::printf("figure %s %.2f baseline %.2f %.2f calls %zu\n", name, p, r, r > 0 ? p / r : 0.0,
              calls.size());
  return true;
}

// The figures: the gallery from the packed skin of programDir, and the first page of the list.
int Figures(const std::wstring& programDir, int repeats) {
  std::wstring dir = programDir;
  if (!dir.empty() && dir.back() != L'\\') dir += L'\\';
  if (!CPaintManagerUI::SetResourcePath(dir + L"skin\\") || !CPaintManagerUI::SetResourceZip(L"skin.dll")) {
    std::printf("the skin of %ls cannot be read\n", dir.c_str());
    return 1;
  }
  {
    CPaintManagerUI pm;
    FakePaintHost host;
    host.allowNativeChildren = false;
    CDialogBuilder builder;
    CControlUI* root = builder.Create(L"gallery.xml", nullptr, &pm);
    if (!root) {
      std::printf("gallery layout error\n");
      return 1;
    }
    pm.SetHost(&host);
    pm.AttachDialog(root);
    host.clientSize = pm.GetInitSize();
    pm.DoLayout();
    if (!PaintFigure("gallery_paint", pm, host.clientSize, repeats)) return 1;
  }
  {
    CPaintManagerUI pm;
    FakePaintHost host;
    host.clientSize = {900, 640};
    CDialogBuilder builder;
    CControlUI* root = builder.CreateFromText(ListLayout(1000), L"benchmark.xml", nullptr, &pm);
    if (!root) return 1;
    pm.SetHost(&host);
    pm.AttachDialog(root);
    pm.DoLayout();
    if (!PaintFigure("list_page_paint", pm, host.clientSize, repeats)) return 1;
  }
  return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (!EnsureGdiplus()) {
    std::printf("GDI+ could not be started\n");
    return 1;
  }
  if (argc >= 3 && std::wstring(argv[1]) == L"--figures") {
    int repeats = 5;
    if (argc >= 5 && std::wstring(argv[3]) == L"--repeats") repeats = std::max(1, _wtoi(argv[4]));
    return Figures(argv[2], repeats);
  }
  const int rows = 1000;
  const std::string xml = ListLayout(rows);

  const auto t0 = Clock::now();
  CPaintManagerUI pm;
  FakePaintHost host;
  host.clientSize = {900, 640};
  CDialogBuilder builder;
  CControlUI* root = builder.CreateFromText(xml, L"benchmark.xml", nullptr, &pm);
  if (!root) {
    std::printf("layout error\n");
    return 1;
  }
  pm.SetHost(&host);
  pm.AttachDialog(root);
  const auto t1 = Clock::now();
  pm.DoLayout();
  const auto t2 = Clock::now();

  OffscreenSurface surface;
  if (!surface.Resize(900, 640)) return 1;
  const UiRect all{0, 0, 900, 640};
  {
    GdiplusRenderContext ctx(surface, 1.0);
    pm.Paint(ctx, all);
  }
  const auto t3 = Clock::now();

  const int repaints = 20;
  for (int i = 0; i < repaints; ++i) {
    GdiplusRenderContext ctx(surface, 1.0);
    pm.Paint(ctx, all);
  }
  const auto t4 = Clock::now();

  // Every row once: scroll a page at a time and paint.
  auto* list = dynamic_cast<CListUI*>(pm.FindControl(L"serverlist"));
  int pages = 0;
  const auto t5 = Clock::now();
  if (list) {
    for (int index = 0; index < rows; index += 16) {
      list->EnsureVisible(index);
      pm.DoLayout();
      GdiplusRenderContext ctx(surface, 1.0);
      pm.Paint(ctx, all);
      ++pages;
    }
  }
  const auto t6 = Clock::now();

  std::printf("rows: %d\n", rows);
  std::printf("build from markup: %.1f ms\n", Ms(t0, t1));
  std::printf("first layout: %.1f ms\n", Ms(t1, t2));
  std::printf("first paint (900x640, GDI+): %.1f ms\n", Ms(t2, t3));
  std::printf("full layout + first paint: %.1f ms\n", Ms(t1, t3));
  std::printf("repaint, mean of %d: %.2f ms\n", repaints, Ms(t3, t4) / repaints);
  std::printf("every row painted (%d pages): %.1f ms, %.2f ms a page\n", pages, Ms(t5, t6),
              pages ? Ms(t5, t6) / pages : 0.0);
  std::fflush(stdout);
  return 0;
}
