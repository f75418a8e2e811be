// The update check over temporary program directories with a scripted downloader: first start,
// matching and changed releases, the updater's own download, every failure path and hostile names.
#include "update/update_check.h"

#include <gtest/gtest.h>

#include <future>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "account/descriptor_cipher.h"
#include "core/file_io.h"
#include "core/log.h"
#include "core/paths.h"
#include "core/text.h"
#include "os/profile_file.h"
#include "release_trust/release_encoding.h"
#include "release_trust/release_signer.h"
#include "release_trust/tests/release_trust_vectors.h"
#include "testing/bytes.h"
#include "testing/temp_dir.h"

namespace nimbrook {
namespace {

using testing::TempDir;
using testing::Utf16Le;

constexpr wchar_t kDefaultUrl[] = L"http://127.0.0.1:1/default/version.ini";
constexpr wchar_t kVersionUrl[] = L"http://127.0.0.1:1/current/version.ini";
constexpr wchar_t kDownloadBase[] = L"http://127.0.0.1:1/releases/2";

std::wstring Enc(const std::wstring& plain) { return text::AsciiToWide(EncodeDescriptorValue(text::ToAnsi(plain))); }

struct Descriptor {
  std::map<std::wstring, std::wstring> urls;   // plain values, enciphered when written
  std::vector<std::wstring> files;             // FILES lines
  std::vector<std::wstring> digests;           // DIGESTS lines
};

std::string Render(const Descriptor& d) {
  std::wstring text = L"[URL]\r\n";
  for (const auto& [key, value] : d.urls) text += key + L"=" + Enc(value) + L"\r\n";
  text += L"[FILES]\r\n";
  for (const auto& line : d.files) text += line + L"\r\n";
  if (!d.digests.empty()) text += L"[DIGESTS]\r\n";
  for (const auto& line : d.digests) text += line + L"\r\n";
  return Utf16Le(text);
}

Descriptor Release(const std::wstring& login, std::vector<std::wstring> files) {
  Descriptor d;
  d.urls[L"versionURL"] = kVersionUrl;
  d.urls[L"downloadURL"] = kDownloadBase;
  d.urls[L"loginURL"] = login;
  d.files = std::move(files);
  return d;
}

class UpdateCheckTest : public ::testing::Test {
 protected:
  void SetUp() override {
    programDir_ = dir_.Dir();
    configDir_ = AsDirectory(JoinPath(programDir_, L"config"));
    ASSERT_TRUE(CreateDirectoryIfMissing(configDir_));
    SetLogFile(JoinPath(programDir_, L"test.log"));
    ResetLog();
  }
  void TearDown() override { SetLogFile(L""); }

  // keyText: the release public key; the tests of the checks themselves run without one.
  std::unique_ptr<UpdateCheck> MakeCheck(const std::string& keyText = "") {
    auto check = std::make_unique<UpdateCheck>(
        os::SystemProfile(),
        [this](const std::wstring& url, const std::wstring& path) {
          requests_.push_back(url);
          auto it = served_.find(url);
          if (it == served_.end()) return false;
          return WriteFileBytes(path, it->second);
        },
        kDefaultUrl, UpdateDirectories{programDir_, configDir_},
        [this](const EndpointLists& lists) { handed_.push_back(lists); });
    check->SetStateCallback([this](int state) { states_.push_back(state); });
    check->SetReleasePublicKey(keyText);
    return check;
  }

  std::wstring Program(const std::wstring& name) const { return JoinPath(programDir_, ToNativeSeparators(name)); }
  std::wstring Config(const std::wstring& name) const { return JoinPath(configDir_, name); }
  void Put(const std::wstring& name, const std::string& bytes) {
    const std::wstring path = Program(name);
    const size_t slash = path.find_last_of(kPathSeparator);
    ASSERT_TRUE(CreateDirectoryIfMissing(path.substr(0, slash)));
    ASSERT_TRUE(WriteFileBytes(path, bytes));
  }
  std::string Bytes(const std::wstring& path) {
    std::string bytes;
    EXPECT_TRUE(ReadFileBytes(path, bytes)) << text::ToUtf8(path);
    return bytes;
  }
  std::vector<std::wstring> Section(const std::wstring& file, const std::wstring& section) {
    return os::SystemProfile().ReadSection(file, section, 4096);
  }
  std::string Log() {
    std::string bytes;
    (void)ReadFileBytes(JoinPath(programDir_, L"test.log"), bytes);
    return bytes;
  }

