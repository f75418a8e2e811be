// The in-memory profile files against the profile API's rules.
#include "client/memory_profile.h"

#include <gtest/gtest.h>

namespace nimbrook {
namespace {

TEST(MemoryProfileFilesTest, FollowsTheProfileApiRules) {
  MemoryProfileFiles profile;
  EXPECT_EQ(profile.ReadString(L"a.ini", L"S", L"k", L"not found", 64), L"not found");
  EXPECT_TRUE(profile.WriteStringA(L"a.ini", "Setting", "username", "alice"));
  // Narrow and wide calls see one text; section and key names ignore case.
  EXPECT_EQ(profile.ReadString(L"a.ini", L"SETTING", L"UserName", L"", 64), L"alice");
  EXPECT_TRUE(profile.WriteString(L"a.ini", L"setting", L"USERNAME", L"bob"));
  EXPECT_EQ(profile.ReadStringA(L"a.ini", "Setting", "username", "", 64), "bob");
  // Another file is another store.
  EXPECT_EQ(profile.ReadStringA(L"b.ini", "Setting", "username", "none", 64), "none");
  // At most capacity - 1 characters, the fallback too.
  EXPECT_EQ(profile.ReadString(L"a.ini", L"Setting", L"username", L"", 3), L"bo");
  EXPECT_EQ(profile.ReadStringA(L"a.ini", "Setting", "missing", "fallback", 4), "fal");
  EXPECT_EQ(profile.ReadString(L"a.ini", L"Setting", L"username", L"", 0), L"");
}

TEST(MemoryProfileFilesTest, SectionsListKeysInFirstWrittenOrderWithinTheBlock) {
  MemoryProfileFiles profile;
  ASSERT_TRUE(profile.WriteString(L"f.ini", L"FILES", L"b.txt", L"1"));
  ASSERT_TRUE(profile.WriteString(L"f.ini", L"FILES", L"a.txt", L"2"));
  ASSERT_TRUE(profile.WriteString(L"f.ini", L"files", L"B.TXT", L"3"));  // replaces, keeps its place
  EXPECT_EQ(profile.ReadSection(L"f.ini", L"Files", 4096), (std::vector<std::wstring>{L"b.txt=3", L"a.txt=2"}));
  // "b.txt=3" and its terminator take 8 of the 10 characters; the next line no longer fits.
  EXPECT_EQ(profile.ReadSection(L"f.ini", L"FILES", 10), (std::vector<std::wstring>{L"b.txt=3"}));
  EXPECT_TRUE(profile.ReadSection(L"f.ini", L"URL", 4096).empty());
  EXPECT_TRUE(profile.ReadSection(L"none.ini", L"FILES", 4096).empty());
}

}  // namespace
}  // namespace nimbrook
