// The IPsec switch, the start-up reconciliation and the dial-up binding order against the in-memory
// registry (the same routines run against Wine's registry in registry_settings_win_test.cpp).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "os/registry_fake.h"
#include "sysprep/ipsec_setting.h"
#include "sysprep/ndiswan_binding.h"

namespace nimbrook {
namespace {

using os::MemoryRegistry;

uint32_t StoredDword(MemoryRegistry& registry) {
  const os::RegistryValue value = registry.Read(kRasManParameters, kProhibitIpSecValue, 1024);
  EXPECT_EQ(value.status, os::RegistryStatus::Ok);
  EXPECT_EQ(value.type, os::kRegistryDword);
  EXPECT_EQ(value.data.size(), 4u);
  uint32_t result = 0;
  for (size_t i = 0; i < value.data.size() && i < 4; ++i) {
    result |= static_cast<uint32_t>(static_cast<unsigned char>(value.data[i])) << (8 * i);
  }
  return result;
}

TEST(IpSecSetting, AllowedByValue) {
  MemoryRegistry registry;
  EXPECT_FALSE(IsIpSecAllowed(registry));  // no RasMan key at all
  ASSERT_EQ(registry.CreateKey(kRasManParameters), os::RegistryStatus::Ok);
  EXPECT_TRUE(IsIpSecAllowed(registry));  // key without the value
  struct Case {
    uint32_t type;
    std::string data;
    bool allowed;
  };
  for (const Case& c : {Case{os::kRegistryDword, os::DwordBytes(0), true}, Case{os::kRegistryDword, os::DwordBytes(1), false},
                        Case{os::kRegistryDword, os::DwordBytes(2), false},
                        Case{os::kRegistryDword, os::DwordBytes(256), false},  // whole DWORD, not its first byte
                        Case{os::kRegistrySz, std::string("1\0", 2), false}, Case{os::kRegistrySz, std::string(2, '\0'), true},
                        Case{os::kRegistryDword, std::string(), true}}) {
    ASSERT_EQ(registry.Write(kRasManParameters, kProhibitIpSecValue, c.type, c.data), os::RegistryStatus::Ok);
    EXPECT_EQ(IsIpSecAllowed(registry), c.allowed) << c.type << " " << c.data.size();
  }
}

TEST(IpSecSetting, WriteFollowsTheFlagAndNeverCreatesTheKey) {
  MemoryRegistry registry;
  SetL2tpIpsecEnabled(true);
  WriteProhibitIpSec(registry);
  EXPECT_FALSE(registry.HasKey(kRasManParameters));

  ASSERT_EQ(registry.CreateKey(kRasManParameters), os::RegistryStatus::Ok);
  WriteProhibitIpSec(registry);
  EXPECT_EQ(StoredDword(registry), 0u);
  SetL2tpIpsecEnabled(false);
  WriteProhibitIpSec(registry);
  EXPECT_EQ(StoredDword(registry), 1u);
  registry.FailWrites(true);
  SetL2tpIpsecEnabled(true);
  WriteProhibitIpSec(registry);  // a failing write is ignored
  registry.FailWrites(false);
  EXPECT_EQ(StoredDword(registry), 1u);
}

TEST(IpSecSetting, StartUpLeavesIpSecAllowedAndTheFlagOn) {
  MemoryRegistry registry;
  ASSERT_EQ(registry.CreateKey(kRasManParameters), os::RegistryStatus::Ok);

  // Forbidden: rewritten to 0.
  ASSERT_EQ(registry.Write(kRasManParameters, kProhibitIpSecValue, os::kRegistryDword, os::DwordBytes(1)),
            os::RegistryStatus::Ok);
  SetL2tpIpsecEnabled(false);
  ReconcileIpSecSetting(registry);
  EXPECT_TRUE(L2tpIpsecEnabled());
  EXPECT_EQ(StoredDword(registry), 0u);

  // Already allowed: nothing written.
  const int writes = registry.Writes();
  SetL2tpIpsecEnabled(false);
  ReconcileIpSecSetting(registry);
  EXPECT_TRUE(L2tpIpsecEnabled());
  EXPECT_EQ(registry.Writes(), writes);

  // Absent value: allowed, nothing written.
  ASSERT_EQ(registry.DeleteValue(kRasManParameters, kProhibitIpSecValue), os::RegistryStatus::Ok);
  ReconcileIpSecSetting(registry);
  EXPECT_EQ(registry.Writes(), writes);

  // No key (a system without RasMan): the flag is on all the same and no key appears.
  MemoryRegistry empty;
  SetL2tpIpsecEnabled(false);
  ReconcileIpSecSetting(empty);
  EXPECT_TRUE(L2tpIpsecEnabled());
  EXPECT_FALSE(empty.HasKey(kRasManParameters));
}

TEST(NdisWanBinding, MovesTheDialUpAdapterToTheFrontKeepingTheOthersInOrder) {
  const std::vector<std::wstring> bind = {L"\\Device\\{A}", L"\\Device\\{B}", L"\\Device\\NdisWanIp", L"\\Device\\{C}"};
  const auto moved = MoveNdisWanFirst(bind);
  ASSERT_TRUE(moved);
  EXPECT_EQ(*moved, (std::vector<std::wstring>{L"\\Device\\NdisWanIp", L"\\Device\\{A}", L"\\Device\\{B}",
                                               L"\\Device\\{C}"}));
  EXPECT_FALSE(MoveNdisWanFirst({L"\\Device\\NdisWanIp", L"\\Device\\{A}"}));  // already first
  EXPECT_FALSE(MoveNdisWanFirst({L"\\Device\\{A}", L"\\Device\\{B}"}));        // absent
  EXPECT_FALSE(MoveNdisWanFirst({L"\\Device\\{A}", L"\\device\\ndiswanip"}));  // exact match only
  EXPECT_FALSE(MoveNdisWanFirst({L"\\Device\\{A}", L"\\Device\\NdisWanIpx"}));
  EXPECT_FALSE(MoveNdisWanFirst({}));
}

TEST(NdisWanBinding, RewritesTheValueWithTheSameLength) {
  MemoryRegistry registry;
  std::vector<std::wstring> debug;
  const auto out = [&debug](const std::wstring& text) { debug.push_back(text); };
  EXPECT_FALSE(FixNdisWanBinding(registry, out));  // no key

  ASSERT_EQ(registry.CreateKey(kTcpipLinkage), os::RegistryStatus::Ok);
  EXPECT_FALSE(FixNdisWanBinding(registry, out));  // no value

  const std::string original = os::MultiStringBytes({L"\\Device\\{X}", L"\\Device\\NdisWanIp", L"\\Device\\{Y}"});
  ASSERT_EQ(registry.Write(kTcpipLinkage, kBindValue, os::kRegistryMultiSz, original), os::RegistryStatus::Ok);
  EXPECT_TRUE(FixNdisWanBinding(registry, out));
  const os::RegistryValue after = registry.Read(kTcpipLinkage, kBindValue, 1024);
  EXPECT_EQ(after.type, os::kRegistryMultiSz);
  EXPECT_EQ(after.data.size(), original.size());
  EXPECT_EQ(os::ParseMultiString(after.data),
            (std::vector<std::wstring>{L"\\Device\\NdisWanIp", L"\\Device\\{X}", L"\\Device\\{Y}"}));

  // Second run: already first, left alone.
  const int writes = registry.Writes();
  EXPECT_FALSE(FixNdisWanBinding(registry, out));
  EXPECT_EQ(registry.Writes(), writes);
  EXPECT_TRUE(debug.empty());
}

TEST(NdisWanBinding, LeavesOddValuesAloneAndReportsAFailedWrite) {
  MemoryRegistry registry;
  ASSERT_EQ(registry.CreateKey(kTcpipLinkage), os::RegistryStatus::Ok);
  std::vector<std::wstring> debug;
  const auto out = [&debug](const std::wstring& text) { debug.push_back(text); };

  // Too large for the 1024-byte buffer.
  std::vector<std::wstring> many(60, L"\\Device\\{0123456789}");
  many.push_back(L"\\Device\\NdisWanIp");
  ASSERT_EQ(registry.Write(kTcpipLinkage, kBindValue, os::kRegistryMultiSz, os::MultiStringBytes(many)),
            os::RegistryStatus::Ok);
  EXPECT_FALSE(FixNdisWanBinding(registry, out));

  // Not a multi-string.
  ASSERT_EQ(registry.Write(kTcpipLinkage, kBindValue, os::kRegistrySz, os::MultiStringBytes({L"\\Device\\NdisWanIp"})),
            os::RegistryStatus::Ok);
  EXPECT_FALSE(FixNdisWanBinding(registry, out));

  // Entries hidden behind an empty one would be lost by a rewrite.
  std::string damaged = os::MultiStringBytes({L"\\Device\\{A}", L"\\Device\\NdisWanIp"});
  damaged += os::MultiStringBytes({L"\\Device\\{Hidden}"});
  ASSERT_EQ(registry.Write(kTcpipLinkage, kBindValue, os::kRegistryMultiSz, damaged), os::RegistryStatus::Ok);
  EXPECT_FALSE(FixNdisWanBinding(registry, out));
  EXPECT_EQ(registry.Read(kTcpipLinkage, kBindValue, 1024).data, damaged);

  ASSERT_EQ(registry.Write(kTcpipLinkage, kBindValue, os::kRegistryMultiSz,
                           os::MultiStringBytes({L"\\Device\\{A}", L"\\Device\\NdisWanIp"})),
            os::RegistryStatus::Ok);
  registry.FailWrites(true);
  EXPECT_FALSE(FixNdisWanBinding(registry, out));
  EXPECT_EQ(debug, std::vector<std::wstring>{L"修改错误"});
}

}  // namespace
}  // namespace nimbrook
