// Runs natively against the portable INI implementation and under Wine against the real profile API,
// so both are held to the same rules.
#include "os/profile_file.h"

#include <gtest/gtest.h>

#include "core/file_io.h"
#include "core/text.h"
#include "testing/temp_dir.h"
#include "testing/bytes.h"

namespace nimbrook::os {
namespace {

using testing::Utf16Le;

class ProfileFilesTest : public ::testing::Test {
 protected:
  ProfileFiles& profile = SystemProfile();
  testing::TempDir dir;
  std::wstring ini = dir.File(L"config.ini");
};

TEST_F(ProfileFilesTest, MissingFileOrKeyGivesTheFallback) {
  EXPECT_EQ(profile.ReadString(ini, L"Setting", L"language", L"not found", 1024), L"not found");
  EXPECT_EQ(profile.ReadStringA(ini, "Setting", "username", "not found", 1024), "not found");
  EXPECT_TRUE(profile.ReadSection(ini, L"String", 40960).empty());
  ASSERT_TRUE(profile.WriteString(ini, L"Setting", L"language", L"chs"));
  EXPECT_EQ(profile.ReadString(ini, L"Setting", L"other", L"not found", 1024), L"not found");
  EXPECT_EQ(profile.ReadString(ini, L"Other", L"language", L"", 1024), L"");
}

TEST_F(ProfileFilesTest, WritesCreateTheFileAndKeepOtherEntries) {
  ASSERT_TRUE(profile.WriteStringA(ini, "Setting", "username", "alice"));
  ASSERT_TRUE(profile.WriteStringA(ini, "Setting", "password", "c2VjcmV0"));
  ASSERT_TRUE(profile.WriteStringA(ini, "Other", "x", "1"));
  ASSERT_TRUE(profile.WriteStringA(ini, "Setting", "username", "bob"));
  EXPECT_EQ(profile.ReadStringA(ini, "Setting", "username", "", 1024), "bob");
  EXPECT_EQ(profile.ReadStringA(ini, "Setting", "password", "", 1024), "c2VjcmV0");
  EXPECT_EQ(profile.ReadStringA(ini, "Other", "x", "", 1024), "1");
  const auto entries = profile.ReadSection(ini, L"Setting", 40960);
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_EQ(entries[0], L"username=bob");
  EXPECT_EQ(entries[1], L"password=c2VjcmV0");
}

TEST_F(ProfileFilesTest, SectionsAndKeysIgnoreCaseAndValuesAreTrimmed) {
  ASSERT_TRUE(WriteFileBytes(ini, "[setting]\r\n  Language =  eng  \r\nquoted=\"a b\"\r\n"));
  EXPECT_EQ(profile.ReadString(ini, L"Setting", L"language", L"", 1024), L"eng");
  EXPECT_EQ(profile.ReadStringA(ini, "SETTING", "LANGUAGE", "", 1024), "eng");
  EXPECT_EQ(profile.ReadString(ini, L"Setting", L"quoted", L"", 1024), L"a b");
}

TEST_F(ProfileFilesTest, ValuesAreCutToTheCapacity) {
  ASSERT_TRUE(profile.WriteStringA(ini, "Setting", "long", std::string(40, 'x')));
  EXPECT_EQ(profile.ReadStringA(ini, "Setting", "long", "", 11), std::string(10, 'x'));
  EXPECT_EQ(profile.ReadString(ini, L"Setting", L"long", L"", 5), L"xxxx");
}

TEST_F(ProfileFilesTest, Utf16FilesKeepChineseThroughReadsAndWrites) {
  const std::wstring chinese = text::FromUtf8("\xE6\xAD\xA3\xE5\x9C\xA8\xE8\xBF\x9E\xE6\x8E\xA5");  // 正在连接
  const std::wstring traditional = text::FromUtf8("\xE6\xAD\xA3\xE5\x9C\xA8\xE9\x80\xA3\xE7\xB7\x9A");  // 正在連線
  ASSERT_TRUE(WriteFileBytes(ini, Utf16Le(L"[String]\r\nstr_connecting=" + chinese + L"\r\nok=OK\r\n")));
  EXPECT_EQ(profile.ReadString(ini, L"String", L"str_connecting", L"", 1024), chinese);
  ASSERT_TRUE(profile.WriteString(ini, L"String", L"str_other", traditional));
  EXPECT_EQ(profile.ReadString(ini, L"String", L"str_other", L"", 1024), traditional);
  EXPECT_EQ(profile.ReadString(ini, L"String", L"str_connecting", L"", 1024), chinese);
  const auto entries = profile.ReadSection(ini, L"String", 40960);
  ASSERT_EQ(entries.size(), 3u);
  EXPECT_EQ(entries[0], L"str_connecting=" + chinese);
  std::string bytes;
  ASSERT_TRUE(ReadFileBytes(ini, bytes));
  EXPECT_EQ(bytes.substr(0, 2), "\xFF\xFE");
}

// The portable reader takes a UTF-8 byte-order mark off the file; writing keeps it, so a value
// written is what the next read finds, even in a file whose text begins with a second mark.
TEST_F(ProfileFilesTest, PortableWritesKeepTheUtf8Mark) {
  const auto portable = MakePortableProfileFiles();
  ASSERT_TRUE(WriteFileBytes(ini, "\xEF\xBB\xBF[Setting]\r\nlanguage=chs\r\n"));
  ASSERT_TRUE(portable->WriteString(ini, L"Setting", L"username", L"alice"));
  EXPECT_EQ(portable->ReadString(ini, L"Setting", L"language", L"", 1024), L"chs");
  std::string bytes;
  ASSERT_TRUE(ReadFileBytes(ini, bytes));
  EXPECT_EQ(bytes, "\xEF\xBB\xBF[Setting]\r\nlanguage=chs\r\nusername=alice\r\n");

  // A stray second mark hides the first header; the written section must still be the one read.
  ASSERT_TRUE(WriteFileBytes(ini, "\xEF\xBB\xBF\xEF\xBB\xBF[Setting]\nother=1\n"));
  ASSERT_TRUE(portable->WriteString(ini, L"Setting", L"username", L"bob"));
  EXPECT_EQ(portable->ReadString(ini, L"Setting", L"username", L"not found", 1024), L"bob");
}

TEST_F(ProfileFilesTest, SectionEntriesKeepEverythingAfterTheFirstEquals) {
  ASSERT_TRUE(WriteFileBytes(ini, "[String]\r\na=b=c\r\nbare\r\n[Next]\r\nz=1\r\n"));
  const auto entries = profile.ReadSection(ini, L"String", 40960);
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_EQ(entries[0], L"a=b=c");
  EXPECT_EQ(entries[1], L"bare");
}

}  // namespace
}  // namespace nimbrook::os
