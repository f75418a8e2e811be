// main-window-check.exe: logs in against a service through the client's login service and opens the
// main window with the answer, for the checks on the test display and for benchmarks. A test tool:
// the client itself reaches the main window only through its login window.
//   main-window-check.exe --program-dir DIR --endpoint URL --user U --password P [--lang eng|chs|cht]
//                         [--notify-log FILE] [--exit-file FILE] [--state-file FILE] [--bench]
//                         [--no-echo] [--reconn]
// DIR holds what a program directory holds (config\version.ini, language\, skin\); the login rewrites
// its version.ini as the client's does, and its config.ini is left untouched. The notification log
// gets "ready ...", "login-failed ..." and one line per notification of the window; the state file
// is rewritten whenever the list changes: a "rows N visible V delays M ping 0|1" line, then one
// line per row (index, visible, name, delay, load, area) and one per named control (name and logical
// client rectangle) for the clicks of the checks. --bench waits for the first delay pass to end, then
// times repaints and sort clicks, logs "bench ..." and ends. --no-echo starts no delay workers (every
// row shows a time-out at once): the window's own cost without the pass's threads. --reconn turns the
// reconnection after a drop on. The window ends through its own exit request too (close button, tray
// menu), after which the tunnel engines are shut down as the client does.
#include <windows.h>
#include <ole2.h>
#include <psapi.h>
#include <shellapi.h>

#include <chrono>
#include <cstdio>
#include <functional>
#include <string>

#include "client/client_composition.h"
#include "client/memory_profile.h"
#include "core/identity.h"
#include "core/languages.h"
#include "core/log.h"
#include "core/paths.h"
#include "core/startup.h"
#include "core/text.h"
#include "main_window/nimbrook_frame.h"
#include "toolkit/controls.h"
#include "ui/pop_box.h"

using namespace nimbrook;
using namespace nimbrook::toolkit;

namespace {

struct Options {
  std::wstring programDir, endpoint, user, password, lang = L"eng", notifyLog, exitFile, stateFile;
  bool bench = false;
  bool noEcho = false;
  bool reconn = false;
  std::wstring error;
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
    else if (arg == L"--endpoint") value(o.endpoint);
    else if (arg == L"--user") value(o.user);
    else if (arg == L"--password") value(o.password);
    else if (arg == L"--lang") value(o.lang);
    else if (arg == L"--notify-log") value(o.notifyLog);
    else if (arg == L"--exit-file") value(o.exitFile);
    else if (arg == L"--state-file") value(o.stateFile);
    else if (arg == L"--bench") o.bench = true;
    else if (arg == L"--no-echo") o.noEcho = true;
    else if (arg == L"--reconn") o.reconn = true;
    else o.error = L"unknown option " + arg;
  }
  if (argv != nullptr) ::LocalFree(argv);
  if (o.error.empty() && (o.programDir.empty() || o.endpoint.empty() || o.user.empty())) {
    o.error = L"--program-dir, --endpoint and --user are needed";
  }
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
    const std::wstring sender = msg.pSender ? msg.pSender->GetName() : std::wstring();
    Line(msg.sType + L" " + (sender.empty() ? L"-" : sender));
  }

 private:
  std::FILE* file_ = nullptr;
};

bool FileExists(const std::wstring& path) {
  return !path.empty() && ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

double Milliseconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - since).count();
}

// What the checks read of the window: the rows as a person sees them and where the controls are.
std::string StateText(CNimbrookFrame& frame) {
  MainWindowController& controller = frame.Controller();
  ServerListView* list = controller.List();
  std::string rows;
  int visible = 0, delays = 0;
  for (int i = 0; list != nullptr && i < list->RowCount(); ++i) {
    CControlUI* row = list->RowAt(i);
    const std::wstring delay = list->RowText(row, L"serv_delay");
    visible += row->IsVisible() ? 1 : 0;
    delays += delay.empty() ? 0 : 1;
    rows += "row " + std::to_string(i) + "\t" + (row->IsVisible() ? "1" : "0") + "\t" +
            text::ToUtf8(list->RowText(row, L"serv_name")) + "\t" + text::ToUtf8(delay) + "\t" +
            text::ToUtf8(list->RowText(row, L"percent")) + "\t" + text::ToUtf8(list->RowText(row, L"area")) + "\t" +
            text::ToUtf8(list->RowText(row, L"conn_type")) + "\t" + std::to_string(row->GetPos().left) + " " +
            std::to_string(row->GetPos().top) + " " + std::to_string(row->GetPos().right) + " " +
            std::to_string(row->GetPos().bottom) + "\n";
  }
  CControlUI* ping = frame.GetPaintManager().FindControl(L"btn_ping");
  CControlUI* connect = frame.GetPaintManager().FindControl(L"btn_connect");
  std::string head = "rows " + std::to_string(list ? list->RowCount() : 0) + " visible " + std::to_string(visible) +
                     " delays " + std::to_string(delays) + " ping " + (ping && ping->IsEnabled() ? "1" : "0") +
                     " status " + text::ToUtf8(controller.StatusId()) + " tray " +
                     std::to_string(frame.TrayIconResource()) + " connect " +
                     (connect && connect->IsEnabled() ? "1" : "0") + " engine " +
                     std::to_string(controller.Engine() ? controller.Engine()->State() : -1) + " curnode " +
                     text::ToUtf8(list ? list->currentNodeName : L"") + "\n";
  std::string controls;
  if (CControlUI* root = frame.GetPaintManager().GetRoot()) {
    root->VisitControls([&controls](CControlUI* control) {
      if (control->GetName().empty() || !control->IsVisible()) return;
      const UiRect& r = control->GetPos();
      controls += "control " + text::ToUtf8(control->GetName()) + " " + std::to_string(r.left) + " " +
                  std::to_string(r.top) + " " + std::to_string(r.right) + " " + std::to_string(r.bottom) + "\n";
    });
  }
  return head + rows + controls;
}

