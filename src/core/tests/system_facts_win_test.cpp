#include "core/system_facts.h"

#include <windows.h>

#include <gtest/gtest.h>

namespace nimbrook {
namespace {

bool UnderWine() {
  const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  return ntdll && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

// The list is read whatever size it needs (the first 648-byte try is too small for one 64-bit
// record), and every adapter is found again by its system name.
TEST(SystemFactsWinTest, EveryListedAdapterIsFoundByItsName) {
  const std::vector<os::AdapterRecord> adapters = os::ListAdapters();
  for (const auto& adapter : adapters) {
    EXPECT_FALSE(adapter.name.empty());
    ASSERT_FALSE(adapter.ipAddresses.empty());  // the list always has a first entry, "0.0.0.0" when unset
    EXPECT_EQ(AdapterAddress(adapter.name), adapter.ipAddresses.front());
  }
  EXPECT_EQ(AdapterAddress("{00000000-0000-0000-0000-000000000000}"), "");
}

TEST(SystemFactsWinTest, ThisSystemIsNamedAndModern) {
  EXPECT_TRUE(SystemVersion().valid);
  if (UnderWine()) {
    // Wine presents itself as a Windows the table knows, newer than XP.
    EXPECT_NE(WindowsName(), "unknown OperatingSystem.");
    EXPECT_TRUE(NewerThanXP());
    EXPECT_EQ(ExcludedProtocols(), L"");
  }
#if defined(_WIN64)
  EXPECT_EQ(SystemDescription(SystemVersion()), WindowsName() + " 64");  // a 64-bit program runs on 64-bit Windows
#endif
}

}  // namespace
}  // namespace nimbrook
