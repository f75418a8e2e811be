// settings-window-check.exe: the settings window or the about window on its own, in a program
// directory of its choosing, for the checks on the test display.
//   settings-window-check.exe --program-dir DIR [--window settings|about] [--lang eng|chs|cht]
//                             [--notify-log FILE] [--exit-file FILE] [--state-file FILE]
// DIR holds what a program directory holds (config\, language\, skin\, openvpn\, route\). Settings
// are kept in memory; "language" is written to DIR\config\config.ini as the window writes it. The
// notification log gets "ready LANG title TITLE", one line per notification, "language-changed CODE"
// and "ended CODE"; the state file one line per named visible control (name and rectangle), the
// texts of the text controls, the selected tab and the page's scroll position.
#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <string>

#include "client/client_composition.h"
#include "client/memory_profile.h"
#include "core/languages.h"
#include "core/log.h"
#include "core/paths.h"
#include "core/text.h"
#include "settings_window/setting_frame.h"
#include "toolkit/controls.h"
#include "ui/about_frame.h"

using namespace nimbrook;
using namespace nimbrook::toolkit;

namespace {

struct Options {
  std::wstring programDir, window = L"settings", lang = L"eng", notifyLog, exitFile, stateFile, error;
};

Options ParseOptions() {
  Options o;
  int argc = 0;
  LPWSTR* argv = ::CommandLineToArgvW(::GetCommandLineW(), &argc);
  for (int i = 1; argv != nullptr && i < argc; ++i) {
    const std::wstring arg = argv[i];
    auto value = [&](std::wstring& out) {
      if (i + 1 < argc) out = argv[++i];
      else o.error = arg + L" needs a value";
    };
    if (arg == L"--program-dir") value(o.programDir);
    else if (arg == L"--window") value(o.window);
    else if (arg == L"--lang") value(o.lang);
    else if (arg == L"--notify-log") value(o.notifyLog);
    else if (arg == L"--exit-file") value(o.exitFile);
    else if (arg == L"--state-file") value(o.stateFile);
    else o.error = L"unknown option " + arg;
  }
  if (argv != nullptr) ::LocalFree(argv);
  if (o.error.empty() && o.programDir.empty()) o.error = L"--program-dir is needed";
  if (o.error.empty() && o.window != L"settings" && o.window != L"about") o.error = L"--window settings|about";
  return o;
}

class Log : public INotifyUI {
 public:
  explicit Log(const std::wstring& path) {
    if (!path.empty()) file_ = _wfopen(path.c_str(), L"ab");
  }
  ~Log() override {
    if (file_) std::fclose(file_);
  }
  void Line(const std::wstring& text) {
    if (!file_) return;
    const std::string utf8 = text::ToUtf8(text) + "\n";
    std::fwrite(utf8.data(), 1, utf8.size(), file_);
    std::fflush(file_);
  }
  void Notify(TNotifyUI& msg) override {
    if (msg.sType == notify::kTimer) return;
    const std::wstring sender = msg.pSender ? msg.pSender->GetName() : std::wstring();
    Line(msg.sType + L" " + (sender.empty() ? L"-" : sender));
  }

