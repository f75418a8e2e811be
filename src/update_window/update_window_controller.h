// The update check window's decisions, apart from the Win32 window: the status text, the frames of
// the progress animation, and what each state of the check leads to (wait, ask to update and start
// the updater, or go on to the login window). Native tests drive it through a recording host.
#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "toolkit/paint_manager.h"

namespace nimbrook {

class UpdateCheck;

inline constexpr unsigned kMsgAnimationFrame = 3025;  // WM_USER + 2001: show the next frame, sent
inline constexpr uint32_t kUpdatePollTimerId = 1029;
inline constexpr uint32_t kUpdatePollMs = 2000;
inline constexpr uint32_t kAnimationStepMs = 200;
inline constexpr int kAnimationFrames = 6;

// The progress image of a frame (0-5): "update_bar_1.png" to "update_bar_6.png".
std::wstring AnimationFrameImage(int frame);

// Shared by the window and its animation thread, which may outlive the window.
struct UpdateAnimation {
  std::atomic<bool> stop{false};
  std::atomic<int> frame{0};
};

// The animation thread's loop: until the stop flag is set or the window is gone (showFrame answers
// false), show a frame, wait a step, move to the next frame.
void RunAnimation(UpdateAnimation& animation, const std::function<bool()>& showFrame,
                  const std::function<void()>& waitStep);

// What the update window asks of the window around it.
class UpdateWindowHost {
 public:
  virtual ~UpdateWindowHost() = default;
  virtual void StopPolling() = 0;
  // The "update_now" box with the text of "msg_need_update", modal on the window; true when the
  // user chose to update.
  virtual bool AskToUpdate() = 0;
  // Starts the updater (program path, the language code as its whole command line); true when it runs.
  virtual bool StartUpdater(const std::wstring& path, const std::wstring& language) = 0;
  virtual void QuitProgram() = 0;
  // Destroys this window and opens the login window; noticeId: a text it shows at once (may be empty).
  virtual void OpenLoginWindow(const std::wstring& noticeId) = 0;
};

enum class UpdateOutcome { Waiting, UpdaterStarted, Declined, LoginAfterCheck, LoginAfterFailure, LoginUpdaterFailed };

class UpdateWindowController {
 public:
  UpdateWindowController(toolkit::CPaintManagerUI& pm, UpdateWindowHost& host, std::shared_ptr<UpdateCheck> check,
                         std::shared_ptr<UpdateAnimation> animation);

  // Looks up "status" and "update_flase"; the names of those the layout lacks.
  std::vector<std::wstring> Bind();
  // "windowinit": the status text (the window starts the workers and the timer).
  void OnWindowInit();
  // Message 3025: the current frame's image.
  void ShowFrame();
  // The poll timer: acts on states 1, 2 and 3 once; later ticks do nothing.
  void OnPoll();

  UpdateOutcome Outcome() const { return outcome_; }

 private:
  void ContinueToLogin(UpdateOutcome outcome, const std::wstring& noticeId);

  toolkit::CPaintManagerUI& pm_;
  UpdateWindowHost& host_;
  std::shared_ptr<UpdateCheck> check_;
  std::shared_ptr<UpdateAnimation> animation_;
  toolkit::CControlUI* status_ = nullptr;
  toolkit::CControlUI* progress_ = nullptr;
  UpdateOutcome outcome_ = UpdateOutcome::Waiting;
};

}  // namespace nimbrook
