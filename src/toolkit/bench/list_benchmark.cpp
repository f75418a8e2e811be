// Layout and paint cost of a 1,000-row server list: rows are built the way the main window builds
// them (a row element holding layouts, labels and a load bar), laid out in a window of the main
// window's size and painted through the recording renderer. Prints milliseconds per step; with
// "--repeats N" it prints instead the medians of build, layout and paint against rows of bare
// controls of the same count (the bench table's figures).
#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstdio>
#include <string>
#include <vector>

#include "toolkit/controls.h"
#include "toolkit/paint_manager.h"
#include "toolkit/recording_render_context.h"
#include "testing/bench_figures.h"

using namespace nimbrook::toolkit;

namespace {

using nimbrook::bench::Median;

CListContainerElementUI* MakeRow(int i) {
  auto* row = new CListContainerElementUI;
  row->ApplyAttributeList(L"name=\"row" + std::to_wstring(i) + L"\" height=\"36\"");
  auto* column = new CVerticalLayoutUI;
  auto* line = new CHorizontalLayoutUI;
  line->ApplyAttributeList(L"float=\"false\" ");
  auto* first = new CHorizontalLayoutUI;
  first->ApplyAttributeList(L"name=\"first_area\" float=\"false\" width=\"150\" ");
  auto* flag = new CControlUI;
  flag->ApplyAttributeList(L"name=\"flag_ico\" float=\"false\" padding=\"10,11,0,0\" width=\"16\" height=\"12\" bkimage=\"cn.png\"");
  auto* name = new CLabelUI;
  name->ApplyAttributeList(L"endellipsis=\"true\" textcolor=\"#FF666666\" font=\"2\" align=\"left\" textpadding=\"10,10,5,0\"");
  name->SetName(L"serv_name");
  name->SetText(L"\u9999\u6E2F " + std::to_wstring(i));
  first->Add(flag);
  first->Add(name);
  auto* desc = new CLabelUI;
  desc->ApplyAttributeList(L"endellipsis=\"true\" textcolor=\"#FF666666\" float=\"false\" width=\"200\" align=\"left\" textpadding=\"0,11,5,0\" font=\"2\" ");
  desc->SetText(L"Hong Kong premium line " + std::to_wstring(i));
  auto* delay = new CLabelUI;
  delay->ApplyAttributeList(L"align=\"left\" textcolor=\"#FF666666\" textpadding=\"0,11,5,0\" width=\"60\" font=\"2\" ");
  delay->SetText(std::to_wstring(20 + i % 180) + L"ms");
  auto* last = new CHorizontalLayoutUI;
  last->ApplyAttributeList(L"name=\"last_area\" float=\"false\" width=\"80\" ");
  auto* holder = new CContainerUI;
  holder->ApplyAttributeList(L"float=\"false\" inset=\"0,6,0,0\" align=\"left\" height=\"11\" padding=\"0,10,0,0\" width=\"45\"");
  auto* load = new CProgressUI;
  load->ApplyAttributeList(L"align=\"left\"");
  load->SetBkImage(L"jdt_back.png");
  load->SetForeImage(L"jdt_green.png");
  load->SetValue(i % 100);
  holder->Add(load);
  last->Add(holder);
  line->Add(first);
  line->Add(desc);
  line->Add(delay);
  line->Add(last);
  for (const wchar_t* hidden : {L"serv_ip", L"serv_allow", L"conn_type", L"area"}) {
    auto* label = new CLabelUI;
    label->SetName(hidden);
    label->SetVisible(false);
    line->Add(label);
  }
  auto* sep = new CControlUI;
  sep->ApplyAttributeList(L"height=\"1\" bkimage=\"file='serverlist_item_sepaline.png'\" ");
  column->Add(line);
  column->Add(sep);
  row->Add(column);
  return row;
}

double Ms(std::chrono::steady_clock::duration d) {
  return std::chrono::duration<double, std::milli>(d).count();
}

// The baseline row: the same number of controls (17), nested the same way, without attributes,
// texts or images.
CControlUI* MakeBareRow() {
  auto* row = new CVerticalLayoutUI;
  row->SetFixedHeight(36);
  auto* line = new CHorizontalLayoutUI;
  for (int i = 0; i < 15; ++i) line->Add(new CControlUI);
  row->Add(line);
  return row;
}

struct Times {
  double build = 0;
  double layout = 0;
  double paint = 0;
};

// Builds kRows rows with make into a fresh window, then lays out and paints it once.
template <typename Make>
Times OneRun(Make make, int rows) {
  using clock = std::chrono::steady_clock;
  CPaintManagerUI manager;
  manager.SetInitSize({841, 571});
  auto* root = new CVerticalLayoutUI;
  auto* list = new CVerticalLayoutUI;
  root->Add(list);
  manager.AttachDialog(root);
  Times t;
  auto a = clock::now();
  for (int i = 0; i < rows; ++i) list->Add(make(i));
  auto b = clock::now();
  manager.OnClientResize({841, rows * 36 + 40});
  manager.DoLayout();
  auto c = clock::now();
  RecordingRenderContext ctx(false);
  manager.Paint(ctx, {0, 0, 841, rows * 36 + 40});
  auto d = clock::now();
  t.build = Ms(b - a);
  t.layout = Ms(c - b);
  t.paint = Ms(d - c);
  return t;
}

// "figure NAME VALUE baseline BASE RATIO" lines for the bench table: medians over repeats of the
// server rows against bare rows of the same control count.
void PrintFigures(int repeats, int rows) {
  std::vector<double> build, layout, paint, bareBuild, bareLayout, barePaint;
  for (int r = 0; r < repeats; ++r) {
    const Times list = OneRun([](int i) { return MakeRow(i); }, rows);
    const Times bare = OneRun([](int) { return MakeBareRow(); }, rows);
    build.push_back(list.build);
    layout.push_back(list.layout);
    paint.push_back(list.paint);
    bareBuild.push_back(bare.build);
    bareLayout.push_back(bare.layout);
    barePaint.push_back(bare.paint);
  }
  const auto line = [](const char* name, const std::vector<double>& v, const std::vector<double>& base) {
    std::printf("figure %s %.2f baseline %.2f %.2f\n", name, Median(v), Median(base), Median(v) / Median(base));
  };
  line("build", build, bareBuild);
  line("layout", layout, bareLayout);
  line("paint", paint, barePaint);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::string(argv[1]) == "--repeats") {
    PrintFigures(std::max(1, std::atoi(argv[2])), 1000);
    return 0;
  }
  using clock = std::chrono::steady_clock;
  constexpr int kRows = 1000;
  constexpr int kRounds = 20;

