// The system preparation routines against Wine's registry, service manager, certificate stores and
// access token. Registry work happens under a scratch key that is removed afterwards; the real RasMan
// value is restored to what it was.
#include <windows.h>
#include <wincrypt.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/file_io.h"
#include "os/certificate_import.h"
#include "os/registry.h"
#include "os/service_control.h"
#include "os/token_privilege.h"
#include "sysprep/ipsec_setting.h"
#include "sysprep/ndiswan_binding.h"
#include "sysprep/service_start.h"
#include "testing/temp_dir.h"

namespace nimbrook {
namespace {

class ScratchKey : public ::testing::Test {
 protected:
  void SetUp() override {
    at_.root = os::RegistryRoot::CurrentUser;
    at_.key = L"Software\\NimbrookTest\\sysprep-" + std::to_wstring(GetCurrentProcessId());
    ASSERT_EQ(os::SystemRegistry().CreateKey(at_), os::RegistryStatus::Ok);
  }
  void TearDown() override {
    EXPECT_EQ(os::SystemRegistry().DeleteKey(at_), os::RegistryStatus::Ok);
    HKEY probe = nullptr;
    EXPECT_NE(RegOpenKeyExW(HKEY_CURRENT_USER, at_.key.c_str(), 0, KEY_READ, &probe), ERROR_SUCCESS);
  }

  // The value as Windows itself reads it.
  std::string Raw(const std::wstring& name, DWORD& type) const {
    BYTE buffer[2048] = {};
    DWORD size = sizeof buffer;
    type = 0;
    if (RegGetValueW(HKEY_CURRENT_USER, at_.key.c_str(), name.c_str(), RRF_RT_ANY | RRF_NOEXPAND, &type, buffer,
                     &size) != ERROR_SUCCESS) {
      return "<missing>";
    }
    return std::string(reinterpret_cast<const char*>(buffer), size);
  }

  os::RegistryLocation at_;
};

TEST_F(ScratchKey, IpSecSwitchIsReadAndRewrittenAsADword) {
  os::Registry& registry = os::SystemRegistry();
  EXPECT_TRUE(IsIpSecAllowed(registry, at_));  // value absent
  DWORD forbidden = 1;
  ASSERT_EQ(RegSetKeyValueW(HKEY_CURRENT_USER, at_.key.c_str(), L"ProhibitIpSec", REG_DWORD, &forbidden,
                            sizeof forbidden),
            ERROR_SUCCESS);
  EXPECT_FALSE(IsIpSecAllowed(registry, at_));

  SetL2tpIpsecEnabled(false);
  ReconcileIpSecSetting(registry, at_);
  EXPECT_TRUE(L2tpIpsecEnabled());
  DWORD type = 0;
  EXPECT_EQ(Raw(L"ProhibitIpSec", type), os::DwordBytes(0));
  EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));
  EXPECT_TRUE(IsIpSecAllowed(registry, at_));

  SetL2tpIpsecEnabled(false);
  WriteProhibitIpSec(registry, at_);
  EXPECT_EQ(Raw(L"ProhibitIpSec", type), os::DwordBytes(1));
  SetL2tpIpsecEnabled(true);

  // A key that does not exist is neither read as allowed nor created.
  os::RegistryLocation missing = at_;
  missing.key += L"\\Missing";
  EXPECT_FALSE(IsIpSecAllowed(registry, missing));
  WriteProhibitIpSec(registry, missing);
  HKEY probe = nullptr;
  EXPECT_NE(RegOpenKeyExW(HKEY_CURRENT_USER, missing.key.c_str(), 0, KEY_READ, &probe), ERROR_SUCCESS);
}

TEST_F(ScratchKey, BindOrderPutsTheDialUpAdapterFirst) {
  const std::wstring bind = std::wstring(L"\\Device\\{11}") + L'\0' + L"\\Device\\{22}" + L'\0' +
                            L"\\Device\\NdisWanIp" + L'\0' + L"\\Device\\{33}" + L'\0' + L'\0';
  ASSERT_EQ(RegSetKeyValueW(HKEY_CURRENT_USER, at_.key.c_str(), L"Bind", REG_MULTI_SZ, bind.data(),
                            static_cast<DWORD>(bind.size() * sizeof(wchar_t))),
            ERROR_SUCCESS);
  std::vector<std::wstring> debug;
  EXPECT_TRUE(FixNdisWanBinding(os::SystemRegistry(), [&](const std::wstring& t) { debug.push_back(t); }, at_));
  DWORD type = 0;
  const std::string stored = Raw(L"Bind", type);
  EXPECT_EQ(type, static_cast<DWORD>(REG_MULTI_SZ));
  EXPECT_EQ(stored.size(), bind.size() * sizeof(wchar_t));
  EXPECT_EQ(os::ParseMultiString(stored), (std::vector<std::wstring>{L"\\Device\\NdisWanIp", L"\\Device\\{11}",
                                                                      L"\\Device\\{22}", L"\\Device\\{33}"}));
  EXPECT_FALSE(FixNdisWanBinding(os::SystemRegistry(), nullptr, at_));  // now already first
  EXPECT_TRUE(debug.empty());
}

