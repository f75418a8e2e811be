#include "core/log.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "core/file_io.h"
#include "core/text.h"
#include "testing/temp_dir.h"

namespace nimbrook {
namespace {

class LogTest : public ::testing::Test {
 protected:
  void SetUp() override { SetLogFile(path); }
  void TearDown() override { SetLogFile(L""); }
  std::string Contents() {
    std::string bytes;
    EXPECT_TRUE(ReadFileBytes(path, bytes));
    return bytes;
  }
  testing::TempDir dir;
  std::wstring path = dir.File(L"nimbrook.log");
};

TEST_F(LogTest, ResetLeavesOnlyTheByteOrderMark) {
  WriteLog(L"left over from the last run");
  ResetLog();
  EXPECT_EQ(Contents(), "\xEF\xBB\xBF");
  WriteLog(L"first");
  ResetLog();
  WriteLog(L"second");
  EXPECT_EQ(Contents(), "\xEF\xBB\xBFsecond\n");
}

TEST_F(LogTest, LineEndsAreAddedOnlyWhenMissing) {
  ResetLog();
  WriteLog(L"");
  WriteLog(L"one");
  WriteLog(L"\x7CFB\x7EDF\x7C7B\x578B 64 bit\n");  // 系统类型 64 bit
  WriteLog(L"two\nthree");
  EXPECT_EQ(Contents(), "\xEF\xBB\xBFone\n\xE7\xB3\xBB\xE7\xBB\x9F\xE7\xB1\xBB\xE5\x9E\x8B 64 bit\ntwo\nthree\n");
}

TEST_F(LogTest, RestartEmptiesTheFileAndWritesTheMarkFirst) {
  WriteLog(L"old");
  WriteLog(L"new", true);
  EXPECT_EQ(Contents(), "\xEF\xBB\xBFnew\n");
}

TEST_F(LogTest, ConcurrentWritersNeverInterleaveLines) {
  ResetLog();
  std::vector<std::thread> writers;
  for (int t = 0; t < 4; ++t) {
    writers.emplace_back([t] {
      for (int i = 0; i < 50; ++i) WriteLog(std::wstring(40, static_cast<wchar_t>(L'a' + t)));
    });
  }
  for (auto& w : writers) w.join();
  const std::string bytes = Contents().substr(3);
  size_t lines = 0;
  for (size_t start = 0; start < bytes.size(); ++lines) {
    const size_t end = bytes.find('\n', start);
    ASSERT_NE(end, std::string::npos);
    const std::string line = bytes.substr(start, end - start);
    ASSERT_EQ(line, std::string(40, line[0]));
    start = end + 1;
  }
  EXPECT_EQ(lines, 200u);
}

TEST_F(LogTest, UnwritableFileLosesTheLineSilently) {
  SetLogFile(dir.File(L"missing-dir/nimbrook.log"));
  WriteLog(L"lost");
  ResetLog();
  EXPECT_FALSE(FileExists(dir.File(L"missing-dir/nimbrook.log")));
}

}  // namespace
}  // namespace nimbrook
