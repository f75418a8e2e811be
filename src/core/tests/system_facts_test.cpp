#include "core/system_facts.h"

#include <gtest/gtest.h>

#include <tuple>
#include <vector>

#include "core/file_io.h"
#include "testing/temp_dir.h"

namespace nimbrook {
namespace {

os::VersionFacts Version(unsigned major, unsigned minor, unsigned productType = os::kWorkstation,
                         unsigned architecture = os::kArchitectureX86, unsigned platform = os::kPlatformNt,
                         bool serverR2 = false) {
  os::VersionFacts f;
  f.valid = true;
  f.major = major;
  f.minor = minor;
  f.productType = productType;
  f.nativeArchitecture = architecture;
  f.platformId = platform;
  f.serverR2 = serverR2;
  return f;
}

constexpr unsigned kServer = 3;
constexpr unsigned kDomainController = 2;

TEST(WindowsNameTest, EveryRowOfTheNameTable) {
  using os::kArchitectureAmd64;
  using os::kArchitectureX86;
  const std::vector<std::tuple<os::VersionFacts, const char*>> rows = {
      {Version(4, 0, 0, kArchitectureX86, os::kPlatformNt), "Microsoft Windows NT 4.0"},
      {Version(4, 0, 0, kArchitectureX86, os::kPlatformWin9x), "Microsoft Windows 95"},
      {Version(4, 10, 0, kArchitectureX86, os::kPlatformWin9x), "Microsoft Windows 98"},
      {Version(4, 90, 0, kArchitectureX86, os::kPlatformWin9x), "Microsoft Windows Me"},
      {Version(5, 0), "Microsoft Windows 2000"},
      {Version(5, 0, kServer), "Microsoft Windows 2000"},
      {Version(5, 1), "Microsoft Windows XP"},
      {Version(5, 2, os::kWorkstation, kArchitectureAmd64), "Microsoft Windows XP Professional x64 Edition"},
      {Version(5, 2, os::kWorkstation, kArchitectureAmd64, os::kPlatformNt, true),
       "Microsoft Windows XP Professional x64 Edition"},
      {Version(5, 2, kServer, kArchitectureX86, os::kPlatformNt, true), "Microsoft Windows Server 2003 R2"},
      {Version(5, 2, kServer, kArchitectureAmd64, os::kPlatformNt, true), "Microsoft Windows Server 2003 R2"},
      {Version(5, 2, kServer), "Microsoft Windows Server 2003"},
      {Version(5, 2, kServer, kArchitectureAmd64), "Microsoft Windows Server 2003"},
      // A workstation 5.2 that is not AMD64 (Itanium) is named by the server rule.
      {Version(5, 2, os::kWorkstation, os::kArchitectureIa64), "Microsoft Windows Server 2003"},
      {Version(6, 0), "Microsoft Windows Vista"},
      {Version(6, 0, kServer), "Microsoft Windows Server 2008"},
      {Version(6, 1), "Microsoft Windows 7"},
      {Version(6, 1, kServer), "Microsoft Windows Server 2008 R2"},
      {Version(6, 1, kDomainController), "Microsoft Windows Server 2008 R2"},
      {Version(6, 2), "Microsoft Windows 8"},
      {Version(6, 2, kServer), "Microsoft Windows Server 2012"},
      {Version(6, 3), "Microsoft Windows 8.1"},
      {Version(6, 3, kServer), "Microsoft Windows Server 2012 R2"},
      {Version(10, 0), "Microsoft Windows 10"},
      {Version(10, 0, kServer), "Microsoft Windows Server 2016 Technical Preview"},
  };
  for (const auto& [facts, name] : rows) {
    EXPECT_EQ(WindowsName(facts), name) << facts.major << "." << facts.minor << " type " << facts.productType;
  }
}

TEST(WindowsNameTest, VersionsOutsideTheTableAreUnknown) {
  for (const auto& facts : {Version(3, 51), Version(4, 1), Version(5, 3), Version(6, 4), Version(10, 1),
                            Version(11, 0), Version(4, 0, 0, os::kArchitectureX86, 0)}) {
    EXPECT_EQ(WindowsName(facts), "unknown OperatingSystem.") << facts.major << "." << facts.minor;
  }
  os::VersionFacts unreadable;  // a failed version query
  unreadable.nativeArchitecture = os::kArchitectureAmd64;
  EXPECT_EQ(WindowsName(unreadable), "unknown OperatingSystem.");
  EXPECT_EQ(SystemDescription(unreadable), "unknown OperatingSystem. 64");
}

TEST(SystemDescriptionTest, NameAndWordSize) {
  EXPECT_EQ(SystemDescription(Version(6, 1, os::kWorkstation, os::kArchitectureAmd64)), "Microsoft Windows 7 64");
  EXPECT_EQ(SystemDescription(Version(6, 1, os::kWorkstation, os::kArchitectureX86)), "Microsoft Windows 7 32");
  EXPECT_EQ(SystemDescription(Version(5, 2, kServer, os::kArchitectureIa64)), "Microsoft Windows Server 2003 64");
  EXPECT_EQ(SystemDescription(Version(10, 0, os::kWorkstation, os::kArchitectureArm64)), "Microsoft Windows 10 64");
  EXPECT_EQ(WordSize(Version(5, 1, os::kWorkstation, 5 /* ARM */)), 32);
}

TEST(NewerThanXPTest, MajorVersionAboveFive) {
  EXPECT_FALSE(NewerThanXP(Version(5, 1)));
  EXPECT_FALSE(NewerThanXP(Version(5, 2, kServer)));
  EXPECT_FALSE(NewerThanXP(Version(4, 0)));
  EXPECT_TRUE(NewerThanXP(Version(6, 0)));
  EXPECT_TRUE(NewerThanXP(Version(10, 0)));
  EXPECT_FALSE(NewerThanXP(os::VersionFacts{}));
  EXPECT_EQ(ExcludedProtocols(true), L"");
  EXPECT_EQ(ExcludedProtocols(false), L"IPSEC|SSTP");
  // This system's answers agree with its version record.
  EXPECT_EQ(NewerThanXP(), NewerThanXP(SystemVersion()));
  EXPECT_EQ(ExcludedProtocols(), ExcludedProtocols(NewerThanXP()));
  EXPECT_EQ(WindowsName(), WindowsName(SystemVersion()));
}

TEST(AdapterAddressTest, FirstAddressOfTheAdapterNamedExactly) {
  const std::vector<os::AdapterRecord> adapters = {
      {"{AAAA-1111}", "Ethernet", {"192.168.1.20", "192.168.1.21"}},
      {"{BBBB-2222}", "TAP-Windows Adapter V9", {"10.8.0.6"}},
      {"{CCCC-3333}", "Disconnected", {}},
      {"{BBBB-2222}", "duplicate name", {"10.9.9.9"}},
  };
  EXPECT_EQ(AdapterAddress("{AAAA-1111}", adapters), "192.168.1.20");
  EXPECT_EQ(AdapterAddress("{BBBB-2222}", adapters), "10.8.0.6");
  EXPECT_EQ(AdapterAddress("{CCCC-3333}", adapters), "");
  EXPECT_EQ(AdapterAddress("{bbbb-2222}", adapters), "");  // exact, case included
  EXPECT_EQ(AdapterAddress("{BBBB-2222", adapters), "");
  EXPECT_EQ(AdapterAddress("", adapters), "");
  EXPECT_EQ(AdapterAddress("{AAAA-1111}", {}), "");
}

TEST(BrowserCommandLineTest, QuotedPathTwoSpacesQuotedAddress) {
  EXPECT_EQ(BrowserCommandLine(kInternetExplorerPath, L"http://127.0.0.1:8080/reg.php?a=1&b=2"),
            L"\"C:\\Program Files\\Internet Explorer\\iexplore.exe\"  \"http://127.0.0.1:8080/reg.php?a=1&b=2\"");
  // A quote in the address cannot end the argument early and smuggle in options.
  EXPECT_EQ(BrowserCommandLine(L"ie.exe", L"http://x/\" -extoff \"y"), L"\"ie.exe\"  \"http://x/%22 -extoff %22y\"");
}

TEST(BrowserCommandLineTest, OnlyWebAddressesAreOpened) {
  EXPECT_TRUE(IsWebAddress(L"http://a"));
  EXPECT_TRUE(IsWebAddress(L"HTTPS://a/b"));
  EXPECT_FALSE(IsWebAddress(L"http://"));
  EXPECT_FALSE(IsWebAddress(L"file:///C:/Windows/system32/calc.exe"));
  EXPECT_FALSE(IsWebAddress(L"C:\\Windows\\notepad.exe"));
  EXPECT_FALSE(IsWebAddress(L"  http://a"));
  EXPECT_FALSE(IsWebAddress(L""));
}

class RecordingShell final : public os::Shell {
 public:
  bool StartProgram(const std::wstring& commandLine) override {
    started.push_back(commandLine);
    return startSucceeds;
  }
  bool OpenWithDefaultProgram(const std::wstring& target) override {
    opened.push_back(target);
    return true;
  }
  bool startSucceeds = true;
  std::vector<std::wstring> started, opened;
};

TEST(OpenInBrowserTest, InternetExplorerWhenInstalledElseTheDefaultBrowser) {
  testing::TempDir dir;
  const std::wstring browser = dir.File(L"iexplore.exe");
  ASSERT_TRUE(WriteFileBytes(browser, "MZ"));
  const std::wstring url = L"https://127.0.0.1/user/pay?token=abc";

  RecordingShell installed;
  EXPECT_EQ(OpenInBrowser(url, installed, browser), 0);
  EXPECT_EQ(installed.started, std::vector<std::wstring>{BrowserCommandLine(browser, url)});
  EXPECT_TRUE(installed.opened.empty());

  RecordingShell missing;
  EXPECT_EQ(OpenInBrowser(url, missing, dir.File(L"absent.exe")), 0);
  EXPECT_TRUE(missing.started.empty());
  EXPECT_EQ(missing.opened, std::vector<std::wstring>{url});

  RecordingShell broken;  // installed but it does not start
  broken.startSucceeds = false;
  EXPECT_EQ(OpenInBrowser(url, broken, browser), 0);
  EXPECT_EQ(broken.started.size(), 1u);
  EXPECT_EQ(broken.opened, std::vector<std::wstring>{url});

  RecordingShell refused;
  EXPECT_EQ(OpenInBrowser(L"C:\\Windows\\system32\\cmd.exe", refused, browser), 0);
  EXPECT_TRUE(refused.started.empty());
  EXPECT_TRUE(refused.opened.empty());
}

}  // namespace
}  // namespace nimbrook
