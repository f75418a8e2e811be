#include "core/log.h"

#include <mutex>

#include "core/file_io.h"
#include "core/paths.h"
#include "core/text.h"

namespace nimbrook {
namespace {

// One lock serialises whole lines, so the open-write-close of one call never interleaves with another's.
std::mutex& LogLock() {
  static std::mutex lock;
  return lock;
}

std::wstring& OverridePath() {
  static std::wstring path;
  return path;
}

std::wstring LogPath() { return OverridePath().empty() ? Paths().logFile : OverridePath(); }

constexpr char kBom[] = "\xEF\xBB\xBF";

}  // namespace

void SetLogFile(const std::wstring& path) {
  std::lock_guard<std::mutex> guard(LogLock());
  OverridePath() = path;
}

void ResetLog() {
  std::lock_guard<std::mutex> guard(LogLock());
  FileHandle file = OpenFile(LogPath(), "wb");
  if (file) std::fwrite(kBom, 1, 3, file.get());
}

void WriteLog(const std::wstring& text, bool restart) {
  std::lock_guard<std::mutex> guard(LogLock());
  std::string bytes = text::ToUtf8(text);
  if (bytes.empty()) return;
  if (bytes.back() != '\n') bytes.push_back('\n');
  // Binary modes: the text's own LF must not become CR LF.
  FileHandle file = OpenFile(LogPath(), restart ? "wb" : "ab");
  if (!file) return;
  if (restart) std::fwrite(kBom, 1, 3, file.get());
  std::fwrite(bytes.data(), 1, bytes.size(), file.get());
}

}  // namespace nimbrook
