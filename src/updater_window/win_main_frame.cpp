#include "updater_window/win_main_frame.h"

#include <atomic>
#include <thread>
#include <utility>

#include "core/paths.h"
#include "os/shell.h"

namespace nimbrook {

using namespace toolkit;

namespace {

constexpr uint32_t kUpdaterStyle =
    kWsPopup | kWsVisible | kWsClipSiblings | kWsClipChildren | kWsCaption | kWsSysMenu;

std::atomic<int>& RunningWorkers() {
  static std::atomic<int> count{0};
  return count;
}

}  // namespace

bool UpdaterWorkerRunning() { return RunningWorkers().load() > 0; }

// What the worker thread owns: the reporter that reaches the window by messages, and the job.
struct WinMainFrame::Worker {
  Worker(WindowReporter::Send send, const std::wstring& language, UpdaterPaths paths,
         UpdateJobEnvironment environment)
      : reporter(std::move(send), ShowUpdaterMessageBox, UpdaterTextsFor(language)),
        job(std::move(paths), std::move(environment), reporter) {}
  WindowReporter reporter;
  UpdateJob job;
};

WinMainFrame::WinMainFrame(std::wstring language, UpdaterPaths paths, UpdateJobEnvironment environment)
    : language_(std::move(language)),
      paths_(std::move(paths)),
      environment_(std::move(environment)),
      controller_(m_pm, static_cast<UpdaterWindowHost&>(*this), language_) {}

WinMainFrame::~WinMainFrame() = default;

WinMainFrame* WinMainFrame::Open(std::wstring language, UpdaterPaths paths, UpdateJobEnvironment environment) {
  auto* frame = new WinMainFrame(std::move(language), std::move(paths), std::move(environment));
  // A failed creation has delivered the final message, which deleted the frame.
  if (frame->Create(nullptr, kUpdaterWindowName, kUpdaterStyle, 0) == nullptr) return nullptr;
  SetUpdaterIcon(frame->GetHWND(), kUpdaterIconId);
  frame->CenterWindow();
  frame->ShowWindow(true);
  return frame;
}

intptr_t WinMainFrame::OnCreate() {
  // A layout that cannot be built leaves an empty window; the job's message boxes still appear.
  (void)StandardCreate(*this, kUpdaterLayout, this, this);
  return 0;
}

intptr_t WinMainFrame::HandleMessage(unsigned msg, uintptr_t wParam, intptr_t lParam) {
  intptr_t result = 0;
  switch (msg) {
    case kWmCreate:
      return OnCreate();
    case kWmDestroy:
      ReleaseJob();
      Quit();
      break;
    case kWmKeyDown:
      // Escape never closes the updater; only Complete and Cancel end it.
      if (wParam == kVkEscape) return 0;
      break;
    default:
      if (controller_.OnMessage(msg, wParam, lParam)) return 0;
      break;
  }
  if (HandleNonClient(*this, msg, wParam, lParam, result)) return result;
  if (OfferToPaintManager(msg, wParam, lParam, result)) return result;
  return CWindowWnd::HandleMessage(msg, wParam, lParam);
}

void WinMainFrame::Notify(TNotifyUI& msg) { controller_.Notify(msg); }

void WinMainFrame::OnFinalMessage(WindowHandle) { delete this; }

void WinMainFrame::StartJob() {
  if (worker_) return;
  // The worker captures the window handle only: once the window is gone its messages reach nothing.
  const WindowHandle window = GetHWND();
  auto send = [window](unsigned msg, uintptr_t wParam, intptr_t lParam) {
    return SendToWindow(window, msg, wParam, lParam);
  };
  worker_ = std::make_shared<Worker>(send, language_, paths_, environment_);
  std::shared_ptr<Worker> worker = worker_;
  ++RunningWorkers();
  try {
    std::thread([worker] {
      const UpdateOutcome outcome = worker->job.RunWorker();
      worker->reporter.Finished(outcome);
      --RunningWorkers();
    }).detach();
  } catch (...) {
    --RunningWorkers();
    worker_.reset();
    controller_.ShowFailure(UpdateMessage::kUpdateFailed);
    ShowUpdaterMessageBox(controller_.MessageText(UpdateMessage::kUpdateFailed));
  }
}

void WinMainFrame::ReleaseJob() { worker_.reset(); }

bool WinMainFrame::StartClient() {
  // Always the client beside the updater, never one found through the current directory.
  return os::SystemShell().OpenWithDefaultProgram(paths_.programDir + kClientProgramName);
}

void WinMainFrame::Quit() {
  if (quitPosted_) return;
  quitPosted_ = true;
  PostUpdaterQuit(0);
}

}  // namespace nimbrook
