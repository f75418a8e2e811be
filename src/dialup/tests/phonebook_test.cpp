// The shipped phonebook template and the working copy the engines dial from. Runs natively against
// the portable profile implementation and under Wine against the real profile API.
#include "dialup/phonebook.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "core/file_io.h"
#include "core/text.h"
#include "dialup/tests/dial_up_harness.h"
#include "os/profile_file.h"
#include "testing/temp_dir.h"
#include "tunnel/protocol.h"

namespace nimbrook {
namespace {

using testing::ShippedTemplatePath;

std::wstring Read(const std::wstring& file, const std::wstring& entry, const std::wstring& key) {
  return os::SystemProfile().ReadString(file, entry, key, L"<missing>", 2048);
}

TEST(PhonebookTemplate, HoldsFourCompleteEntriesOfTheRightVpnTypes) {
  const std::wstring file = ShippedTemplatePath();
  ASSERT_TRUE(FileExists(file));
  struct Entry {
    std::wstring name;
    std::wstring strategy;  // VpnStrategy: 1 PPTP only, 3 L2TP only, 5 SSTP only, 7 IKEv2 only
    std::wstring device;
  };
  for (const Entry& e : {Entry{L"nimbrookjsq-pptp", L"1", L"WAN Miniport (PPTP)"},
                         Entry{L"nimbrookjsq-l2tp", L"3", L"WAN Miniport (L2TP)"},
                         Entry{L"nimbrookjsq-ikev2", L"7", L"WAN Miniport (IKEv2)"},
                         Entry{L"nimbrookjsq-sstp", L"5", L"WAN Miniport (SSTP)"}}) {
    SCOPED_TRACE(text::ToUtf8(e.name));
    EXPECT_EQ(Read(file, e.name, L"Type"), L"2");  // a VPN entry
    EXPECT_EQ(Read(file, e.name, L"VpnStrategy"), e.strategy);
    EXPECT_EQ(Read(file, e.name, L"MEDIA"), L"rastapi");
    EXPECT_EQ(Read(file, e.name, L"Device"), e.device);
    EXPECT_EQ(Read(file, e.name, L"DEVICE"), e.device);  // the profile API does not tell case apart
    EXPECT_NE(Read(file, e.name, L"PhoneNumber"), L"<missing>");
    EXPECT_EQ(Read(file, e.name, L"IpDnsAddress"), L"0.0.0.0");
    EXPECT_EQ(Read(file, e.name, L"DataEncryption"), L"256");  // encryption required
    EXPECT_EQ(Read(file, e.name, L"CustomDialDll"), L"");
  }
  // L2TP authenticates the machine with the pre-shared key; IKEv2 the user with EAP-MSCHAPv2.
  EXPECT_EQ(Read(file, L"nimbrookjsq-l2tp", L"IpSecFlags"), L"1");
  EXPECT_EQ(Read(file, L"nimbrookjsq-pptp", L"IpSecFlags"), L"0");
  EXPECT_EQ(Read(file, L"nimbrookjsq-ikev2", L"CustomAuthKey"), L"26");
  const std::vector<std::wstring> sections = {L"nimbrookjsq-pptp", L"nimbrookjsq-l2tp", L"nimbrookjsq-ikev2",
                                              L"nimbrookjsq-sstp"};
  for (int32_t protocol : {kProtocolPptp, kProtocolL2tp, kProtocolIpsec, kProtocolSstp}) {
    EXPECT_NE(std::find(sections.begin(), sections.end(), DialUpEntryName(protocol)), sections.end());
  }
}

TEST(PhoneNumber, CarriesThePortForSstpOnlyAndNotTheDefaultOne) {
  EXPECT_EQ(PhoneNumberFor(kProtocolSstp, L"sstp.example.net", L"8443"), L"sstp.example.net:8443");
  EXPECT_EQ(PhoneNumberFor(kProtocolSstp, L"sstp.example.net", L"443"), L"sstp.example.net");
  EXPECT_EQ(PhoneNumberFor(kProtocolSstp, L"sstp.example.net", L"1"), L"sstp.example.net");
  EXPECT_EQ(PhoneNumberFor(kProtocolSstp, L"sstp.example.net", L""), L"sstp.example.net");
  EXPECT_EQ(PhoneNumberFor(kProtocolPptp, L"203.0.113.5", L"8443"), L"203.0.113.5");
  EXPECT_EQ(PhoneNumberFor(kProtocolIpsec, L"203.0.113.5", L"500"), L"203.0.113.5");
  EXPECT_TRUE(IsSafePhonebookValue(L"vpn-1.example.net"));
  EXPECT_FALSE(IsSafePhonebookValue(L"1.2.3.4\r\nCustomDialDll=evil.dll"));
  EXPECT_FALSE(IsSafePhonebookValue(L"1.2.3.4\n[other]"));
  EXPECT_FALSE(IsSafePhonebookValue(L"[nimbrookjsq-pptp]"));
  EXPECT_FALSE(IsSafePhonebookValue(std::wstring(L"a\0b", 3)));
}

class WorkingPhonebook : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string bytes;
    ASSERT_TRUE(ReadFileBytes(ShippedTemplatePath(), bytes));
    ASSERT_TRUE(WriteFileBytes(dir.File(L"template.dll"), bytes));
  }
  bool Configure(const PhonebookTarget& target, std::wstring& entry) {
    return ConfigPhonebook(os::SystemProfile(), dir.Dir(), target, [this](const std::wstring& l) { logs.push_back(l); },
                           entry);
  }
  std::wstring Phonebook() const { return WorkingPhonebookPath(dir.Dir()); }

  testing::TempDir dir;
  std::vector<std::wstring> logs;
};

