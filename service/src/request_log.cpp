// The request log.
#include "request_log.h"

#include <ctime>

namespace nimbrook::service {

RequestLog::~RequestLog() {
  if (file_) std::fclose(file_);
}

bool RequestLog::Open(bool toStdout, const std::filesystem::path& file, std::string& error) {
  std::lock_guard<std::mutex> lock(mutex_);
  toStdout_ = toStdout;
  if (file.empty()) return true;
  file_ = std::fopen(file.c_str(), "ab");
  if (!file_) {
    error = "cannot open log file " + file.string();
    return false;
  }
  return true;
}

void RequestLog::Write(const std::string& line) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (toStdout_) {
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
  }
  if (file_) {
    std::fwrite(line.data(), 1, line.size(), file_);
    std::fputc('\n', file_);
    std::fflush(file_);
  }
}

std::string LogTimestamp() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
  return text;
}

}  // namespace nimbrook::service