void WriteState(const std::wstring& path, const std::string& content) {
  const std::wstring temp = path + L".tmp";
  std::FILE* file = _wfopen(temp.c_str(), L"wb");
  if (!file) return;
  std::fwrite(content.data(), 1, content.size(), file);
  std::fclose(file);
  ::MoveFileExW(temp.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING);
}

size_t PrivateBytes() {
  PROCESS_MEMORY_COUNTERS_EX counters{};
  counters.cb = sizeof counters;
  if (!::GetProcessMemoryInfo(::GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters),
                              sizeof counters)) {
    return 0;
  }
  // Wine leaves PrivateUsage at 0; the page-file usage is the same commit charge on Windows.
  return counters.PrivateUsage != 0 ? counters.PrivateUsage : counters.PagefileUsage;
}

// Polls the exit file and refreshes the state file; one per process, on the UI thread.
struct Watch {
  CNimbrookFrame* frame = nullptr;
  Log* log = nullptr;
  std::wstring exitFile, stateFile;
  std::string lastState;
  bool bench = false;
  double firstPaintMs = 0;
  size_t paintedBytes = 0;  // right after the first paint: rows built, the delay pass not yet begun
} g_watch;

// Average milliseconds of a full repaint of the window, and of a sort click with its repaint.
void RunBench(CNimbrookFrame& frame) {
  HWND hwnd = static_cast<HWND>(frame.GetHWND());
  constexpr int kRounds = 6;
  auto repaint = [hwnd] {
    ::InvalidateRect(hwnd, nullptr, FALSE);
    ::UpdateWindow(hwnd);
  };
  repaint();
  auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < kRounds; ++i) repaint();
  const double repaintMs = Milliseconds(start) / kRounds;
  CControlUI* header = frame.GetPaintManager().FindControl(L"server_header");
  start = std::chrono::steady_clock::now();
  // A click: the sort itself, then the repaint of everything it moved.
  for (int i = 0; i < kRounds && header != nullptr; ++i) {
    frame.GetPaintManager().SendNotify(header, notify::kHeaderClick);
    repaint();
  }
  const double sortMs = Milliseconds(start) / kRounds;
  const int rows = frame.Controller().List() ? frame.Controller().List()->RowCount() : 0;
  g_watch.log->Line(L"bench rows " + std::to_wstring(rows) + L" first-paint-ms " +
                    std::to_wstring(g_watch.firstPaintMs) + L" repaint-ms " + std::to_wstring(repaintMs) +
                    L" sort-ms " + std::to_wstring(sortMs) + L" private-bytes " + std::to_wstring(PrivateBytes()) +
                    L" painted-private-bytes " + std::to_wstring(g_watch.paintedBytes));
}