TEST_F(WorkingPhonebook, CopiesTheTemplateAndWritesOnlyTheNumberAndTheDns) {
  struct Case {
    int32_t protocol;
    std::wstring port;
    bool dns;
    std::wstring entry;
    std::wstring number;
  };
  for (const Case& c : {Case{kProtocolPptp, L"1723", false, L"nimbrookjsq-pptp", L"vpn.example.net"},
                        Case{kProtocolL2tp, L"1701", true, L"nimbrookjsq-l2tp", L"vpn.example.net"},
                        Case{kProtocolIpsec, L"500", false, L"nimbrookjsq-ikev2", L"vpn.example.net"},
                        Case{kProtocolSstp, L"8443", true, L"nimbrookjsq-sstp", L"vpn.example.net:8443"},
                        Case{kProtocolSstp, L"443", false, L"nimbrookjsq-sstp", L"vpn.example.net"}}) {
    SCOPED_TRACE(c.protocol);
    logs.clear();
    std::wstring entry;
    ASSERT_TRUE(Configure({c.protocol, L"vpn.example.net", c.port, c.dns}, entry));
    EXPECT_EQ(entry, c.entry);
    EXPECT_EQ(Read(Phonebook(), entry, L"PhoneNumber"), c.number);
    EXPECT_EQ(Read(Phonebook(), entry, L"IpDnsAddress"), c.dns ? L"127.0.0.1" : L"0.0.0.0");
    // Everything else comes from the template, the other entries included.
    for (const wchar_t* key : {L"VpnStrategy", L"Device", L"AuthRestrictions", L"DataEncryption", L"IpSecFlags"}) {
      EXPECT_EQ(Read(Phonebook(), entry, key), Read(dir.File(L"template.dll"), entry, key)) << key;
    }
    for (const wchar_t* other : {L"nimbrookjsq-pptp", L"nimbrookjsq-l2tp", L"nimbrookjsq-ikev2", L"nimbrookjsq-sstp"}) {
      if (other == entry) continue;
      EXPECT_EQ(Read(Phonebook(), other, L"PhoneNumber"), L"0.0.0.0");
    }
    EXPECT_EQ(logs, (std::vector<std::wstring>{L"模板文件：" + dir.File(L"template.dll"), L"PBK文件：" + Phonebook()}));
  }
}

TEST_F(WorkingPhonebook, IsCopiedAfreshForEveryAttempt) {
  std::wstring entry;
  ASSERT_TRUE(Configure({kProtocolSstp, L"first.example.net", L"8443", true}, entry));
  ASSERT_TRUE(Configure({kProtocolPptp, L"second.example.net", L"", false}, entry));
  EXPECT_EQ(Read(Phonebook(), L"nimbrookjsq-sstp", L"PhoneNumber"), L"0.0.0.0");
  EXPECT_EQ(Read(Phonebook(), L"nimbrookjsq-sstp", L"IpDnsAddress"), L"0.0.0.0");
  EXPECT_EQ(Read(Phonebook(), L"nimbrookjsq-pptp", L"PhoneNumber"), L"second.example.net");
  // Every other line of every entry is the template's.
  for (const wchar_t* section : {L"nimbrookjsq-pptp", L"nimbrookjsq-l2tp", L"nimbrookjsq-ikev2", L"nimbrookjsq-sstp"}) {
    std::vector<std::wstring> copy = os::SystemProfile().ReadSection(Phonebook(), section, 32768);
    std::vector<std::wstring> shipped = os::SystemProfile().ReadSection(dir.File(L"template.dll"), section, 32768);
    ASSERT_EQ(copy.size(), shipped.size());
    size_t differing = 0;
    for (size_t i = 0; i < copy.size(); ++i) {
      if (copy[i] == shipped[i]) continue;
      ++differing;
      EXPECT_EQ(copy[i], L"PhoneNumber=second.example.net");
    }
    EXPECT_EQ(differing, std::wstring(section) == L"nimbrookjsq-pptp" ? 1u : 0u);
  }
}

TEST_F(WorkingPhonebook, RefusesWhatCannotBeDialled) {
  std::wstring entry;
  EXPECT_FALSE(Configure({kProtocolOvpnUdp, L"vpn.example.net", L"1194", false}, entry));
  EXPECT_EQ(entry, L"");
  EXPECT_FALSE(Configure({kProtocolAuto, L"vpn.example.net", L"", false}, entry));
  // A hostile server address must not add keys of its own to the entry.
  EXPECT_FALSE(Configure({kProtocolPptp, L"1.2.3.4\r\nCustomDialDll=evil.dll", L"", false}, entry));
  EXPECT_FALSE(Configure({kProtocolSstp, L"1.2.3.4", L"443\nIpDnsAddress=6.6.6.6", false}, entry));
  EXPECT_FALSE(Configure({kProtocolPptp, L"", L"", false}, entry));
  EXPECT_FALSE(FileExists(Phonebook()));

  ASSERT_TRUE(RemoveFile(dir.File(L"template.dll")));
  EXPECT_FALSE(Configure({kProtocolPptp, L"vpn.example.net", L"", false}, entry));
  EXPECT_FALSE(FileExists(Phonebook()));
}

TEST_F(WorkingPhonebook, ReportsACopyThatCannotBeWritten) {
  // A directory in the working phonebook's place cannot be overwritten.
  ASSERT_TRUE(CreateDirectoryIfMissing(Phonebook()));
  std::wstring entry;
  EXPECT_FALSE(Configure({kProtocolPptp, L"vpn.example.net", L"", false}, entry));
  ASSERT_FALSE(logs.empty());
  EXPECT_EQ(logs.back(), L"创建配置文件" + Phonebook() + L"失败");
}

}  // namespace
}  // namespace nimbrook
