#include <gtest/gtest.h>

#include "account/descriptor_cipher.h"
#include "core/file_io.h"
#include "os/profile_file.h"
#include "testing/temp_dir.h"
#include "updater/update_list.h"
#include "updater/updater_log.h"

namespace nimbrook {
namespace {

TEST(LanguageFromCommandLine, FirstOfChsChtEngInThatOrder) {
  EXPECT_EQ(LanguageFromCommandLine(L"eng"), L"eng");
  EXPECT_EQ(LanguageFromCommandLine(L"\"C:\\Program Files\\update.exe\" cht"), L"cht");
  // Plain substring tests: "chs" wins wherever it stands.
  EXPECT_EQ(LanguageFromCommandLine(L"eng cht chs"), L"chs");
  EXPECT_EQ(LanguageFromCommandLine(L"update.exe"), L"");
  EXPECT_EQ(LanguageFromCommandLine(L"ENG"), L"");
}

TEST(CommandLineArguments, TheProgramNameNeverChoosesTheLanguage) {
  EXPECT_EQ(CommandLineArguments(L"\"C:\\Users\\chs\\Update.exe\" eng"), L"eng");
  EXPECT_EQ(CommandLineArguments(L"C:\\cht\\Update.exe  chs"), L"chs");
  EXPECT_EQ(LanguageFromCommandLine(CommandLineArguments(L"\"D:\\chs tools\\Update.exe\"")), L"");
  EXPECT_EQ(CommandLineArguments(L"\"unterminated"), L"");
  EXPECT_EQ(CommandLineArguments(L""), L"");
}

TEST(ComputeUpdaterPaths, FilesBesideTheProgram) {
  testing::TempDir dir;
  const UpdaterPaths paths = ComputeUpdaterPaths(dir.Path().wstring());  // without a trailing separator
  EXPECT_EQ(paths.programDir, dir.Dir());
  EXPECT_EQ(paths.logFile, dir.Dir() + L"Nimbrook.log");
  EXPECT_EQ(paths.updateIni, JoinPath(JoinPath(dir.Dir(), L"config"), L"update.ini"));
  EXPECT_EQ(paths.newVersionIni, JoinPath(JoinPath(dir.Dir(), L"config"), L"new_version.ini"));
  EXPECT_EQ(paths.versionIni, JoinPath(JoinPath(dir.Dir(), L"config"), L"version.ini"));
}

TEST(HandOverReadable, OnlyWithUpdateIni) {
  testing::TempDir dir;
  const UpdaterPaths paths = ComputeUpdaterPaths(dir.Dir());
  EXPECT_FALSE(HandOverReadable(paths));
  ASSERT_TRUE(CreateDirectoryIfMissing(JoinPath(dir.Dir(), L"config")));
  ASSERT_TRUE(WriteFileBytes(paths.updateIni, ""));
  EXPECT_TRUE(HandOverReadable(paths));
}

class ReadUpdateListTest : public ::testing::Test {
 protected:
  std::wstring Write(const std::string& text) {
    const std::wstring file = dir_.File(L"update.ini");
    EXPECT_TRUE(WriteFileBytes(file, text));
    return file;
  }
  testing::TempDir dir_;
};

TEST_F(ReadUpdateListTest, DecipheredBaseWithoutTrailingSlashAndNamesInOrder) {
  const std::string base = EncodeDescriptorValue("http://127.0.0.1:8080/releases/1.5.1/");
  const auto file = Write("[URL]\r\ndownloadURL=" + base + "\r\n[FILES]\r\nzeta.txt=abc\r\ndocs\\a.txt=1=2\r\nplain\r\n");
  const UpdateList list = ReadUpdateList(os::SystemProfile(), file);
  EXPECT_FALSE(list.readError);
  EXPECT_EQ(list.downloadBase, L"http://127.0.0.1:8080/releases/1.5.1");
  EXPECT_EQ(list.files, (std::vector<std::wstring>{L"zeta.txt", L"docs\\a.txt", L"plain"}));
}

TEST_F(ReadUpdateListTest, MissingOrEmptyBaseIsAReadErrorButNamesStillCount) {
  const UpdateList missing = ReadUpdateList(os::SystemProfile(), Write("[FILES]\r\na.txt=1\r\n"));
  EXPECT_TRUE(missing.readError);
  EXPECT_TRUE(missing.downloadBase.empty());
  EXPECT_EQ(missing.files, std::vector<std::wstring>{L"a.txt"});

  const UpdateList empty = ReadUpdateList(os::SystemProfile(), Write("[URL]\r\ndownloadURL=\r\n"));
  EXPECT_TRUE(empty.readError);
  EXPECT_TRUE(empty.files.empty());

  const UpdateList noFile = ReadUpdateList(os::SystemProfile(), dir_.File(L"none.ini"));
  EXPECT_TRUE(noFile.readError);
  EXPECT_TRUE(noFile.files.empty());
}

class UpdaterLogTest : public ::testing::Test {
 protected:
  std::string Contents() {
    std::string bytes;
    EXPECT_TRUE(ReadFileBytes(log_.File(), bytes));
    return bytes;
  }
  testing::TempDir dir_;
  UpdaterLog log_{dir_.File(L"Nimbrook.log")};
};

TEST_F(UpdaterLogTest, LineEndsAddedOnceBytesUnconverted) {
  log_.Write("first");
  log_.Write("second\n");
  log_.Write("");
  log_.Write("two\nlines");
  log_.Write("重命名文件 a失败");
  EXPECT_EQ(Contents(), "first\nsecond\ntwo\nlines\n重命名文件 a失败\n");
}

TEST_F(UpdaterLogTest, RestartEmptiesTheFileAndWritesTheByteOrderMark) {
  log_.Write("old line");
  log_.Write("new", true);
  log_.Write("more");
  EXPECT_EQ(Contents(), "\xEF\xBB\xBFnew\nmore\n");
}

TEST_F(UpdaterLogTest, EmptyTextDoesNotCreateTheFile) {
  log_.Write("");
  EXPECT_FALSE(FileExists(log_.File()));
}

}  // namespace
}  // namespace nimbrook
