// The shipped data directory is complete and consistent: the catalogue covers every area group,
// flag, protocol and port form the client handles; accounts load; every release has a descriptor;
// and the data helpers (entries, expiry, accounts) behave on bad input.
#include <gtest/gtest.h>

#include <set>

#include "account_store.h"
#include "descriptor.h"
#include "ini_file.h"
#include "release_files.h"
#include "server_catalogue.h"
#include "service_test_support.h"

namespace nimbrook::service {
namespace {

using testing::RepositoryData;

std::vector<std::string> Catalogue() {
  std::vector<std::string> entries;
  std::string error;
  EXPECT_TRUE(LoadCatalogue(RepositoryData() / "catalogue" / "servers.txt", entries, error)) << error;
  return entries;
}

TEST(DataDirectory, CatalogueCoversEveryAreaFlagAndProtocol) {
  const auto entries = Catalogue();
  EXPECT_GE(entries.size(), 36u);
  std::set<std::string> areas, protocols, names;
  bool range = false, forbidden = false, overloaded = false, zeroCapacity = false, hostName = false;
  const char* keys[] = {"area", "nasname", "IP", "info", "allow", "onlineusers", "maxusers", "connecttype"};
  for (const auto& entry : entries) {
    // All eight keys, area first.
    EXPECT_EQ(entry.compare(0, 5, "area,"), 0) << entry;
    for (size_t k = 1; k < std::size(keys); ++k) {
      EXPECT_NE(entry.find(std::string("|") + keys[k] + ","), std::string::npos) << keys[k] << " in " << entry;
    }
    areas.insert(EntryField(entry, "area"));
    EXPECT_TRUE(names.insert(EntryField(entry, "nasname")).second) << "duplicate name " << entry;
    const std::string ip = EntryField(entry, "IP");
    EXPECT_TRUE(ip.compare(0, 4, "127.") == 0 || ip == "localhost") << "not a loopback address: " << ip;
    hostName = hostName || ip == "localhost";
    forbidden = forbidden || EntryField(entry, "allow") == "-1";
    const long online = std::stol(EntryField(entry, "onlineusers"));
    const long capacity = std::stol(EntryField(entry, "maxusers"));
    overloaded = overloaded || online > capacity;
    zeroCapacity = zeroCapacity || capacity == 0;
    const std::string types = EntryField(entry, "connecttype");
    size_t start = 0;
    while (start < types.size()) {
      size_t end = types.find('#', start);
      if (end == std::string::npos) end = types.size();
      const std::string item = types.substr(start, end - start);
      const size_t eq = item.find('=');
      ASSERT_NE(eq, std::string::npos) << item;
      protocols.insert(item.substr(0, eq));
      const std::string portSpec = item.substr(eq + 1);
      if (portSpec.find('-') != std::string::npos) {
        range = true;
        EXPECT_LT(std::stol(portSpec), std::stol(portSpec.substr(portSpec.find('-') + 1))) << "range must rise: " << item;
      }
      start = end + 1;
    }
  }
  EXPECT_EQ(protocols, (std::set<std::string>{"PPTP", "L2TP", "OVPN-UDP", "OVPN-TCP", "OVPN-UDP+", "OVPN-TCP+", "IPSEC",
                                              "SSTP"}));
  for (const char* keyword : {"免费", "美国", "日本", "香港", "台湾", "韩国", "中国", "欧洲", "英国", "电信", "联通",
                              "澳大利亚", "德国", "俄罗斯", "法国", "菲律宾", "荷兰", "马来西亚", "泰国", "新加坡"}) {
    bool found = false;
    for (const auto& area : areas) found = found || area.find(keyword) != std::string::npos;
    EXPECT_TRUE(found) << "no area with " << keyword;
  }
  bool unknownFlag = false;
  for (const auto& area : areas) unknownFlag = unknownFlag || area == "加拿大";
  EXPECT_TRUE(unknownFlag);
  EXPECT_TRUE(range);
  EXPECT_TRUE(forbidden);
  EXPECT_TRUE(overloaded);
  EXPECT_TRUE(zeroCapacity);
  EXPECT_TRUE(hostName);
}

TEST(DataDirectory, AccountsLoadAndEveryShapeIsPresent) {
  std::vector<Account> accounts;
  std::string error;
  ASSERT_TRUE(LoadAccounts(RepositoryData() / "accounts.ini", accounts, error)) << error;
  std::set<AnswerShape> shapes;
  for (const auto& a : accounts) {
    shapes.insert(a.answer);
    EXPECT_FALSE(a.password.empty()) << a.name;
    std::vector<std::string> entries;
    const std::string file = a.naslistFile.empty() ? a.catalogue : a.naslistFile;
    EXPECT_TRUE(std::filesystem::exists(RepositoryData() / "catalogue" / file)) << a.name;
  }
  EXPECT_EQ(shapes.size(), 6u);
  ASSERT_NE(FindAccount(accounts, "ALICE01"), nullptr);
  EXPECT_EQ(FindAccount(accounts, "alice01")->password, "secret123");
  EXPECT_NE(FindAccount(accounts, "王小明"), nullptr);
  EXPECT_EQ(FindAccount(accounts, "nobody"), nullptr);
}

TEST(DataDirectory, EveryReleaseHasADescriptor) {
  ServiceConfig config;
  config.dataDir = RepositoryData();
  EXPECT_EQ(CurrentRelease(config), "1.5.1");
  for (const char* release : {"1.5.0", "1.5.1", "1.5.2"}) {
    DescriptorContent content;
    std::string error;
    ASSERT_TRUE(LoadDescriptor(config, "http://127.0.0.1:1", release, content, error)) << error;
    EXPECT_GE(content.files.size(), 4u);
    EXPECT_EQ(content.urls.size(), 14u) << release;
    for (const auto& [key, value] : content.urls) {
      EXPECT_EQ(value.find('{'), std::string::npos) << key;
      EXPECT_EQ(value.find_first_of("\x80\xff"), std::string::npos) << key << " must stay ASCII";
    }
  }
}

TEST(CatalogueData, FieldsAreReplacedWhole) {
  const std::string entry = "area,美国|nasname,VIP美国|IP,127.0.0.1|info,allow,x|allow,1|connecttype,PPTP=1723";
  EXPECT_EQ(EntryField(entry, "allow"), "1");
  EXPECT_EQ(EntryField(entry, "IP"), "127.0.0.1");
  EXPECT_EQ(EntryField(entry, "missing"), "");
  EXPECT_EQ(SetEntryField(entry, "allow", "-1"),
            "area,美国|nasname,VIP美国|IP,127.0.0.1|info,allow,x|allow,-1|connecttype,PPTP=1723");
  EXPECT_EQ(SetEntryField("area,x|nasname,y", "allow", "-1"), "area,x|nasname,y|allow,-1");
  EXPECT_EQ(BuildNaslist({"area,免费|allow,1", "area,美国|allow,1"}, false), "area,免费|allow,1;area,美国|allow,-1");
  EXPECT_EQ(BuildNaslist({"area,免费|allow,1", "area,美国|allow,1"}, true), "area,免费|allow,1;area,美国|allow,1");
  EXPECT_EQ(BuildNaslist({}, true), "");
}

TEST(CatalogueData, EntriesWithSemicolonsAreRejected) {
  testing::DataCopy data;
  testing::WriteFile(data.Dir() / "catalogue/bad.txt", "# comment\n\narea,a|nasname,b;c\n");
  std::vector<std::string> entries;
  std::string error;
  EXPECT_FALSE(LoadCatalogue(data.Dir() / "catalogue/bad.txt", entries, error));
  EXPECT_NE(error.find(":3:"), std::string::npos) << error;
  EXPECT_FALSE(LoadCatalogue(data.Dir() / "catalogue/none.txt", entries, error));
}

TEST(AccountData, RelativeExpiryAndExpiredTest) {
  std::tm base{};
  base.tm_year = 2025 - 1900;
  base.tm_mon = 5;
  base.tm_mday = 1;
  base.tm_hour = 12;
  base.tm_isdst = -1;
  const std::time_t now = std::mktime(&base);
  EXPECT_EQ(ResolveExpiration("+48h", now), "2025-06-03 12:00:00");
  EXPECT_EQ(ResolveExpiration("-2d", now), "2025-05-30 12:00:00");
  EXPECT_EQ(ResolveExpiration("+30m", now), "2025-06-01 12:30:00");
  EXPECT_EQ(ResolveExpiration("2031-12-31 23:59:59", now), "2031-12-31 23:59:59");
  EXPECT_EQ(ResolveExpiration("+x", now), "+x");
  EXPECT_EQ(ResolveExpiration("+5y", now), "+5y");
  EXPECT_TRUE(IsExpired("2025-06-01 11:59:59", now));
  EXPECT_FALSE(IsExpired("2025-06-01 12:00:01", now));
  EXPECT_TRUE(IsExpired("2025-06-01", now));   // a date alone means its midnight
  EXPECT_FALSE(IsExpired("2025-06-02", now));
  EXPECT_FALSE(IsExpired("", now));
  EXPECT_FALSE(IsExpired("never", now));
}

TEST(AccountData, BadValuesAreReportedWithTheAccount) {
  testing::DataCopy data;
  const auto file = data.Dir() / "accounts.ini";
  std::vector<Account> accounts;
  std::string error;
  for (const char* text : {"[a]\nanswer=maybe\n", "[a]\nhttp_status=99\n", "[a]\nhttp_status=abc\n",
                           "[a]\ndelay_ms=999999\n", "[a]\ncatalogue=../accounts.ini\n", "[a]\nnaslist_file=a/b\n"}) {
    testing::WriteFile(file, text);
    EXPECT_FALSE(LoadAccounts(file, accounts, error)) << text;
    EXPECT_NE(error.find("account a"), std::string::npos) << error;
  }
  EXPECT_FALSE(LoadAccounts(data.Dir() / "none.ini", accounts, error));
}

TEST(IniData, ParsesSectionsCommentsAndOddLines) {
  const IniFile ini = ParseIni("\xEF\xBB\xBF" "orphan=1\r\n[A]\r\n; c\r\n# c\r\nk = v \r\nnoequals\r\n=novalue\r\n[b]\nx=1\n[a]\nk=second\nz=2");
  ASSERT_EQ(ini.sections.size(), 2u);
  EXPECT_EQ(ini.Value("a", "K"), "v");
  EXPECT_EQ(ini.Value("A", "z"), "2");
  EXPECT_EQ(ini.Value("B", "x"), "1");
  EXPECT_EQ(ini.Value("c", "x", "fallback"), "fallback");
  EXPECT_EQ(ini.Find("a")->entries.size(), 3u);
}

}  // namespace
}  // namespace nimbrook::service
