#include "updater/updater_log.h"

#include <cstdio>

#include "core/file_io.h"

namespace nimbrook {

void UpdaterLog::Write(std::string_view text, bool restart) const {
  if (text.empty()) return;
  std::string line(text);
  if (line.back() != '\n') line.push_back('\n');
  FileHandle file = OpenFile(file_, restart ? "wb" : "ab");
  if (!file) return;
  if (restart) std::fwrite("\xEF\xBB\xBF", 1, 3, file.get());
  std::fwrite(line.data(), 1, line.size(), file.get());
}

}  // namespace nimbrook