  CPaintManagerUI manager;
  manager.SetInitSize({841, 571});
  auto* root = new CVerticalLayoutUI;
  auto* list = new CListUI;
  list->SetName(L"serverlist");
  root->Add(list);
  manager.AttachDialog(root);

  auto t0 = clock::now();
  for (int i = 0; i < kRows; ++i) list->Add(MakeRow(i));
  auto t1 = clock::now();

  manager.DoLayout();
  auto t2 = clock::now();

  RecordingRenderContext counter(false);
  const UiRect client{0, 0, 841, 571};
  double layoutTotal = 0;
  double paintTotal = 0;
  double scrollTotal = 0;
  for (int r = 0; r < kRounds; ++r) {
    manager.OnClientResize({841 - (r % 2), 571});
    auto a = clock::now();
    manager.DoLayout();
    auto b = clock::now();
    manager.Paint(counter, client);
    auto c = clock::now();
    list->GetList()->SetScrollPos({0, (r * 977) % 30000});
    manager.Paint(counter, client);
    auto d = clock::now();
    layoutTotal += Ms(b - a);
    paintTotal += Ms(c - b);
    scrollTotal += Ms(d - c);
  }

  // Painting every row: a window tall enough to show the whole list.
  manager.OnClientResize({841, kRows * 36 + 40});
  manager.DoLayout();
  RecordingRenderContext all(false);
  auto e = clock::now();
  manager.Paint(all, {0, 0, 841, kRows * 36 + 40});
  auto f = clock::now();

  std::printf("rows: %d, controls per row: %d\n", list->GetCount(), 17);
  std::printf("build rows:                   %8.2f ms\n", Ms(t1 - t0));
  std::printf("first layout:                 %8.2f ms\n", Ms(t2 - t1));
  std::printf("layout after resize (avg):    %8.2f ms\n", layoutTotal / kRounds);
  std::printf("paint visible rows (avg):     %8.2f ms\n", paintTotal / kRounds);
  std::printf("scroll + paint (avg):         %8.2f ms\n", scrollTotal / kRounds);
  std::printf("paint all %d rows:          %8.2f ms (%zu draw calls)\n", kRows, Ms(f - e), all.OpCount());
  return 0;
}
