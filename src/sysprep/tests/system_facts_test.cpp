// The version decision, the certificate path and the start-up hooks.
#include <gtest/gtest.h>

#include <string>

#include "core/paths.h"
#include "sysprep/root_certificate.h"
#include "sysprep/startup_hooks.h"
#include "sysprep/windows_version.h"

namespace nimbrook {
namespace {

TEST(WindowsVersion, ModernMeansMajorAboveFive) {
  os::VersionFacts facts;
  facts.valid = true;
  facts.major = 5;
  facts.minor = 2;
  EXPECT_FALSE(IsModernWindows(facts));
  facts.major = 6;
  facts.minor = 0;
  EXPECT_TRUE(IsModernWindows(facts));
  facts.major = 10;
  EXPECT_TRUE(IsModernWindows(facts));
  facts.valid = false;  // unreadable: counts as old
  EXPECT_FALSE(IsModernWindows(facts));
  // The cached answer is the one for this system.
  EXPECT_EQ(IsModernWindows(), IsModernWindows(os::ReadVersionFacts()));
}

TEST(RootCertificate, ImportsCaCrtFromTheCertDirectory) {
  std::wstring imported;
  int calls = 0;
  const auto import = [&](const std::wstring& file) {
    imported = file;
    ++calls;
    return true;
  };
  const std::wstring programDir = AsDirectory(JoinPath(AsDirectory(L"install"), L"Nimbrook"));
  EXPECT_TRUE(ImportRootCertificate(import, programDir));
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(imported, JoinPath(AsDirectory(JoinPath(programDir, L"cert")), L"ca.crt"));
  EXPECT_FALSE(ImportRootCertificate([](const std::wstring&) { return false; }, programDir));
  EXPECT_FALSE(ImportRootCertificate(nullptr, programDir));
}

TEST(ShutdownPrivilege, AsksForTheShutdownPrivilegeByName) {
  std::wstring asked;
  EXPECT_TRUE(EnableShutdownPrivilege([&](const std::wstring& name) {
    asked = name;
    return true;
  }));
  EXPECT_EQ(asked, L"SeShutdownPrivilege");
  EXPECT_FALSE(EnableShutdownPrivilege([](const std::wstring&) { return false; }));
}

TEST(SystemPreparationHooks, FillsTheTwoTunnelHooksOnly) {
  StartupHooks hooks;
  bool proxyRead = false;
  hooks.readSystemProxy = [&] { proxyRead = true; };
  FillSystemPreparationHooks(hooks);
  EXPECT_TRUE(static_cast<bool>(hooks.adjustDialUpBinding));
  EXPECT_TRUE(static_cast<bool>(hooks.reconcileIpSecSetting));
  EXPECT_FALSE(static_cast<bool>(hooks.isWow64));
  hooks.readSystemProxy();
  EXPECT_TRUE(proxyRead);
}

}  // namespace
}  // namespace nimbrook
