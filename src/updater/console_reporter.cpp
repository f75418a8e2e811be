#include "updater/console_reporter.h"

#include "core/text.h"

namespace nimbrook {

void ConsoleReporter::Line(const std::string& text) {
  std::fprintf(out_, "%s\n", text.c_str());
  std::fflush(out_);
}

void ConsoleReporter::ShowFiles(const std::vector<std::wstring>& names) {
  Line("files: " + std::to_string(names.size()));
  for (const auto& name : names) Line("  " + text::ToUtf8(name));
}

void ConsoleReporter::SetRow(size_t index, const std::wstring& name, UpdateRowState state) {
  Line("[" + std::to_string(index) + "] " + text::ToUtf8(name) + "  " +
       (state == UpdateRowState::kUpdating ? "updating..." : "Finished !"));
}

void ConsoleReporter::ShowCompleted() { Line("Update completed"); }

void ConsoleReporter::ShowMessage(UpdateMessage message) {
  switch (message) {
    case UpdateMessage::kIniError:
      Line("message: update.ini could not be read");
      break;
    case UpdateMessage::kClientStillRunning:
      Line("message: Nimbrook fail to restart (the client is still running)");
      break;
    case UpdateMessage::kUpdateFailed:
      Line("message: Update failure");
      break;
  }
}

}  // namespace nimbrook
