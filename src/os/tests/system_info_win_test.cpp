#include "os/system_info.h"

#include <windows.h>

#include <gtest/gtest.h>

namespace nimbrook::os {
namespace {

TEST(SystemInfoWinTest, VersionRecordIsTheTrueOne) {
  const VersionFacts facts = ReadVersionFacts();
  ASSERT_TRUE(facts.valid);
  EXPECT_EQ(facts.platformId, kPlatformNt);
  EXPECT_GE(facts.major, 5u);
  EXPECT_NE(facts.productType, 0u);
  // This test program has no manifest, so GetVersionExW would stop at 6.2; the record must not.
  const ULONGLONG mask = VerSetConditionMask(VerSetConditionMask(0, VER_MAJORVERSION, VER_EQUAL), VER_MINORVERSION,
                                             VER_EQUAL);
  OSVERSIONINFOEXW probe{};
  probe.dwOSVersionInfoSize = sizeof probe;
  probe.dwMajorVersion = facts.major;
  probe.dwMinorVersion = facts.minor;
  EXPECT_TRUE(VerifyVersionInfoW(&probe, VER_MAJORVERSION | VER_MINORVERSION, mask));
#if defined(_WIN64)
  EXPECT_TRUE(facts.nativeArchitecture == kArchitectureAmd64 || facts.nativeArchitecture == kArchitectureArm64);
#endif
}

TEST(SystemInfoWinTest, Wow64ExactlyForA32BitBuildOn64BitWindows) {
  const VersionFacts facts = ReadVersionFacts();
  const bool native64 = facts.nativeArchitecture == kArchitectureAmd64 || facts.nativeArchitecture == kArchitectureArm64;
  EXPECT_EQ(IsWow64(), sizeof(void*) == 4 && native64);
}

}  // namespace
}  // namespace nimbrook::os