void CALLBACK OnWatchTimer(HWND, UINT, UINT_PTR, DWORD) {
  if (g_watch.frame == nullptr) return;
  if (g_watch.bench && !g_watch.frame->Controller().DelayPassRunning()) {
    g_watch.bench = false;
    RunBench(*g_watch.frame);
    CNimbrookFrame* frame = g_watch.frame;
    g_watch.frame = nullptr;
    frame->CloseWithoutAsking();
    return;
  }
  if (!g_watch.stateFile.empty()) {
    std::string state = StateText(*g_watch.frame);
    if (state != g_watch.lastState) {
      WriteState(g_watch.stateFile, state);
      g_watch.lastState = std::move(state);
    }
  }
  if (FileExists(g_watch.exitFile)) {
    g_watch.log->Line(L"exit private-bytes " + std::to_wstring(PrivateBytes()));
    CNimbrookFrame* frame = g_watch.frame;
    g_watch.frame = nullptr;
    frame->CloseWithoutAsking();
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
  const HRESULT com = ::OleInitialize(nullptr);

  // Settings in memory: the check never changes the directory's config.ini.
  MemoryProfileFiles settingsProfile;
  ClientOptions clientOptions;
  clientOptions.programDir = options.programDir;
  clientOptions.settingsProfile = &settingsProfile;
  ClientComposition composition(clientOptions);
  ClientServices services = composition.Services();
  SetLogFile(L"");
  ResetLog();
  SelectLanguage(IsLanguageCode(options.lang) ? options.lang : std::wstring(L"eng"));
  LoadLanguage();

  CPaintManagerUI::SetInstance(instance);
  CPaintManagerUI::SetResourcePath(Paths().programDir + L"skin\\");
  if (!CPaintManagerUI::SetResourceZip(L"skin.dll")) log.Line(L"skin-missing");

  services.settings.SetUsername(text::ToAnsi(options.user));
  services.settings.SetPassword(text::ToAnsi(options.password));
  services.settings.SetReconn(options.reconn);
  services.settings.PublishIdentity(IdentityTexts{});
  EndpointLists lists;
  lists.fresh.plain = options.endpoint;
  lists.local.plain = options.endpoint;
  services.login->SetEndpointLists(lists);
  const auto loginStart = std::chrono::steady_clock::now();
  LoginService::LoginWorker(services.login);
  const std::wstring answer = services.login->Answer();
  if (answer.empty()) {
    log.Line(L"login-failed " + services.login->FailureText());
    if (SUCCEEDED(com)) ::OleUninitialize();
    return 3;
  }
  log.Line(L"login " + std::to_wstring(static_cast<long long>(Milliseconds(loginStart))) + L"ms");

  MainWindowContext context;
  context.settings = &services.settings;
  context.profile = &services.profile;
  context.login = services.login;
  context.loginAnswer = answer;
  context.siteAddress = ReadLoginLinks(services.profile).site;
  context.windowsMajor = 10;
  context.delaySeams = DelayPass::SystemSeams();
  if (options.noEcho) context.delaySeams.startThread = [](std::function<void()>) { return false; };

  const auto created = std::chrono::steady_clock::now();
  CNimbrookFrame* frame = CNimbrookFrame::Open(context);
  if (frame == nullptr) {
    log.Line(L"create-failed");
    if (SUCCEEDED(com)) ::OleUninitialize();
    return 1;
  }
  composition.InstallServiceMessageBox(
      [window = frame->GetHWND()](const std::wstring& text) { (void)CPopBox::Show(window, kPopBoxOk, text); });
  std::weak_ptr<LoginService> login = services.login;
  services.login->SetReloadCallback([frame](const std::wstring& reloaded) { frame->PostRefreshedAnswer(reloaded); });
  frame->SetOnFinal([login] {
    if (auto service = login.lock()) service->SetReloadCallback({});
    g_watch.frame = nullptr;  // the window may end by its own exit request
  });
  frame->GetPaintManager().AddNotifier(&log);
  frame->ShowWindow(true, true);
  ::UpdateWindow(static_cast<HWND>(frame->GetHWND()));
  const double firstPaint = Milliseconds(created);
  const size_t paintedBytes = PrivateBytes();

  g_watch.frame = frame;
  g_watch.log = &log;
  g_watch.exitFile = options.exitFile;
  g_watch.stateFile = options.stateFile;
  g_watch.bench = options.bench;
  g_watch.firstPaintMs = firstPaint;
  g_watch.paintedBytes = paintedBytes;
  log.Line(L"ready " + CurrentLanguage() + L" rows " +
           std::to_wstring(frame->Controller().List() ? frame->Controller().List()->RowCount() : 0) +
           L" first-paint-ms " + std::to_wstring(static_cast<long long>(firstPaint)) + L" private-bytes " +
           std::to_wstring(PrivateBytes()) + L" title " + frame->GetText());
  const UINT_PTR timer = ::SetTimer(nullptr, 0, 100, OnWatchTimer);

  CPaintManagerUI::MessageLoop();
  ::KillTimer(nullptr, timer);
  g_watch.frame = nullptr;
  // As the client leaves: the engines go (a child still running is ended).
  RunShutdown();
  log.Line(L"ended");
  if (SUCCEEDED(com)) ::OleUninitialize();
  return 0;
}
