// toolkit-gallery.exe: opens the gallery layout (every control kind of the skin) or one of the
// client's dialogs, for screenshots and GUI tests.
//   toolkit-gallery.exe [--lang eng|chs|cht] [--layout gallery.xml] [--notify-log FILE]
//                       [--exit-file FILE] [--layout-dump FILE] [--dialog NAME]
// The skin comes from skin\skin.dll and the texts from language\<code>.lng beside the program.
#include <windows.h>
#include <ole2.h>
#include <shellapi.h>

#include <string>
#include <vector>

#include "core/languages.h"
#include "core/log.h"
#include "core/paths.h"
#include "gallery_dialogs.h"
#include "gallery_window.h"
#include "toolkit/controls.h"
#include "toolkit/paint_manager.h"

using namespace nimbrook;
using namespace nimbrook::toolkit;

namespace {

struct Options {
  std::wstring lang = L"eng";
  std::wstring layout = L"gallery.xml";
  std::wstring notifyLog;
  std::wstring exitFile;
  std::wstring layoutDump;
  std::wstring dialog;
  bool ok = true;
  std::wstring error;
};

Options ParseOptions() {
  Options options;
  int argc = 0;
  LPWSTR* argv = ::CommandLineToArgvW(::GetCommandLineW(), &argc);
  if (!argv) return options;
  for (int i = 1; i < argc; ++i) {
    const std::wstring arg = argv[i];
    auto value = [&](std::wstring& out) {
      if (i + 1 >= argc) {
        options.ok = false;
        options.error = arg + L" needs a value";
        return;
      }
      out = argv[++i];
    };
    if (arg == L"--lang") value(options.lang);
    else if (arg == L"--layout") value(options.layout);
    else if (arg == L"--notify-log") value(options.notifyLog);
    else if (arg == L"--exit-file") value(options.exitFile);
    else if (arg == L"--layout-dump") value(options.layoutDump);
    else if (arg == L"--dialog") value(options.dialog);
    else {
      options.ok = false;
      options.error = L"unknown option " + arg;
    }
  }
  ::LocalFree(argv);
  return options;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  const Options options = ParseOptions();
  gallery::NotifyLog log;
  if (!options.notifyLog.empty() && !log.Open(options.notifyLog)) return 3;
  if (!options.ok) {
    log.Line(L"usage-error " + options.error);
    return 2;
  }

  BecomeDpiAware();
  wchar_t modulePath[MAX_PATH * 2] = {};
  ::GetModuleFileNameW(nullptr, modulePath, MAX_PATH * 2);
  SetProcessPaths(ComputePaths(modulePath));
  SelectLanguage(options.lang);
  LoadLanguage();

  const HRESULT com = ::OleInitialize(nullptr);
  CPaintManagerUI::SetInstance(instance);
  CPaintManagerUI::SetResourcePath(Paths().programDir + L"skin\\");
  if (!CPaintManagerUI::SetResourceZip(L"skin.dll")) log.Line(L"skin-missing skin\\skin.dll");

  int status = 0;
  {
    gallery::CGalleryWnd window(options.layout, log, options.exitFile, options.layoutDump);
    if (!window.Create(nullptr, gallery::CGalleryWnd::kTitle, kWsOverlappedWindow, kWsExAppWindow)) {
      log.Line(L"create-failed");
      status = 1;
    } else {
      window.CenterWindow();
      window.ShowWindow(true, true);
      log.Line(std::wstring(L"ready ") + CurrentLanguage() + (window.Built() ? L"" : L" empty"));
      if (!options.dialog.empty()) {
        gallery::GalleryDialogContext context;
        context.owner = window.GetHWND();
        context.ownerManager = &window.Manager();
        context.ownerControl = window.Manager().FindControl(L"ok");
        context.notifyLog = &log;
        context.log = [&log](const std::wstring& line) { log.Line(line); };
        log.Line(L"dialog " + options.dialog);
        if (!gallery::OpenGalleryDialog(options.dialog, context)) status = 4;
      }
      CPaintManagerUI::MessageLoop();
    }
  }
  if (SUCCEEDED(com)) ::OleUninitialize();
  return status;
}