TEST(SystemPreparationWin, RealRasManSwitchIsRestored) {
  os::Registry& registry = os::SystemRegistry();
  const os::RegistryValue before = registry.Read(kRasManParameters, kProhibitIpSecValue, 1024);
  const bool wasEnabled = L2tpIpsecEnabled();
  ReconcileIpSecSetting(registry);
  EXPECT_TRUE(L2tpIpsecEnabled());
  if (before.status == os::RegistryStatus::NoKey) {
    // Wine has no RasMan service: the key must not have been created by the write.
    HKEY probe = nullptr;
    EXPECT_NE(RegOpenKeyExW(HKEY_LOCAL_MACHINE, kRasManParameters.key.c_str(), 0, KEY_READ, &probe), ERROR_SUCCESS);
  } else {
    EXPECT_TRUE(IsIpSecAllowed(registry));
    if (before.status == os::RegistryStatus::Ok) {
      (void)registry.Write(kRasManParameters, kProhibitIpSecValue, before.type, before.data);
    } else {
      (void)registry.DeleteValue(kRasManParameters, kProhibitIpSecValue);
    }
  }
  SetL2tpIpsecEnabled(wasEnabled);
}

TEST(SystemPreparationWin, ServicesThatDoNotExistFailWithoutAMessage) {
  std::vector<std::wstring> shown;
  const ServiceMessageBox box = [&](const std::wstring& text) { shown.push_back(text); };
  for (const wchar_t* name : {L"RasAuto", L"Netman", L"TapiSrv", L"PolicyAgent", L"IKEEXT", L"NimbrookNoSuchService"}) {
    bool present = static_cast<bool>(os::SystemServiceControl().Open(name));
    if (present) continue;  // a newer Wine may have it: nothing to say about it here
    EXPECT_FALSE(EnsureServiceRunning(os::SystemServiceControl(), name, box)) << name;
  }
  EXPECT_TRUE(shown.empty());
}

TEST(SystemPreparationWin, RunningServiceIsAcceptedAsItIs) {
  // RpcSs runs in every Wine prefix; its start type must stay what it was.
  std::unique_ptr<os::ServiceSession> rpc = os::SystemServiceControl().Open(L"RpcSs");
  ASSERT_TRUE(rpc);
  uint32_t state = 0;
  ASSERT_TRUE(rpc->QueryState(state));
  if (state != os::kServiceRunning) GTEST_SKIP() << "RpcSs is not running in this prefix";
  std::vector<std::wstring> shown;
  EXPECT_TRUE(EnsureServiceRunning(os::SystemServiceControl(), L"RpcSs",
                                   [&](const std::wstring& text) { shown.push_back(text); }));
  EXPECT_TRUE(shown.empty());
}

// The start type of a service (SERVICE_AUTO_START, SERVICE_DEMAND_START, ...); 0 when unknown.
DWORD StartType(SC_HANDLE service) {
  DWORD needed = 0;
  QueryServiceConfigW(service, nullptr, 0, &needed);
  std::vector<BYTE> buffer(needed ? needed : 1);
  auto* config = reinterpret_cast<QUERY_SERVICE_CONFIGW*>(buffer.data());
  if (!QueryServiceConfigW(service, config, static_cast<DWORD>(buffer.size()), &needed)) return 0;
  return config->dwStartType;
}

TEST(SystemPreparationWin, StoppedServiceIsMadeAutomaticAndStartedThenRestored) {
  // Wine's print spooler is stopped and started on demand in a fresh prefix.
  SC_HANDLE manager = OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
  ASSERT_TRUE(manager);
  SC_HANDLE spooler = OpenServiceW(manager, L"Spooler", SERVICE_ALL_ACCESS);
  if (!spooler) {
    CloseServiceHandle(manager);
    GTEST_SKIP() << "no spooler service in this prefix";
  }
  SERVICE_STATUS status{};
  ASSERT_TRUE(QueryServiceStatus(spooler, &status));
  const DWORD startType = StartType(spooler);
  if (status.dwCurrentState == SERVICE_STOPPED) {
    std::vector<std::wstring> shown;
    EXPECT_TRUE(EnsureServiceRunning(os::SystemServiceControl(), L"Spooler",
                                     [&](const std::wstring& text) { shown.push_back(text); }));
    EXPECT_TRUE(shown.empty());
    EXPECT_EQ(StartType(spooler), static_cast<DWORD>(SERVICE_AUTO_START));
    ASSERT_TRUE(QueryServiceStatus(spooler, &status));
    EXPECT_EQ(status.dwCurrentState, static_cast<DWORD>(SERVICE_RUNNING));
    // Put the prefix back as it was.
    ControlService(spooler, SERVICE_CONTROL_STOP, &status);
    for (int i = 0; i < 200 && QueryServiceStatus(spooler, &status) && status.dwCurrentState != SERVICE_STOPPED; ++i) {
      Sleep(25);
    }
    EXPECT_TRUE(ChangeServiceConfigW(spooler, SERVICE_NO_CHANGE, startType, SERVICE_NO_CHANGE, nullptr, nullptr,
                                     nullptr, nullptr, nullptr, nullptr, nullptr));
  }
  CloseServiceHandle(spooler);
  CloseServiceHandle(manager);
}

