// The request log: one line per request, to standard output and, when asked, appended to a file:
//   2024-06-01 12:00:00 127.0.0.1 GET /clientupdate/update/raw/master/version.ini?1717214400 200 1234 [release 1.5.1]
#pragma once

#include <cstdio>
#include <filesystem>
#include <mutex>
#include <string>

namespace nimbrook::service {

class RequestLog {
 public:
  RequestLog() = default;
  ~RequestLog();
  RequestLog(const RequestLog&) = delete;
  RequestLog& operator=(const RequestLog&) = delete;

  // Where lines go; false when the file cannot be opened for appending.
  [[nodiscard]] bool Open(bool toStdout, const std::filesystem::path& file, std::string& error);
  void Write(const std::string& line);

 private:
  std::mutex mutex_;
  bool toStdout_ = false;
  std::FILE* file_ = nullptr;
};

// "YYYY-MM-DD HH:MM:SS" in local time.
std::string LogTimestamp();

}  // namespace nimbrook::service
