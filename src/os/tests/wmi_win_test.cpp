#include "os/wmi.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cwctype>

namespace nimbrook::os {
namespace {

bool UnderWine() {
  const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  return ntdll && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

bool IsUpperHex(const std::wstring& text) {
  for (wchar_t c : text) {
    if (!std::iswdigit(c) && !(c >= L'A' && c <= L'F')) return false;
  }
  return true;
}

TEST(WmiWinTest, ProcessorAndDiskAreReadThroughCom) {
  const auto wmi = OpenSystemWmi();
  const WmiQueryResult processor = wmi->Select(L"Win32_Processor", L"ProcessorId", L"");
  ASSERT_TRUE(processor.ok) << std::hex << processor.status;
  ASSERT_FALSE(processor.values.empty());
  EXPECT_EQ(processor.values.front().size(), 16u);
  EXPECT_TRUE(IsUpperHex(processor.values.front()));

  const WmiQueryResult disks = wmi->Select(L"Win32_DiskDrive", L"SerialNumber", L"");
  ASSERT_TRUE(disks.ok) << std::hex << disks.status;
  ASSERT_FALSE(disks.values.empty());
  if (UnderWine()) {
    EXPECT_EQ(disks.values.front(), L"WINEHDISK");
  }
}

TEST(WmiWinTest, UnknownPropertyFailsAndUnknownClassGivesNothing) {
  const auto wmi = OpenSystemWmi();
  const WmiQueryResult property = wmi->Select(L"Win32_DiskDrive", L"NoSuchProperty", L"");
  EXPECT_FALSE(property.ok);
  EXPECT_NE(property.status, 0);
  EXPECT_TRUE(property.values.empty());
  // Windows refuses an unknown class (WBEM_E_INVALID_CLASS); Wine answers it with no instances.
  // Either way nothing comes back.
  const WmiQueryResult cls = wmi->Select(L"Win32_NoSuchClass", L"Name", L"");
  EXPECT_TRUE(cls.values.empty());
  EXPECT_EQ(cls.ok, cls.status == 0);
}

}  // namespace
}  // namespace nimbrook::os