constexpr char kTestRootPem[] =
    "-----BEGIN CERTIFICATE-----\n"
    "MIICGDCCAYGgAwIBAgIUFNruzDFVzLuo0lvamDaKzV6su6IwDQYJKoZIhvcNAQEL\n"
    "BQAwHTEbMBkGA1UEAwwSTmltYnJvb2sgVGVzdCBSb290MCAXDTI2MTIwNzEzNDIy\n"
    "MVoYDzIxMjYxMTEzMTM0MjIxWjAdMRswGQYDVQQDDBJOaW1icm9vayBUZXN0IFJv\n"
    "b3QwgZ8wDQYJKoZIhvcNAQEBBQADgY0AMIGJAoGBAM58OlBLgy4yQoxMrUoxVaIt\n"
    "eKxJZzjQiif+oEKYNNm1VdHDeOLrhnwEubKY9k/+Lz12SX2ot8VP73JflAI7neGV\n"
    "DPoq75amT8TW6qxKNsd5gqGPGwrxan6anSrnDRb8GTp2PX9cYcqyICeflgxHgTtZ\n"
    "gDxfFEn4rqwllSH5R5pfAgMBAAGjUzBRMB0GA1UdDgQWBBTUG/IC4SlgZNRlnkgs\n"
    "yKWx2LaP9jAfBgNVHSMEGDAWgBTUG/IC4SlgZNRlnkgsyKWx2LaP9jAPBgNVHRMB\n"
    "Af8EBTADAQH/MA0GCSqGSIb3DQEBCwUAA4GBAC0dulNjycffVrACply6FGUypGpT\n"
    "trIctsx4WWuMcAzaM1aQl75LDxMlxuc3ghezHHrMjXrgbAiVZNaDBcS1pI3hSntt\n"
    "tt3bGho+/z4ddG7BLBj/srkUMMx+jdB89/O+87kXtsDzVnkr6n2OO/Zug+4bcpcz\n"
    "j01lsusBd75pTREe\n"
    "-----END CERTIFICATE-----\n";

// Removes every copy of the test root from the machine's root store; the number removed. The store's
// registry entry is removed by hand as well: Wine's store forgets a deleted certificate only in memory.
int RemoveTestRoot() {
  HCERTSTORE store = CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0, CERT_SYSTEM_STORE_LOCAL_MACHINE, L"ROOT");
  if (!store) return -1;
  int removed = 0;
  for (int round = 0; round < 8; ++round) {
    PCCERT_CONTEXT found = CertFindCertificateInStore(store, X509_ASN_ENCODING, 0, CERT_FIND_SUBJECT_STR_W,
                                                      L"Nimbrook Test Root", nullptr);
    if (!found) break;
    BYTE hash[20] = {};
    DWORD size = sizeof hash;
    if (CertGetCertificateContextProperty(found, CERT_SHA1_HASH_PROP_ID, hash, &size)) {
      std::wstring key = L"Software\\Microsoft\\SystemCertificates\\Root\\Certificates\\";
      static const wchar_t kHex[] = L"0123456789ABCDEF";
      for (DWORD i = 0; i < size; ++i) {
        key.push_back(kHex[hash[i] >> 4]);
        key.push_back(kHex[hash[i] & 15]);
      }
      RegDeleteTreeW(HKEY_LOCAL_MACHINE, key.c_str());
      RegDeleteKeyW(HKEY_LOCAL_MACHINE, key.c_str());
    }
    if (!CertDeleteCertificateFromStore(found)) break;  // frees the context
    ++removed;
  }
  CertCloseStore(store, 0);
  return removed;
}

TEST(SystemPreparationWin, RootCertificateLandsInTheMachineRootStore) {
  ASSERT_GE(RemoveTestRoot(), 0);
  testing::TempDir dir;
  const std::wstring file = dir.File(L"ca.crt");
  ASSERT_TRUE(WriteFileBytes(file, kTestRootPem));
  EXPECT_TRUE(os::ImportIntoRootStore(file));
  EXPECT_EQ(RemoveTestRoot(), 1);  // and the store is as it was

  EXPECT_FALSE(os::ImportIntoRootStore(dir.File(L"missing.crt")));
  EXPECT_EQ(RemoveTestRoot(), 0);
}

TEST(SystemPreparationWin, ShutdownPrivilegeCanBeEnabled) {
  EXPECT_TRUE(os::EnableProcessPrivilege(L"SeShutdownPrivilege"));
  EXPECT_FALSE(os::EnableProcessPrivilege(L"SeNoSuchPrivilegeNimbrook"));
}

}  // namespace
}  // namespace nimbrook
