// How the update job shows its progress: the updater window implements it (list rows, status text,
// complete button, message boxes); the console front-end prints the same events. The job calls it
// from its worker thread.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace nimbrook {

enum class UpdateRowState { kUpdating, kDone };

// The message boxes the job shows (no owner, default caption); the window picks the texts.
enum class UpdateMessage {
  kIniError,            // "操作INI文件错误"
  kClientStillRunning,  // the fail-to-stop text
  kUpdateFailed,        // the failed text with the contact number
};

class UpdateReporter {
 public:
  virtual ~UpdateReporter() = default;
  // One row per file name, in list order.
  virtual void ShowFiles(const std::vector<std::wstring>& names) = 0;
  // Row index shows name + "  " + the state's text and is selected.
  virtual void SetRow(size_t index, const std::wstring& name, UpdateRowState state) = 0;
  // The run succeeded: the status shows the completed text and the complete button is enabled.
  virtual void ShowCompleted() = 0;
  virtual void ShowMessage(UpdateMessage message) = 0;
};

}  // namespace nimbrook
