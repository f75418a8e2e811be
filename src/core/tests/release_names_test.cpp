// The one rule for release file names that the client's check and the updater share.
#include "core/release_names.h"

#include <gtest/gtest.h>

#include "core/text.h"

namespace nimbrook {
namespace {

TEST(ReleaseNames, OnlyPlainFileNamesUnderTheProgramDirectory) {
  for (const wchar_t* good : {L"Nimbrook.exe", L"docs\\changelog.txt", L"a/b/c.txt", L"./readme.txt",
                              L"console.txt", L"COM10.txt", L"docs\\\\license.txt", L"update.exe", L"语言\\chs.lng"}) {
    EXPECT_TRUE(IsReleaseFileName(good)) << text::ToUtf8(good);
  }
  for (const wchar_t* bad : {L"", L"CON", L"nul.txt", L"docs\\Com1.tmp", L"docs/", L"docs\\", L"a*.txt", L"a?.txt",
                             L"a<b", L"a>b", L"a|b", L"a\"b", L"tab\there", L"name.", L"dir. \\x.txt", L"..\\x",
                             L"C:\\x", L"\\\\host\\x", L"/etc/x", L"Update.exe", L"bin\\Update.exe.bak"}) {
    EXPECT_FALSE(IsReleaseFileName(bad)) << text::ToUtf8(bad);
  }
}

TEST(ReleaseNames, TheUpdaterSkipsItsOwnNameCaseSensitively) {
  EXPECT_TRUE(UpdaterSkipsName(L"Update.exe"));
  EXPECT_TRUE(UpdaterSkipsName(L"x\\Update.exe"));
  EXPECT_FALSE(UpdaterSkipsName(L"update.exe"));
  EXPECT_EQ(CollapseSeparators(L"a\\\\\\b//c/\\d"), L"a\\b/c/\\d");
}

}  // namespace
}  // namespace nimbrook
