#include "os/wmi.h"

#include <gtest/gtest.h>

namespace nimbrook::os {
namespace {

TEST(WmiNativeTest, AnswersTheIdentityClassesFromLinux) {
  const auto wmi = OpenSystemWmi();
  const WmiQueryResult processor = wmi->Select(L"Win32_Processor", L"ProcessorId", L"");
  ASSERT_TRUE(processor.ok);
  ASSERT_EQ(processor.values.size(), 1u);
#if defined(__x86_64__) || defined(__i386__)
  ASSERT_EQ(processor.values.front().size(), 16u);
  for (wchar_t c : processor.values.front()) EXPECT_TRUE((c >= L'0' && c <= L'9') || (c >= L'A' && c <= L'F'));
#endif
  const WmiQueryResult adapters = wmi->Select(L"Win32_NetworkAdapter", L"MACAddress", L"NetConnectionID IS NOT NULL");
  ASSERT_TRUE(adapters.ok);
  for (const auto& address : adapters.values) {
    EXPECT_EQ(address.size(), 17u);
    EXPECT_EQ(address.find_first_of(L"abcdef"), std::wstring::npos);
  }
  EXPECT_TRUE(wmi->Select(L"Win32_DiskDrive", L"SerialNumber", L"").ok);
  EXPECT_TRUE(wmi->Select(L"Win32_BaseBoard", L"SerialNumber", L"").ok);
}

TEST(WmiNativeTest, OtherQuestionsFailLikeWmi) {
  const auto wmi = OpenSystemWmi();
  const WmiQueryResult cls = wmi->Select(L"Win32_Printer", L"Name", L"");
  EXPECT_FALSE(cls.ok);
  EXPECT_EQ(static_cast<unsigned long>(cls.status), 0x80041010ul);
  const WmiQueryResult property = wmi->Select(L"Win32_Processor", L"Name", L"");
  EXPECT_FALSE(property.ok);
  EXPECT_EQ(static_cast<unsigned long>(property.status), 0x80041002ul);
}

}  // namespace
}  // namespace nimbrook::os
