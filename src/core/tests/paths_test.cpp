#include "core/paths.h"

#include <gtest/gtest.h>

namespace nimbrook {
namespace {

const std::wstring S(1, kPathSeparator);

TEST(ProcessPathsTest, DirectoriesHangOffTheProgramDirectory) {
  const auto paths = ComputePaths(S + L"opt" + S + L"Nimbrook" + S + L"Nimbrook.exe");
  const std::wstring dir = S + L"opt" + S + L"Nimbrook" + S;
  EXPECT_EQ(paths.programDir, dir);
  EXPECT_EQ(paths.logFile, dir + L"nimbrook.log");
  EXPECT_EQ(paths.configDir, dir + L"config" + S);
  EXPECT_EQ(paths.openvpnDir, dir + L"openvpn" + S);
  EXPECT_EQ(paths.routeDir, dir + L"route" + S);
  EXPECT_EQ(paths.languageDir, dir + L"language" + S);
}

TEST(ProcessPathsTest, PathWithoutSeparatorGivesBareRelativeNames) {
  const auto paths = ComputePaths(L"Nimbrook.exe");
  EXPECT_EQ(paths.programDir, L"");
  EXPECT_EQ(paths.logFile, L"nimbrook.log");
  EXPECT_EQ(paths.configDir, L"config" + S);
}

TEST(JoinPathTest, OneSeparatorBetweenParts) {
  EXPECT_EQ(JoinPath(L"a" + S, L"b"), L"a" + S + L"b");
  EXPECT_EQ(JoinPath(L"a", L"b"), L"a" + S + L"b");
  EXPECT_EQ(JoinPath(L"", L"b"), L"b");
  EXPECT_EQ(JoinPath(L"a/", L"/b"), L"a/b");
}

TEST(SafeRelativeNameTest, RejectsEveryWayOutOfTheDirectory) {
  for (const wchar_t* bad : {L"", L"/etc/passwd", L"\\Windows\\x.dll", L"C:\\x.exe", L"c:x.exe", L"\\\\host\\share\\x",
                             L"..", L"../x", L"..\\x", L"a/../../x", L"a\\..\\..\\x", L"a/..", L"...\\x", L".. /x",
                             L"x.exe:stream", L"\uFFFD\uFFFD/x", L"skin/a\uFFFD.dll"}) {
    EXPECT_FALSE(IsSafeRelativeName(bad));
  }
  for (const wchar_t* good : {L"Nimbrook.exe", L"skin\\skin.dll", L"language/eng.lng", L"./x", L"a..b", L"..x"}) {
    EXPECT_TRUE(IsSafeRelativeName(good));
  }
}

}  // namespace
}  // namespace nimbrook
