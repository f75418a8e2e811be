// Shared set-up of the HTTP client's unit tests: a fake transport, a fixed clock, a temporary
// directory and a log file that the tests read back.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/file_io.h"
#include "core/log.h"
#include "fake_http_transport.h"
#include "http/http_client.h"
#include "testing/temp_dir.h"

namespace nimbrook::testing {

inline constexpr int64_t kNow = 1700000000;

class HttpClientTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetLogFile(logPath);
    ResetLog();
  }
  void TearDown() override { SetLogFile(L""); }

  HttpClient Client() { return HttpClient(HttpVariant::Client(), transport, settings, [] { return kNow; }); }
  HttpClient Updater() { return HttpClient(HttpVariant::Updater(), transport, settings, [] { return kNow; }); }

  // The log's lines after the byte-order mark, as UTF-8 (a line's own "\n" ends it).
  std::vector<std::string> LogLines() {
    std::string bytes;
    EXPECT_TRUE(ReadFileBytes(logPath, bytes));
    EXPECT_EQ(bytes.substr(0, 3), "\xEF\xBB\xBF");
    std::vector<std::string> lines;
    size_t start = 3;
    while (start < bytes.size()) {
      size_t end = bytes.find('\n', start);
      if (end == std::string::npos) end = bytes.size();
      lines.push_back(bytes.substr(start, end - start));
      start = end + 1;
    }
    return lines;
  }

  std::string FileBytes(const std::wstring& path) {
    std::string bytes;
    EXPECT_TRUE(ReadFileBytes(path, bytes));
    return bytes;
  }

  TempDir dir;
  std::wstring logPath = dir.File(L"nimbrook.log");
  FakeHttpTransport transport;
  FakeInternetSettings settings;
};

// "网络加速ab\n" repeated to exactly bytes bytes of UTF-8 (cut on a character boundary, padded with
// "x"), as the reference service's generator makes it.
inline std::string Utf8Text(size_t bytes) {
  const std::string unit = "\xE7\xBD\x91\xE7\xBB\x9C\xE5\x8A\xA0\xE9\x80\x9F" "ab\n";
  std::string text;
  while (text.size() + unit.size() <= bytes) text += unit;
  // Whole characters of the next unit while they fit, then "x".
  size_t i = 0;
  while (i < unit.size()) {
    const size_t length = static_cast<unsigned char>(unit[i]) >= 0xE0 ? 3 : 1;
    if (text.size() + length > bytes) break;
    text += unit.substr(i, length);
    i += length;
  }
  text.append(bytes - text.size(), 'x');
  return text;
}

// Bytes of the service's generator: byte i = (i * 7 + 3) mod 256.
inline std::string GeneratedBytes(size_t count) {
  std::string bytes(count, '\0');
  for (size_t i = 0; i < count; ++i) bytes[i] = static_cast<char>((i * 7 + 3) % 256);
  return bytes;
}

}  // namespace nimbrook::testing