  TempDir dir_;
  std::wstring programDir_;
  std::wstring configDir_;
  std::map<std::wstring, std::string> served_;
  std::vector<std::wstring> requests_;
  std::vector<int> states_;
  std::vector<EndpointLists> handed_;
};

TEST(FillFileMapTest, SplitsAtFirstEqualsKeepsFirstValueAndBoundsLines) {
  FileMap map;
  FillFileMap({L"a.txt=1=2", L"bare", L"a.txt=later", L"=x", std::wstring(1030, L'k') + L"=v"}, map);
  EXPECT_EQ(map[L"a.txt"], L"1=2");
  EXPECT_EQ(map[L"bare"], L"bare");
  EXPECT_EQ(map[L""], L"x");
  // A line longer than 1023 characters is cut before its "=": it becomes key and value at once.
  const std::wstring cut(1023, L'k');
  ASSERT_EQ(map.count(cut), 1u);
  EXPECT_EQ(map[cut], cut);
  EXPECT_EQ(map.size(), 4u);
}

TEST_F(UpdateCheckTest, FirstStartFetchesDescriptorAndMatchingReleaseInstallsIt) {
  const std::vector<std::wstring> files = {L"Nimbrook.exe=aa", L"docs\\readme.txt=bb", L"update.exe=cc"};
  served_[kDefaultUrl] = Render(Release(L"http://a/login.php", files));
  const std::string fresh = Render(Release(L"http://b/login.php;http://c/login.php", files));
  served_[kVersionUrl] = fresh;
  Put(L"Nimbrook.exe", "client");
  Put(L"docs/readme.txt", "readme");
  Put(L"update.exe", "updater");

  auto check = MakeCheck();
  check->Run();

  EXPECT_EQ(states_, (std::vector<int>{kUpdateNothing}));
  EXPECT_EQ(check->State(), kUpdateNothing);
  EXPECT_EQ(requests_, (std::vector<std::wstring>{kDefaultUrl, kVersionUrl}));
  EXPECT_EQ(check->DescriptorUrlList(), std::wstring(kVersionUrl) + L";" + kDefaultUrl);
  EXPECT_FALSE(FileExists(Config(L"update.ini")));
  EXPECT_FALSE(FileExists(Config(L"new_version.ini")));
  EXPECT_EQ(Bytes(Config(L"version.ini")), fresh);  // replaced by the downloaded descriptor
  ASSERT_EQ(handed_.size(), 1u);
  EXPECT_EQ(handed_[0].local.plain, L"http://a/login.php");
  EXPECT_EQ(handed_[0].local.enciphered, Enc(L"http://a/login.php"));
  EXPECT_EQ(handed_[0].fresh.plain, L"http://b/login.php;http://c/login.php");
  EXPECT_EQ(handed_[0].fresh.enciphered, Enc(L"http://b/login.php;http://c/login.php"));
  EXPECT_TRUE(check->CurrentFiles().empty());
  EXPECT_TRUE(check->NewFiles().empty());
  EXPECT_NE(Log().find("下载version .0.0.1:1/default/version.ini"), std::string::npos);
}

TEST_F(UpdateCheckTest, ChangedAndMissingFilesAreListedInNameOrderUnlistedAndUpdaterAreNot) {
  Descriptor installed =
      Release(L"http://a/login.php", {L"Nimbrook.exe=old", L"readme.txt=same", L"update.exe=u1", L"z.dll=z1"});
  ASSERT_TRUE(WriteFileBytes(Config(L"version.ini"), Render(installed)));
  Descriptor next = Release(L"http://b/login.php", {L"update.exe=u2", L"readme.txt=same", L"Nimbrook.exe=new",
                                                    L"docs\\license.txt=lic", L"extra.txt=e2", L"z.dll=z2"});
  served_[kVersionUrl] = Render(next);
  served_[std::wstring(kDownloadBase) + L"/update.exe"] = "new updater";
  Put(L"Nimbrook.exe", "client");
  Put(L"readme.txt", "readme");
  Put(L"extra.txt", "present but not in the installed list");
  Put(L"update.exe", "old updater");
  // z.dll is missing on disk: it is fetched although its stamp changed only in the list.

  auto check = MakeCheck();
  check->Run();

  EXPECT_EQ(states_, (std::vector<int>{kUpdateReplacingUpdater, kUpdateNeeded}));
  EXPECT_EQ(Section(Config(L"update.ini"), L"FILES"),
            (std::vector<std::wstring>{L"Nimbrook.exe=new", L"docs\\license.txt=lic", L"z.dll=z2"}));
  EXPECT_EQ(os::SystemProfile().ReadString(Config(L"update.ini"), L"URL", L"downloadURL", L"", 4096),
            Enc(kDownloadBase));
  EXPECT_TRUE(FileExists(Config(L"new_version.ini")));
  // The updater was fetched by the check itself, into the program directory.
  EXPECT_EQ(Bytes(Program(L"update.exe")), "new updater");
  EXPECT_EQ(check->DownloadUrl(), std::wstring(kDownloadBase) + L"/update.exe");
  // The installed descriptor took the new URL values but keeps its own file list for the updater.
  EXPECT_EQ(os::SystemProfile().ReadString(Config(L"version.ini"), L"URL", L"loginURL", L"", 4096),
            Enc(L"http://b/login.php"));
  EXPECT_EQ(Section(Config(L"version.ini"), L"FILES"), installed.files);
  EXPECT_NE(Log().find("old!=new\n"), std::string::npos);
  EXPECT_NE(Log().find("更新update.exe"), std::string::npos);
}

TEST_F(UpdateCheckTest, ClientNameCountsAsPresentEvenWhenMissing) {
  ASSERT_TRUE(WriteFileBytes(Config(L"version.ini"),
                             Render(Release(L"http://a/", {L"nimbrook.exe=1", L"other.exe=1"}))));
  served_[kVersionUrl] = Render(Release(L"http://a/", {L"nimbrook.exe=1", L"other.exe=1"}));
  auto check = MakeCheck();
  check->Run();
  // other.exe is missing and listed; nimbrook.exe with an unchanged stamp is not.
  EXPECT_EQ(check->State(), kUpdateNeeded);
  EXPECT_EQ(Section(Config(L"update.ini"), L"FILES"), (std::vector<std::wstring>{L"other.exe=1"}));
}

TEST_F(UpdateCheckTest, OnlyUpdaterChangedReplacesItAndInstallsDescriptor) {
  ASSERT_TRUE(WriteFileBytes(Config(L"version.ini"), Render(Release(L"http://a/", {L"a.txt=1", L"update.exe=1"}))));
  const std::string fresh = Render(Release(L"http://a/", {L"a.txt=1", L"update.exe=2"}));
  served_[kVersionUrl] = fresh;
  served_[std::wstring(kDownloadBase) + L"/update.exe"] = "updater 2";
  Put(L"a.txt", "a");
  Put(L"update.exe", "updater 1");

  auto check = MakeCheck();
  check->Run();

  EXPECT_EQ(states_, (std::vector<int>{kUpdateReplacingUpdater, kUpdateUpdaterReplaced, kUpdateNothing}));
  EXPECT_EQ(Bytes(Program(L"update.exe")), "updater 2");
  EXPECT_EQ(Bytes(Config(L"version.ini")), fresh);
  EXPECT_FALSE(FileExists(Config(L"update.ini")));
  EXPECT_FALSE(FileExists(Config(L"new_version.ini")));
  EXPECT_FALSE(FileExists(Program(L"update.exe.download")));
}

TEST_F(UpdateCheckTest, FailedOrEmptyUpdaterDownloadKeepsOldUpdaterAndDescriptor) {
  for (const bool empty : {false, true}) {
    SCOPED_TRACE(empty ? "empty body" : "download failed");
    const std::string installed = Render(Release(L"http://a/", {L"a.txt=1", L"update.exe=1"}));
    ASSERT_TRUE(WriteFileBytes(Config(L"version.ini"), installed));
    served_.clear();
    states_.clear();
    served_[kVersionUrl] = Render(Release(L"http://a/", {L"a.txt=1", L"update.exe=2"}));
    if (empty) served_[std::wstring(kDownloadBase) + L"/update.exe"] = "";
    Put(L"a.txt", "a");
    Put(L"update.exe", "updater 1");

    auto check = MakeCheck();
    check->Run();

    EXPECT_EQ(states_, (std::vector<int>{kUpdateReplacingUpdater, kUpdateNothing}));
    EXPECT_EQ(Bytes(Program(L"update.exe")), "updater 1");
    EXPECT_EQ(Bytes(Config(L"version.ini")), installed);  // the next start checks again
    EXPECT_FALSE(FileExists(Config(L"new_version.ini")));
    EXPECT_FALSE(FileExists(Config(L"update.ini")));
    EXPECT_FALSE(FileExists(Program(L"update.exe.download")));
  }
}

TEST_F(UpdateCheckTest, UpdaterChangedWithOtherFilesStillHandsOverWhenItsDownloadFails) {
  ASSERT_TRUE(WriteFileBytes(Config(L"version.ini"), Render(Release(L"http://a/", {L"a.txt=1", L"update.exe=1"}))));
  served_[kVersionUrl] = Render(Release(L"http://a/", {L"a.txt=2", L"update.exe=2"}));
  Put(L"a.txt", "a");
  Put(L"update.exe", "updater 1");
  auto check = MakeCheck();
  check->Run();
  EXPECT_EQ(states_, (std::vector<int>{kUpdateReplacingUpdater, kUpdateNeeded}));
  EXPECT_EQ(Bytes(Program(L"update.exe")), "updater 1");
  EXPECT_EQ(Section(Config(L"update.ini"), L"FILES"), (std::vector<std::wstring>{L"a.txt=2"}));
  EXPECT_TRUE(FileExists(Config(L"new_version.ini")));
}

TEST_F(UpdateCheckTest, EveryFailureRemovesHandOverFiles) {
  struct Case {
    const char* name;
    bool installed;            // version.ini present before the run
    bool defaultServed;        // first-start fetch works
    Descriptor installedDesc;  // the installed (or fetched) descriptor
    bool freshServed;
    Descriptor freshDesc;
  };
  Descriptor good = Release(L"http://a/", {L"a.txt=1"});
  Descriptor noVersionUrl = good;
  noVersionUrl.urls.erase(L"versionURL");
  Descriptor noLocalLogin = good;
  noLocalLogin.urls.erase(L"loginURL");
  Descriptor noDownload = good;
  noDownload.urls.erase(L"downloadURL");
  Descriptor noFreshLogin = good;
  noFreshLogin.urls.erase(L"loginURL");
  const std::vector<Case> cases = {
      {"first start, default unreachable", false, false, good, true, good},
      {"versionURL missing", true, false, noVersionUrl, true, good},
      {"local loginURL missing", true, false, noLocalLogin, true, good},
      {"new descriptor unreachable", true, false, good, false, good},
      {"new downloadURL missing", true, false, good, true, noDownload},
      {"new loginURL missing", true, false, good, true, noFreshLogin},
      {"new descriptor empty", true, false, good, true, Descriptor{}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    served_.clear();
    states_.clear();
    (void)RemoveFile(Config(L"version.ini"));
    if (c.installed) {
      ASSERT_TRUE(WriteFileBytes(Config(L"version.ini"), Render(c.installedDesc)));
    }
    if (c.defaultServed) served_[kDefaultUrl] = Render(c.installedDesc);
    if (c.freshServed) served_[kVersionUrl] = c.freshDesc.urls.empty() ? std::string() : Render(c.freshDesc);
    // Left-overs of an earlier run.
    ASSERT_TRUE(WriteFileBytes(Config(L"update.ini"), "[FILES]\r\nstale=1\r\n"));
    ASSERT_TRUE(WriteFileBytes(Config(L"new_version.ini"), "stale"));

    auto check = MakeCheck();
    check->Run();

    EXPECT_EQ(states_, (std::vector<int>{kUpdateCheckFailed}));
    EXPECT_FALSE(handed_.empty());
    EXPECT_FALSE(FileExists(Config(L"update.ini")));
    EXPECT_FALSE(FileExists(Config(L"new_version.ini")));
    EXPECT_EQ(FileExists(Config(L"version.ini")), c.installed);
  }
}

TEST_F(UpdateCheckTest, HostileNamesAreNeverListed) {
  ASSERT_TRUE(WriteFileBytes(Config(L"version.ini"), Render(Release(L"http://a/", {}))));
  served_[kVersionUrl] = Render(Release(
      L"http://a/", {L"..\\evil.exe=1", L"docs/../../evil.exe=1", L"C:\\Windows\\evil.exe=1", L"\\\\host\\share\\e=1",
                     L"/etc/evil=1", L"\\rooted.exe=1", L"docs\\..\\x.exe=1", L"good\\file.txt=1"}));
  auto check = MakeCheck();
  check->Run();
  EXPECT_EQ(check->State(), kUpdateNeeded);
  EXPECT_EQ(Section(Config(L"update.ini"), L"FILES"), (std::vector<std::wstring>{L"good\\file.txt=1"}));
}

TEST_F(UpdateCheckTest, DownloadFromListTriesEachNonEmptyItemInOrder) {
  served_[L"http://third/x"] = "body";
  auto check = MakeCheck();
  const std::wstring target = Config(L"fetched.ini");
  EXPECT_TRUE(check->DownloadFromList(L";short;;http://second/x;http://third/x;http://fourth/x", target));
  EXPECT_EQ(requests_, (std::vector<std::wstring>{L"short", L"http://second/x", L"http://third/x"}));
  EXPECT_EQ(Bytes(target), "body");
  const std::string log = Log();
  EXPECT_NE(log.find("下载version short\n"), std::string::npos);
  EXPECT_NE(log.find("下载version ond/x\n"), std::string::npos);
  requests_.clear();
  EXPECT_FALSE(check->DownloadFromList(L"http://none/a;;", target));
  EXPECT_EQ(requests_, (std::vector<std::wstring>{L"http://none/a"}));
  EXPECT_FALSE(check->DownloadFromList(L"", target));
}

TEST_F(UpdateCheckTest, CheckThreadReportsFinalStateThroughCallback) {
  ASSERT_TRUE(WriteFileBytes(Config(L"version.ini"), Render(Release(L"http://a/", {L"a.txt=1"}))));
  served_[kVersionUrl] = Render(Release(L"http://a/", {L"a.txt=2"}));
  Put(L"a.txt", "a");
  // The thread may outlive this test body: it holds the check, the check holds nothing of the fixture.
  auto served = std::make_shared<std::map<std::wstring, std::string>>(served_);
  auto check = std::make_shared<UpdateCheck>(
      os::SystemProfile(),
      [served](const std::wstring& url, const std::wstring& path) {
        auto it = served->find(url);
        return it != served->end() && WriteFileBytes(path, it->second);
      },
      kDefaultUrl, UpdateDirectories{programDir_, configDir_}, [](const EndpointLists&) {});
  struct Seen {
    std::promise<int> finished;
    EndpointLists listsAtFinalState;
  };
  auto seen = std::make_shared<Seen>();
  check->SetReleasePublicKey("");
  check->SetStateCallback([seen, weak = std::weak_ptr<UpdateCheck>(check)](int state) {
    if (state != kUpdateNeeded && state != kUpdateNothing && state != kUpdateCheckFailed) return;
    if (auto c = weak.lock()) seen->listsAtFinalState = c->EndpointListsCopy();
    seen->finished.set_value(state);
  });
  auto future = seen->finished.get_future();
  ASSERT_TRUE(UpdateCheck::StartCheckThread(check));
  EXPECT_EQ(future.get(), kUpdateNeeded);
  EXPECT_EQ(seen->listsAtFinalState.fresh.plain, L"http://a/");
  EXPECT_TRUE(check->NewFiles().empty());
  EXPECT_EQ(check->UpdaterPath(), Program(L"update.exe"));
  EXPECT_FALSE(UpdateCheck::StartCheckThread(nullptr));
}

TEST_F(UpdateCheckTest, UpdaterDownloadNeedsDownloadUrl) {
  auto check = MakeCheck();
  EXPECT_FALSE(check->DownloadUpdater());
  EXPECT_TRUE(requests_.empty());
}

}  // namespace
}  // namespace nimbrook

namespace nimbrook {
namespace {

// Names the updater would refuse or skip fail its whole run, and the next start would offer the same
// update again: the check leaves them out, says so in the log, and the rest of the release goes on.
TEST_F(UpdateCheckTest, NamesTheUpdaterCannotReplaceAreLeftOutWithALogLine) {
  Put(L"readme.txt", "installed file");
  ASSERT_TRUE(CreateDirectoryIfMissing(Program(L"language")));
  ASSERT_TRUE(WriteFileBytes(Config(L"version.ini"), Render(Release(L"http://a/", {L"language=1"}))));
  const std::vector<std::wstring> refused = {
      L"CON=1",       L"nul.txt=1",    L"docs\\Com1.log=1", L"docs/=1",        L"a*.txt=1",
      L"what?.txt=1", L"pipe|x=1",     L"name.=1",          L"Update.exe=1",
      L"sub\\Update.exe=1", L"language=2", L"readme.txt\\inner.txt=1", L"..\\evil.exe=1"};
  std::vector<std::wstring> files = refused;
  files.push_back(L"good\\file.txt=1");
  served_[kVersionUrl] = Render(Release(L"http://a/", files));

  auto check = MakeCheck();
  check->Run();

  EXPECT_EQ(check->State(), kUpdateNeeded);
  EXPECT_EQ(Section(Config(L"update.ini"), L"FILES"), (std::vector<std::wstring>{L"good\\file.txt=1"}));
  for (const auto& line : refused) {
    const std::wstring name = line.substr(0, line.find(L'='));
    EXPECT_NE(Log().find(text::ToUtf8(L"忽略不安全的文件名 " + name)), std::string::npos) << text::ToUtf8(name);
  }
}

TEST_F(UpdateCheckTest, AReleaseOfOnlyRefusedNamesInstallsItsDescriptorAndContinues) {
  ASSERT_TRUE(WriteFileBytes(Config(L"version.ini"), Render(Release(L"http://a/", {}))));
  const std::string fresh = Render(Release(L"http://b/", {L"CON=1", L"docs/=1", L"x*.dll=1"}));
  served_[kVersionUrl] = fresh;
  auto check = MakeCheck();
  check->Run();
  EXPECT_EQ(check->State(), kUpdateNothing);
  EXPECT_FALSE(FileExists(Config(L"update.ini")));
  EXPECT_EQ(Bytes(Config(L"version.ini")), fresh);
}

// A first start answered with junk keeps nothing: the next start fetches again and works.
TEST_F(UpdateCheckTest, AJunkFirstDescriptorIsNotKeptAndTheNextStartRecovers) {
  const std::vector<std::pair<const char*, std::string>> junk = {
      {"empty answer", ""},
      {"portal page", "<!DOCTYPE html><html><head><title>Login</title></head><body>Wi-Fi</body></html>"},
      {"no versionURL", Render(Descriptor{{{L"loginURL", L"http://a/"}}, {}, {}})},
      {"no loginURL", Render(Descriptor{{{L"versionURL", kVersionUrl}}, {}, {}})},
  };
  for (const auto& [what, body] : junk) {
    SCOPED_TRACE(what);
    (void)RemoveFile(Config(L"version.ini"));
    served_.clear();
    served_[kDefaultUrl] = body;
    served_[kVersionUrl] = Render(Release(L"http://b/", {}));
    auto first = MakeCheck();
    first->Run();
    EXPECT_EQ(first->State(), kUpdateCheckFailed);
    EXPECT_FALSE(FileExists(Config(L"version.ini")));
    EXPECT_FALSE(FileExists(Config(L"version.ini.download")));

    served_[kDefaultUrl] = Render(Release(L"http://a/", {}));
    auto second = MakeCheck();
    second->Run();
    EXPECT_EQ(second->State(), kUpdateNothing);
    EXPECT_TRUE(FileExists(Config(L"version.ini")));
  }
}

TEST_F(UpdateCheckTest, AnInstalledJunkDescriptorIsReplacedFromTheBuiltInAddressOrKept) {
  ASSERT_TRUE(WriteFileBytes(Config(L"version.ini"), "<html>portal</html>"));
  auto unreachable = MakeCheck();
  unreachable->Run();
  EXPECT_EQ(unreachable->State(), kUpdateCheckFailed);
  EXPECT_EQ(Bytes(Config(L"version.ini")), "<html>portal</html>");  // nothing better to put there

  served_[kDefaultUrl] = Render(Release(L"http://a/", {}));
  served_[kVersionUrl] = Render(Release(L"http://b/", {}));
  auto check = MakeCheck();
  check->Run();
  EXPECT_EQ(check->State(), kUpdateNothing);
  EXPECT_EQ(Bytes(Config(L"version.ini")), served_[kVersionUrl]);
}

// A junk latest descriptor must not overwrite the installed addresses before it is known to be usable.
TEST_F(UpdateCheckTest, AJunkLatestDescriptorLeavesTheInstalledAddressesAlone) {
  const std::string installed = Render(Release(L"http://a/login.php", {}));
  ASSERT_TRUE(WriteFileBytes(Config(L"version.ini"), installed));
  Descriptor junk;
  junk.urls[L"loginURL"] = L"http://junk/";
  junk.urls[L"versionURL"] = L"http://junk/version.ini";  // no downloadURL
  served_[kVersionUrl] = Render(junk);
  auto check = MakeCheck();
  check->Run();
  EXPECT_EQ(check->State(), kUpdateCheckFailed);
  EXPECT_EQ(Bytes(Config(L"version.ini")), installed);
}

// Both replacements the check makes leave the new file in place and nothing beside it.
TEST_F(UpdateCheckTest, DescriptorAndUpdaterReplacementsLeaveNoSideFiles) {
  ASSERT_TRUE(WriteFileBytes(Config(L"version.ini"), Render(Release(L"http://a/", {L"update.exe=1"}))));
  Put(L"update.exe", "old updater");
  const std::string fresh = Render(Release(L"http://b/", {L"update.exe=2"}));
  served_[kVersionUrl] = fresh;
  served_[std::wstring(kDownloadBase) + L"/update.exe"] = "new updater";
  auto check = MakeCheck();
  check->Run();
  EXPECT_EQ(check->State(), kUpdateNothing);
  EXPECT_EQ(Bytes(Program(L"update.exe")), "new updater");
  EXPECT_EQ(Bytes(Config(L"version.ini")), fresh);
  for (const wchar_t* left : {L"version.ini.old", L"new_version.ini", L"version.ini.download"}) {
    EXPECT_FALSE(FileExists(Config(left))) << text::ToUtf8(left);
  }
  for (const wchar_t* left : {L"update.exe.old", L"update.exe.download"}) {
    EXPECT_FALSE(FileExists(Program(left))) << text::ToUtf8(left);
  }
}

}  // namespace
}  // namespace nimbrook

namespace nimbrook {
namespace {

// An update the updater cannot apply (a file the service does not serve) must not stand between the
// subscriber and the login at every start: after a failed hand-over the next start goes on to the
// login, the one after offers the update again. A declined update is offered at every start.
TEST_F(UpdateCheckTest, AnUpdateTheUpdaterFailedIsSkippedOnceThenOfferedAgain) {
  const std::string installed = Render(Release(L"http://a/", {L"a.txt=1"}));
  ASSERT_TRUE(WriteFileBytes(Config(L"version.ini"), installed));
  Put(L"a.txt", "old");
  served_[kVersionUrl] = Render(Release(L"http://a/", {L"a.txt=2"}));
  auto runOnce = [this] {
    auto check = MakeCheck();
    check->Run();
    return check->State();
  };
  auto updaterFailed = [this] {
    (void)RemoveFile(Config(L"update.ini"));
    (void)RemoveFile(Config(L"new_version.ini"));
  };

  EXPECT_EQ(runOnce(), kUpdateNeeded);
  EXPECT_EQ(runOnce(), kUpdateNeeded) << "declined: the hand-over files stayed";
  updaterFailed();
  EXPECT_EQ(runOnce(), kUpdateCheckFailed);
  EXPECT_FALSE(FileExists(Config(L"update.ini")));
  EXPECT_FALSE(FileExists(Config(L"new_version.ini")));
  EXPECT_EQ(Bytes(Config(L"version.ini")), installed);
  EXPECT_NE(Log().find("上次更新失败，本次跳过更新"), std::string::npos);
  EXPECT_EQ(runOnce(), kUpdateNeeded);

  updaterFailed();
  served_[kVersionUrl] = Render(Release(L"http://a/", {L"a.txt=3"}));
  EXPECT_EQ(runOnce(), kUpdateNeeded) << "another release is offered at once";

  // The updater succeeded: it installed the descriptor and removed the hand-over files.
  ASSERT_TRUE(WriteFileBytes(Config(L"version.ini"), served_[kVersionUrl]));
  updaterFailed();
  EXPECT_EQ(runOnce(), kUpdateNothing);
  EXPECT_FALSE(FileExists(Config(L"update_offered.ini")));
}

// Signed descriptors are made here with the reference service's test keys, which needs the native
// build's signer; the Windows build's check is exercised against the service instead.
std::string SignedWith(const std::string& bytes, const char* keyFile = "release-key.pem") {
  std::string pem, signedBytes, error;
  EXPECT_TRUE(ReadFileBytes(text::FromUtf8(std::string(NIMBROOK_SOURCE_DIR) + "/service/data/signing/" + keyFile), pem));
  EXPECT_TRUE(SignDescriptor(bytes, pem, signedBytes, error)) << error;
  return signedBytes;
}

std::wstring DigestLine(const std::wstring& name, const std::string& content) {
  Sha256Digest digest{};
  EXPECT_TRUE(SystemCrypto().Sha256(content, digest));
  return name + L"=" + text::AsciiToWide(DigestHex(digest));
}

TEST_F(UpdateCheckTest, WithAKeyOnlyASignedLatestDescriptorCountsAndARefusedOneChangesNothing) {
  if (!SigningAvailable()) GTEST_SKIP() << "signing needs the native build";
  const std::string installed = Render(Release(L"http://a/login.php", {L"Nimbrook.exe=old"}));
  const std::string next = Render(Release(L"http://b/login.php", {L"Nimbrook.exe=new"}));
  std::string flipped = SignedWith(next);
  flipped[40] = static_cast<char>(flipped[40] ^ 0x20);
  Put(L"Nimbrook.exe", "client");

  for (const std::string& refused : {next, SignedWith(next, "other-key.pem"), flipped}) {
    ASSERT_TRUE(WriteFileBytes(Config(L"version.ini"), installed));
    served_ = {{kVersionUrl, refused}};
    handed_.clear();
    ResetLog();
    auto check = MakeCheck(testing::kTestKey);
    check->Run();
    EXPECT_EQ(check->State(), kUpdateCheckFailed);
    EXPECT_FALSE(FileExists(Config(L"update.ini")));
    EXPECT_FALSE(FileExists(Config(L"new_version.ini")));
    EXPECT_EQ(Bytes(Config(L"version.ini")), installed);  // no value of the refused one written
    ASSERT_EQ(handed_.size(), 1u);
    EXPECT_EQ(handed_[0].local.plain, L"http://a/login.php");
    EXPECT_EQ(handed_[0].fresh.plain, L"");
    EXPECT_NE(Log().find("下载的version.ini签名无效"), std::string::npos);
  }

  // A refused descriptor at the first address: the next address is tried.
  const std::string signedNext = SignedWith(next);
  served_ = {{kVersionUrl, SignedWith(next, "other-key.pem")}, {kDefaultUrl, signedNext}};
  auto check = MakeCheck(testing::kTestKey);
  check->Run();
  EXPECT_EQ(check->State(), kUpdateNeeded);
  EXPECT_EQ(Section(Config(L"update.ini"), L"FILES"), (std::vector<std::wstring>{L"Nimbrook.exe=new"}));
  EXPECT_EQ(Bytes(Config(L"new_version.ini")), signedNext);
  EXPECT_EQ(handed_.back().fresh.plain, L"http://b/login.php");
}

TEST_F(UpdateCheckTest, WithAKeyAnUnsignedFirstDescriptorIsNotInstalled) {
  if (!SigningAvailable()) GTEST_SKIP() << "signing needs the native build";
  const std::string first = Render(Release(L"http://a/login.php", {}));
  served_ = {{kDefaultUrl, first}};
  auto check = MakeCheck(testing::kTestKey);
  check->Run();
  EXPECT_EQ(check->State(), kUpdateCheckFailed);
  EXPECT_FALSE(FileExists(Config(L"version.ini")));

  const std::string signedFirst = SignedWith(first);
  served_ = {{kDefaultUrl, signedFirst}, {kVersionUrl, signedFirst}};
  check = MakeCheck(testing::kTestKey);
  check->Run();
  EXPECT_EQ(check->State(), kUpdateNothing);
  EXPECT_EQ(Bytes(Config(L"version.ini")), signedFirst);
}

TEST_F(UpdateCheckTest, TheFetchedUpdaterMustMatchItsListedDigestWithOrWithoutAKey) {
  if (!SigningAvailable()) GTEST_SKIP() << "signing needs the native build";
  Descriptor next = Release(L"http://a/", {L"update.exe=u2"});
  next.digests = {DigestLine(L"Update.exe", "new updater")};
  for (const std::string& key : {std::string(testing::kTestKey), std::string()}) {
    ASSERT_TRUE(WriteFileBytes(Config(L"version.ini"), Render(Release(L"http://a/", {L"update.exe=u1"}))));
    Put(L"update.exe", "old updater");
    served_ = {{kVersionUrl, key.empty() ? Render(next) : SignedWith(Render(next))},
               {std::wstring(kDownloadBase) + L"/update.exe", "altered updater"}};
    ResetLog();
    auto check = MakeCheck(key);
    check->Run();
    EXPECT_EQ(Bytes(Program(L"update.exe")), "old updater") << key;
    EXPECT_NE(Log().find("update.exe校验失败"), std::string::npos);
    EXPECT_FALSE(FileExists(Program(L"update.exe.download")));

    served_[std::wstring(kDownloadBase) + L"/update.exe"] = "new updater";
    check = MakeCheck(key);
    check->Run();
    EXPECT_EQ(Bytes(Program(L"update.exe")), "new updater") << key;
  }
  // With a key, a signed descriptor that lists no digest for the updater does not replace it.
  ASSERT_TRUE(WriteFileBytes(Config(L"version.ini"), Render(Release(L"http://a/", {L"update.exe=u1"}))));
  Put(L"update.exe", "old updater");
  served_ = {{kVersionUrl, SignedWith(Render(Release(L"http://a/", {L"update.exe=u2"})))},
             {std::wstring(kDownloadBase) + L"/update.exe", "new updater"}};
  auto check = MakeCheck(testing::kTestKey);
  check->Run();
  EXPECT_EQ(Bytes(Program(L"update.exe")), "old updater");
}

}  // namespace
}  // namespace nimbrook
