#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "os/process_list.h"

namespace nimbrook::os {
namespace {

std::wstring OwnExeName() {
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring full(path);
  return full.substr(full.find_last_of(L"\\/") + 1);
}

TEST(ToolhelpProcessList, FindsThisProcessByExactName) {
  const std::wstring own = OwnExeName();
  ASSERT_FALSE(own.empty());
  EXPECT_TRUE(SystemProcessList().IsRunning(own));
  std::wstring upper = own;
  for (auto& c : upper) c = static_cast<wchar_t>(towupper(c));
  if (upper != own) EXPECT_FALSE(SystemProcessList().IsRunning(upper));  // case-sensitive
  EXPECT_FALSE(SystemProcessList().IsRunning(L"no-such-program-here.exe"));
}

}  // namespace
}  // namespace nimbrook::os
