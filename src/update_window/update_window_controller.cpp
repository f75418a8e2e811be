#include "update_window/update_window_controller.h"

#include "core/languages.h"
#include "core/log.h"
#include "toolkit/control.h"
#include "update/update_check.h"

namespace nimbrook {

using namespace toolkit;

std::wstring AnimationFrameImage(int frame) {
  const int shown = ((frame % kAnimationFrames) + kAnimationFrames) % kAnimationFrames + 1;
  return L"file='update_bar_" + std::to_wstring(shown) + L".png' source='0,0,188,33'";
}

void RunAnimation(UpdateAnimation& animation, const std::function<bool()>& showFrame,
                  const std::function<void()>& waitStep) {
  while (!animation.stop.load()) {
    if (!showFrame()) return;
    waitStep();
    animation.frame.store((animation.frame.load() + 1) % kAnimationFrames);
  }
}

UpdateWindowController::UpdateWindowController(CPaintManagerUI& pm, UpdateWindowHost& host,
                                               std::shared_ptr<UpdateCheck> check,
                                               std::shared_ptr<UpdateAnimation> animation)
    : pm_(pm), host_(host), check_(std::move(check)), animation_(std::move(animation)) {}

std::vector<std::wstring> UpdateWindowController::Bind() {
  std::vector<std::wstring> missing;
  status_ = pm_.FindControl(L"status");
  progress_ = pm_.FindControl(L"update_flase");
  if (status_ == nullptr) missing.push_back(L"status");
  if (progress_ == nullptr) missing.push_back(L"update_flase");
  return missing;
}

void UpdateWindowController::OnWindowInit() {
  if (status_ != nullptr) status_->SetText(Text(L"update_check_alert"));
  for (const wchar_t* name : {L"title", L"brand"}) {
    if (CControlUI* control = pm_.FindControl(name)) control->SetText(Text(L"nimbrookjsq"));
  }
}

void UpdateWindowController::ShowFrame() {
  if (progress_ != nullptr) progress_->SetBkImage(AnimationFrameImage(animation_->frame.load()));
}

void UpdateWindowController::OnPoll() {
  if (outcome_ != UpdateOutcome::Waiting) return;
  const int state = check_ ? check_->State() : kUpdateCheckFailed;
  if (state == kUpdateNeeded) {
    host_.StopPolling();
    outcome_ = UpdateOutcome::Declined;
    if (!host_.AskToUpdate()) {
      // Declining ends the client too: it runs only in its newest release.
      animation_->stop = true;
      host_.QuitProgram();
      return;
    }
    animation_->stop = true;
    const std::wstring updater = check_->UpdaterPath();
    if (host_.StartUpdater(updater, CurrentLanguage())) {
      outcome_ = UpdateOutcome::UpdaterStarted;
      host_.QuitProgram();
      return;
    }
    // Without an updater every start would end here again: the subscriber goes on with this release.
    WriteLog(L"更新程序无法启动: " + updater);
    ContinueToLogin(UpdateOutcome::LoginUpdaterFailed, L"msg_checkupdate_err");
  } else if (state == kUpdateNothing) {
    host_.StopPolling();
    ContinueToLogin(UpdateOutcome::LoginAfterCheck, L"");
  } else if (state == kUpdateCheckFailed) {
    host_.StopPolling();
    // Told in the login window: a box owned by this window would go with it at once.
    ContinueToLogin(UpdateOutcome::LoginAfterFailure, L"msg_checkupdate_err");
  }
}

void UpdateWindowController::ContinueToLogin(UpdateOutcome outcome, const std::wstring& noticeId) {
  outcome_ = outcome;
  animation_->stop = true;
  host_.OpenLoginWindow(noticeId);
}

}  // namespace nimbrook
