#include "updater_window/updater_controller.h"

#include <utility>

#include "core/text.h"
#include "toolkit/button.h"
#include "toolkit/label.h"
#include "toolkit/list.h"
#include "toolkit/list_elements.h"
#include "toolkit/rich_edit.h"

namespace nimbrook {

using namespace toolkit;

namespace {

constexpr wchar_t kComplete[] = L"btn_complete";
constexpr wchar_t kCancel[] = L"btn_cancel";
constexpr wchar_t kTip[] = L"lab_tip";
constexpr wchar_t kStatus[] = L"lab_status";
constexpr wchar_t kTitle[] = L"lab_title";
constexpr wchar_t kList[] = L"list_status";
// The status line says success in the theme's green and failure in its red.
constexpr UiColor kSuccessColor = 0xFF1F9D6B;
constexpr UiColor kFailureColor = 0xFFD9484D;

template <typename T>
T* Find(CPaintManagerUI& pm, const wchar_t* name, std::vector<std::wstring>& missing) {
  auto* control = dynamic_cast<T*>(pm.FindControl(name));
  if (control == nullptr) missing.emplace_back(name);
  return control;
}

}  // namespace

std::vector<std::wstring> UpdaterControlNames() { return {kComplete, kCancel, kTip, kStatus, kTitle, kList}; }

std::wstring UpdaterMessageText(const UpdaterTexts& texts, UpdateMessage message) {
  switch (message) {
    case UpdateMessage::kIniError:
      return kIniErrorText;
    case UpdateMessage::kClientStillRunning:
      return texts.failToStop;
    case UpdateMessage::kUpdateFailed:
      break;
  }
  return texts.failed;
}

UpdaterController::UpdaterController(CPaintManagerUI& pm, UpdaterWindowHost& host, std::wstring language)
    : pm_(pm), host_(host), language_(std::move(language)), texts_(UpdaterTextsFor(language_)) {}

std::vector<std::wstring> UpdaterController::Bind() {
  std::vector<std::wstring> missing;
  complete_ = Find<CButtonUI>(pm_, kComplete, missing);
  cancel_ = Find<CButtonUI>(pm_, kCancel, missing);
  tip_ = Find<CRichEditUI>(pm_, kTip, missing);
  status_ = Find<CLabelUI>(pm_, kStatus, missing);
  title_ = Find<CLabelUI>(pm_, kTitle, missing);
  list_ = Find<CListUI>(pm_, kList, missing);
  return missing;
}

std::wstring UpdaterController::MessageText(UpdateMessage message) const { return UpdaterMessageText(texts_, message); }

void UpdaterController::Notify(TNotifyUI& msg) {
  if (text::EqualsIgnoreCase(msg.sType, notify::kWindowInit)) {
    (void)Bind();
    if (tip_) tip_->SetText(texts_.heading + L"\r\n" + texts_.tip);
    if (complete_) {
      complete_->SetText(texts_.completeButton);
      // Usable only once every file is in place.
      complete_->SetEnabled(false);
    }
    if (cancel_) cancel_->SetText(texts_.cancelButton);
    if (title_) title_->SetText(texts_.title);
    host_.StartJob();
    return;
  }
  if (!text::EqualsIgnoreCase(msg.sType, notify::kClick) || msg.pSender == nullptr || ended_) return;
  const std::wstring& name = msg.pSender->GetName();
  if (text::EqualsIgnoreCase(name, kComplete)) {
    if (complete_ == nullptr || !complete_->IsEnabled()) return;
    ended_ = true;
    (void)host_.StartClient();
    host_.ReleaseJob();
    host_.Quit();
  } else if (text::EqualsIgnoreCase(name, kCancel)) {
    ended_ = true;
    host_.ReleaseJob();
    host_.Quit();
  }
}

void UpdaterController::ShowFiles(const std::vector<std::wstring>& names) {
  if (list_ == nullptr) return;
  list_->RemoveAll();
  for (const auto& name : names) {
    auto* row = new CListLabelElementUI;
    row->SetText(name);
    row->SetFixedHeight(kUpdaterRowHeight);
    if (!list_->Add(row)) delete row;
  }
}

void UpdaterController::SetRow(size_t index, const std::wstring& name, UpdateRowState state) {
  if (list_ == nullptr || index >= static_cast<size_t>(list_->GetCount())) return;
  CControlUI* row = list_->GetItemAt(static_cast<int>(index));
  if (row == nullptr) return;
  row->SetText(name + L"  " + (state == UpdateRowState::kDone ? texts_.fileDone : texts_.updating));
  (void)list_->SelectItem(static_cast<int>(index));
  list_->EnsureVisible(static_cast<int>(index));
}

void UpdaterController::ShowCompleted() {
  if (status_) {
    status_->SetTextColor(kSuccessColor);
    status_->SetText(texts_.completed);
  }
  if (complete_) complete_->SetEnabled(true);
}

void UpdaterController::ShowFailure(UpdateMessage message) {
  // The box says it once; the status line keeps saying it after the box is gone.
  if (message == UpdateMessage::kIniError) return;
  if (status_) {
    status_->SetTextColor(kFailureColor);
    status_->SetText(MessageText(message));
  }
}

void UpdaterController::NothingToUpdate() {
  if (ended_) return;
  ended_ = true;
  host_.ReleaseJob();
  host_.Quit();
}

bool UpdaterController::OnMessage(unsigned msg, uintptr_t wParam, intptr_t lParam) {
  switch (msg) {
    case kMsgUpdaterFiles:
      if (lParam != 0) ShowFiles(*reinterpret_cast<const std::vector<std::wstring>*>(lParam));
      return true;
    case kMsgUpdaterRow:
      if (lParam != 0) {
        const auto& row = *reinterpret_cast<const UpdaterRowEvent*>(lParam);
        SetRow(row.index, row.name, row.state);
      }
      return true;
    case kMsgUpdaterCompleted:
      ShowCompleted();
      return true;
    case kMsgUpdaterFailed:
      ShowFailure(static_cast<UpdateMessage>(wParam));
      return true;
    case kMsgUpdaterNothing:
      NothingToUpdate();
      return true;
    default:
      return false;
  }
}

WindowReporter::WindowReporter(Send send, ShowBox box, UpdaterTexts texts)
    : send_(std::move(send)), box_(std::move(box)), texts_(std::move(texts)) {}

void WindowReporter::ShowFiles(const std::vector<std::wstring>& names) {
  (void)send_(kMsgUpdaterFiles, 0, reinterpret_cast<intptr_t>(&names));
}

void WindowReporter::SetRow(size_t index, const std::wstring& name, UpdateRowState state) {
  const UpdaterRowEvent row{index, name, state};
  (void)send_(kMsgUpdaterRow, 0, reinterpret_cast<intptr_t>(&row));
}

void WindowReporter::ShowCompleted() { (void)send_(kMsgUpdaterCompleted, 0, 0); }

void WindowReporter::ShowMessage(UpdateMessage message) {
  (void)send_(kMsgUpdaterFailed, static_cast<uintptr_t>(message), 0);
  if (box_) box_(UpdaterMessageText(texts_, message));
}

void WindowReporter::Finished(UpdateOutcome outcome) {
  if (outcome == UpdateOutcome::kNothingToUpdate) (void)send_(kMsgUpdaterNothing, 0, 0);
}

}  // namespace nimbrook