 private:
  std::FILE* file_ = nullptr;
};

bool FileExists(const std::wstring& path) {
  return !path.empty() && ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string StateText(CPaintManagerUI& pm) {
  std::string state;
  if (auto* area = dynamic_cast<CContainerUI*>(pm.FindControl(L"area"))) {
    state += "scroll " + std::to_string(area->GetScrollPos().cy) + "\n";
  }
  for (const wchar_t* tab : {L"normal_opt", L"proxy_opt", L"dns_opt", L"tools_opt"}) {
    auto* option = dynamic_cast<COptionUI*>(pm.FindControl(tab));
    if (option != nullptr && option->IsSelected()) state += "tab " + text::ToUtf8(tab) + "\n";
  }
  if (CControlUI* root = pm.GetRoot()) {
    root->VisitControls([&state](CControlUI* control) {
      if (control->GetName().empty() || !control->IsVisible()) return;
      const UiRect& r = control->GetPos();
      state += "control " + text::ToUtf8(control->GetName()) + " " + std::to_string(r.left) + " " +
               std::to_string(r.top) + " " + std::to_string(r.right) + " " + std::to_string(r.bottom) + "\n";
      if (auto* option = dynamic_cast<COptionUI*>(control)) {
        state += "selected " + text::ToUtf8(control->GetName()) + " " + (option->IsSelected() ? "1" : "0") + "\n";
      }
      if (!control->GetText().empty()) {
        state += "text " + text::ToUtf8(control->GetName()) + "\t" + text::ToUtf8(control->GetText()) + "\n";
      }
    });
  }
  return state;
}

void WriteState(const std::wstring& path, const std::string& content) {
  const std::wstring temp = path + L".tmp";
  std::FILE* file = _wfopen(temp.c_str(), L"wb");
  if (!file) return;
  std::fwrite(content.data(), 1, content.size(), file);
  std::fclose(file);
  ::MoveFileExW(temp.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING);
}

struct Watch {
  CWindowWnd* window = nullptr;
  CPaintManagerUI* pm = nullptr;
  std::wstring exitFile, stateFile;
  std::string lastState;
} g_watch;

void CALLBACK OnWatchTimer(HWND, UINT, UINT_PTR, DWORD) {
  if (g_watch.window == nullptr) return;
  if (!g_watch.stateFile.empty()) {
    std::string state = StateText(*g_watch.pm);
    if (state != g_watch.lastState) {
      WriteState(g_watch.stateFile, state);
      g_watch.lastState = std::move(state);
    }
  }
  if (FileExists(g_watch.exitFile)) {
    CWindowWnd* window = g_watch.window;
    g_watch.window = nullptr;
    window->Close(kIdCancel);
  }
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  const Options options = ParseOptions();
  Log log(options.notifyLog);
  if (!options.error.empty()) {
    log.Line(L"usage-error " + options.error);
    return 2;
  }
  BecomeDpiAware();
  MemoryProfileFiles settingsProfile;
  ClientOptions clientOptions;
  clientOptions.programDir = options.programDir;
  clientOptions.settingsProfile = &settingsProfile;
  ClientComposition composition(clientOptions);
  ClientServices services = composition.Services();
  SetLogFile(L"");
  SelectLanguage(IsLanguageCode(options.lang) ? options.lang : std::wstring(L"eng"));
  LoadLanguage();
  CPaintManagerUI::SetInstance(instance);
  CPaintManagerUI::SetResourcePath(Paths().programDir + L"skin\\");
  if (!CPaintManagerUI::SetResourceZip(L"skin.dll")) log.Line(L"skin-missing");

  CWindowWnd* window = nullptr;
  CPaintManagerUI* pm = nullptr;
  std::wstring title;
  if (options.window == L"settings") {
    auto* frame = new CSettingFrame(SettingContext::ForProcess(services.settings),
                                    [&log] { log.Line(L"language-changed " + CurrentLanguage()); });
    title = Text(L"advanced_title");
    window = frame;
    pm = &frame->GetPaintManager();
  } else {
    auto* frame = new CAboutFrame(os::ExecutableVersion());
    title = Text(L"about_title");
    window = frame;
    pm = &frame->GetPaintManager();
  }
  // The window object is deleted at its final message, also when creation fails.
  if (window->Create(nullptr, title, kWsPopup, kWsExToolWindow) == nullptr) {
    log.Line(L"create-failed");
    return 1;
  }
  pm->AddNotifier(&log);
  window->CenterWindow();
  g_watch = Watch{window, pm, options.exitFile, options.stateFile, {}};
  log.Line(L"ready " + CurrentLanguage() + L" title " + title);
  const UINT_PTR timer = ::SetTimer(nullptr, 0, 100, OnWatchTimer);
  const unsigned code = window->ShowModal();
  ::KillTimer(nullptr, timer);
  g_watch.window = nullptr;
  log.Line(L"ended " + std::to_wstring(code));
  return 0;
}
