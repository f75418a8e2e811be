// The updater window's decisions, apart from the Win32 window: the texts "windowinit" puts in
// "WinMainFrame.xml", one list row per file and its progress, the status line, and what Complete and
// Cancel do. It acts on the toolkit's control model by name, so native tests drive it with
// notifications and the update job's events.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "toolkit/notify.h"
#include "toolkit/paint_manager.h"
#include "toolkit/window_wnd.h"
#include "updater/update_job.h"
#include "updater/update_reporter.h"
#include "updater_window/updater_texts.h"

namespace nimbrook {

namespace toolkit {
class CButtonUI;
class CLabelUI;
class CListUI;
class CRichEditUI;
}  // namespace toolkit

// What the controller asks of the window around it.
class UpdaterWindowHost {
 public:
  virtual ~UpdaterWindowHost() = default;
  // Creates the update job and starts its worker thread.
  virtual void StartJob() = 0;
  // Lets go of the update job; a worker still running finishes on its own, reaching no window.
  virtual void ReleaseJob() = 0;
  // Starts program directory + "Nimbrook.exe"; true when it started.
  virtual bool StartClient() = 0;
  // Ends the updater's message loop.
  virtual void Quit() = 0;
};

// The window messages by which the job's worker reaches the window (sent, so the worker waits until
// the UI thread has changed the controls).
inline constexpr unsigned kMsgUpdaterFiles = toolkit::kWmUser + 0x301;      // lParam: vector<wstring>*
inline constexpr unsigned kMsgUpdaterRow = toolkit::kWmUser + 0x302;        // lParam: UpdaterRowEvent*
inline constexpr unsigned kMsgUpdaterCompleted = toolkit::kWmUser + 0x303;
inline constexpr unsigned kMsgUpdaterFailed = toolkit::kWmUser + 0x304;     // wParam: UpdateMessage
inline constexpr unsigned kMsgUpdaterNothing = toolkit::kWmUser + 0x305;    // empty list: the updater ends

struct UpdaterRowEvent {
  size_t index = 0;
  std::wstring name;
  UpdateRowState state = UpdateRowState::kUpdating;
};

// The controls the window looks up at "windowinit"; a layout without one of them fails in a test.
std::vector<std::wstring> UpdaterControlNames();

// Height of a file's row in "list_status".
inline constexpr int kUpdaterRowHeight = 15;

class UpdaterController {
 public:
  UpdaterController(toolkit::CPaintManagerUI& pm, UpdaterWindowHost& host, std::wstring language);

  // Looks the controls up; the names of those the layout lacks (empty when complete).
  std::vector<std::wstring> Bind();

  // "windowinit" and the clicks of "btn_complete" and "btn_cancel".
  void Notify(toolkit::TNotifyUI& msg);

  // The job's events, on the UI thread.
  void ShowFiles(const std::vector<std::wstring>& names);
  void SetRow(size_t index, const std::wstring& name, UpdateRowState state);
  void ShowCompleted();
  void ShowFailure(UpdateMessage message);
  void NothingToUpdate();

  // A job message (kMsgUpdater*) handed to the controller; false for any other message.
  bool OnMessage(unsigned msg, uintptr_t wParam, intptr_t lParam);

  const UpdaterTexts& Texts() const { return texts_; }
  const std::wstring& Language() const { return language_; }
  // The text of a message box the job asks for.
  std::wstring MessageText(UpdateMessage message) const;

 private:
  toolkit::CPaintManagerUI& pm_;
  UpdaterWindowHost& host_;
  std::wstring language_;
  UpdaterTexts texts_;
  bool ended_ = false;  // Complete or Cancel has ended the window's work

  toolkit::CButtonUI* complete_ = nullptr;
  toolkit::CButtonUI* cancel_ = nullptr;
  toolkit::CRichEditUI* tip_ = nullptr;
  toolkit::CLabelUI* status_ = nullptr;
  toolkit::CLabelUI* title_ = nullptr;
  toolkit::CListUI* list_ = nullptr;
};

// The job's reporter in the updater window: every event becomes a message sent to the window, and a
// message box (no owner) is shown on the worker's own thread, as the job asks.
class WindowReporter : public UpdateReporter {
 public:
  using Send = std::function<intptr_t(unsigned msg, uintptr_t wParam, intptr_t lParam)>;
  using ShowBox = std::function<void(const std::wstring& text)>;

  WindowReporter(Send send, ShowBox box, UpdaterTexts texts);

  void ShowFiles(const std::vector<std::wstring>& names) override;
  void SetRow(size_t index, const std::wstring& name, UpdateRowState state) override;
  void ShowCompleted() override;
  void ShowMessage(UpdateMessage message) override;
  // After RunWorker: an empty list ends the updater.
  void Finished(UpdateOutcome outcome);

 private:
  Send send_;
  ShowBox box_;
  UpdaterTexts texts_;
};

// The text of a message box for the texts of a language.
std::wstring UpdaterMessageText(const UpdaterTexts& texts, UpdateMessage message);

}  // namespace nimbrook
