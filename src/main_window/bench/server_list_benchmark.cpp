// Cost of the server list view with a large catalogue: building the rows, filtering by area, sorting
// by name (both directions), delay and load, and emptying the list, at 1,000 and 2,000 rows; the
// ratio between the two sizes shows whether a step grows linearly (about 2) or quadratically (about 4).
// Times are processor time of this program, so other work on the machine does not count.
//   main_window-list-benchmark [--figures --repeats N]
// With --figures it prints the bench table's lines instead: each step's median at 8,000 rows against
// its median at 4,000 rows (sizes past the processor's caches, where a linear step doubles).
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include "catalogue/catalogue.h"
#include "main_window/server_list_view.h"
#include "toolkit/controls.h"
#include "toolkit/paint_manager.h"
#include "testing/bench_figures.h"

using namespace nimbrook;
using namespace nimbrook::toolkit;

namespace {

using nimbrook::bench::Median;

constexpr const wchar_t* kAreas[] = {L"香港", L"美国", L"日本", L"免费", L"台湾", L"英国"};

std::wstring Entry(int i) {
  const std::wstring n = std::to_wstring(i);
  const std::wstring text = std::wstring(L"area,") + kAreas[i % 6] + L"|nasname," + wchar_t(L'A' + (i * 7) % 26) +
                            L"-" + n + L"|IP,10.0." + std::to_wstring(i / 250) + L"." + std::to_wstring(i % 250) +
                            L"|info,line " + n + L"|allow,1|onlineusers," + std::to_wstring(i % 97) +
                            L"|maxusers,100|connecttype,PPTP=1723#L2TP=1701#OVPN-UDP=1194#OVPN-TCP=443";
  return text;
}

double Ms(std::clock_t d) { return 1000.0 * static_cast<double>(d) / CLOCKS_PER_SEC; }

struct Timings {
  double build, filter, sortName, sortNameDesc, sortDelay, sortLoad, sortAgain, clear;
};

Timings Run(int rows) {
  CPaintManagerUI manager;
  manager.SetInitSize({841, 571});
  auto* root = new CVerticalLayoutUI;
  auto* list = new CListUI;
  list->SetName(L"serverlist");
  root->Add(list);
  auto* header = new CListHeaderItemUI;
  header->SetName(L"server_header");
  list->Add(header);
  auto* delay = new CListHeaderItemUI;
  delay->SetName(L"delay_header");
  list->Add(delay);
  auto* load = new CListHeaderItemUI;
  load->SetName(L"usagerate_header");
  list->Add(load);
  manager.AttachDialog(root);
  ServerListView view(*list, nullptr, nullptr, [] { return false; });

  std::wstring naslist;
  for (int i = 0; i < rows; ++i) naslist += (i ? L";" : L"") + Entry(i);
  Catalogue catalogue;
  catalogue.Rebuild(naslist);
  const std::vector<ServerEntry>& entries = catalogue.Entries();
  Timings t{};
  auto a = std::clock();
  for (const auto& e : entries) (void)view.AddRow(e);
  auto b = std::clock();
  t.build = Ms(b - a);
  (void)view.SelectRow(rows / 2, false);   // the selection follows its row through every sort
  for (int i = 0; i < rows; ++i) view.SetDelayText(view.RowAt(i), std::to_wstring((i * 37) % 400) + L"ms");

  a = std::clock();
  view.Filter(kAreaAmerica);
  view.Filter(kAreaAll);
  t.filter = Ms(std::clock() - a) / 2;
  a = std::clock();
  view.Sort(*header);
  t.sortName = Ms(std::clock() - a);
  a = std::clock();
  view.Sort(*header);
  t.sortNameDesc = Ms(std::clock() - a);
  a = std::clock();
  view.Sort(*delay);
  t.sortDelay = Ms(std::clock() - a);
  a = std::clock();
  view.Sort(*load);
  t.sortLoad = Ms(std::clock() - a);
  load->SetTag(0);
  a = std::clock();
  view.Sort(*load);
  t.sortAgain = Ms(std::clock() - a);
  a = std::clock();
  view.RemoveAllRows();
  t.clear = Ms(std::clock() - a);
  return t;
}

int Figures(int repeats) {
  std::vector<Timings> small;
  std::vector<Timings> large;
  for (int i = 0; i < repeats; ++i) {
    small.push_back(Run(4000));
    large.push_back(Run(8000));
  }
  auto figure = [&](const char* name, double Timings::*step) {
    std::vector<double> s;
    std::vector<double> l;
    for (const Timings& t : small) s.push_back(t.*step);
    for (const Timings& t : large) l.push_back(t.*step);
    bench::PrintFigure(name, Median(l), Median(s));
  };
  figure("build_rows", &Timings::build);
  figure("filter", &Timings::filter);
  figure("sort_by_name", &Timings::sortName);
  figure("sort_by_delay", &Timings::sortDelay);
  figure("remove_all_rows", &Timings::clear);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 2 && std::strcmp(argv[1], "--figures") == 0) {
    const int repeats = argc >= 4 && std::strcmp(argv[2], "--repeats") == 0 ? std::max(1, std::atoi(argv[3])) : 5;
    return Figures(repeats);
  }
  const Timings small = Run(1000);
  const Timings large = Run(2000);
  auto line = [](const char* what, double s, double l) {
    std::printf("%-28s %9.2f ms %9.2f ms   x%.1f\n", what, s, l, s > 0 ? l / s : 0.0);
  };
  std::printf("%-28s %12s %12s   ratio\n", "", "1,000 rows", "2,000 rows");
  line("build rows", small.build, large.build);
  line("filter (one pass)", small.filter, large.filter);
  line("sort by name, ascending", small.sortName, large.sortName);
  line("sort by name, descending", small.sortNameDesc, large.sortNameDesc);
  line("sort by delay", small.sortDelay, large.sortDelay);
  line("sort by load", small.sortLoad, large.sortLoad);
  line("sort by load, already sorted", small.sortAgain, large.sortAgain);
  line("remove all rows", small.clear, large.clear);
  return 0;
}
