// toolkit-paint-benchmark.exe: a server list of 1,000 rows (the main window's row shape: four labels
// and a load bar) built from markup, laid out and painted with GDI+ into an off-screen bitmap of
// window size; then every row painted once by scrolling page after page. Prints the times.
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <string>

#include "toolkit/controls.h"
#include "toolkit/dialog_builder.h"
#include "toolkit/fake_paint_host.h"
#include "toolkit/gdiplus_render_win.h"
#include "toolkit/paint_manager.h"

using namespace nimbrook::toolkit;
using Clock = std::chrono::steady_clock;

namespace {

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

}  // namespace

int main() {
  if (!EnsureGdiplus()) {
    std::printf("GDI+ could not be started\n");
    return 1;
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
