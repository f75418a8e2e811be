// Building hostile layouts of a few hundred kilobytes against reading the same text as XML: one
// element with 20,000 attributes, 6,000 labels under one long default list, 6,000 options in one
// group, and 6,000 nested containers in runs of 150. Each figure is the median of the repeats; the
// log goes to a file as in the client, since every refused attribute writes a line.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include <unistd.h>

#include "core/log.h"
#include "core/text.h"
#include "toolkit/controls.h"
#include "toolkit/dialog_builder.h"
#include "toolkit/paint_manager.h"
#include "toolkit/xml_reader.h"
#include "ui/dialog_builder_callback_ex.h"
#include "testing/bench_figures.h"

using namespace nimbrook;
using namespace nimbrook::toolkit;

namespace {

using nimbrook::bench::Median;

template <typename F>
double TimeMs(F&& f) {
  const auto a = std::chrono::steady_clock::now();
  f();
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - a).count();
}

struct Layout {
  const char* name;
  std::string text;
};

std::vector<Layout> HostileLayouts() {
  std::vector<Layout> layouts;
  std::string many = "<Window><Label";
  for (int i = 0; i < 20000; ++i) many += " attr" + std::to_string(i) + "=\"" + std::to_string(i) + "\"";
  layouts.push_back({"attributes", many + "/></Window>"});

  std::string defaults = "<Window><Default name=\"Label\" value=\"";
  for (int i = 0; i < 40; ++i) defaults += "textcolor=&quot;#FF1122" + std::to_string(10 + i) + "&quot; bogus" + std::to_string(i) + "=&quot;x&quot; ";
  defaults += "\"/><VerticalLayout>";
  for (int i = 0; i < 6000; ++i) defaults += "<Label text=\"l" + std::to_string(i) + "\"/>";
  layouts.push_back({"default_list", defaults + "</VerticalLayout></Window>"});

  std::string options = "<Window><VerticalLayout>";
  for (int i = 0; i < 6000; ++i) options += "<Option name=\"o" + std::to_string(i) + "\" group=\"g\" text=\"option\"/>";
  layouts.push_back({"option_group", options + "</VerticalLayout></Window>"});

  std::string nested = "<Window><VerticalLayout>";
  for (int run = 0; run < 40; ++run) {
    for (int d = 0; d < 150; ++d) nested += "<HorizontalLayout inset=\"1,1,1,1\">";
    for (int d = 0; d < 150; ++d) nested += "</HorizontalLayout>";
  }
  layouts.push_back({"nesting", nested + "</VerticalLayout></Window>"});
  return layouts;
}

}  // namespace

int main(int argc, char** argv) {
  int repeats = 5;
  std::string only;  // --only NAME: one layout (for profiling)
  for (int i = 1; i + 1 < argc; i += 2) {
    if (std::string(argv[i]) == "--repeats") repeats = std::max(1, std::atoi(argv[i + 1]));
    if (std::string(argv[i]) == "--only") only = argv[i + 1];
  }
  const auto logFile = std::filesystem::temp_directory_path() / ("layout-benchmark-" + std::to_string(::getpid()) + ".log");
  SetLogFile(text::FromUtf8(logFile.string()));
  for (const Layout& layout : HostileLayouts()) {
    if (!only.empty() && only != layout.name) continue;
    std::vector<double> parse;
    std::vector<double> build;
    bool built = false;
    for (int r = 0; r < repeats; ++r) {
      parse.push_back(TimeMs([&] { (void)ParseXml(layout.text); }));
      build.push_back(TimeMs([&] {
        CPaintManagerUI manager;
        CDialogBuilderCallbackEx callback;
        CDialogBuilder builder;
        CControlUI* root = builder.CreateFromText(layout.text, L"hostile.xml", &callback, &manager);
        built = root != nullptr;
        if (root) manager.AttachDialog(root);
      }));
      ResetLog();
    }
    std::printf("layout %s bytes=%zu built=%d\n", layout.name, layout.text.size(), built ? 1 : 0);
    std::printf("figure %s %.2f baseline %.2f %.2f\n", layout.name, Median(build), Median(parse),
                Median(build) / Median(parse));
  }
  std::filesystem::remove(logFile);
  return 0;
}
