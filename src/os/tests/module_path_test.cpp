#include "os/module_path.h"

#include <gtest/gtest.h>

#include <cwctype>

#include "core/file_io.h"
#include "core/paths.h"
#include "core/text.h"

namespace nimbrook::os {
namespace {

TEST(ModulePathTest, NamesThisTestProgram) {
  const std::wstring path = ExecutablePath();
  ASSERT_FALSE(path.empty());
  EXPECT_TRUE(FileExists(path));
  const auto cut = path.find_last_of(kPathSeparator);
  ASSERT_NE(cut, std::wstring::npos);
  std::wstring name = path.substr(cut + 1);
  for (auto& c : name) c = static_cast<wchar_t>(std::towlower(c));
  EXPECT_EQ(name.rfind(L"os_tests", 0), 0u) << text::ToUtf8(name);
}

TEST(ModulePathTest, NarrowPathIsTheSamePathInTheAnsiCodePage) {
  // The build tree lies under an ASCII path, which every code page represents exactly.
  const std::string narrow = ExecutablePathA();
  ASSERT_FALSE(narrow.empty());
  EXPECT_EQ(text::FromAnsi(narrow), ExecutablePath());
}

}  // namespace
}  // namespace nimbrook::os
