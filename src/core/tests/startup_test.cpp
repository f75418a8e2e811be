#include "core/startup.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "core/file_io.h"
#include "core/languages.h"
#include "core/log.h"
#include "core/paths.h"
#include "core/text.h"
#include "os/module_path.h"
#include "os/profile_file.h"
#include "testing/temp_dir.h"

namespace nimbrook {
namespace {

const std::string kBom = "\xEF\xBB\xBF";

// A program directory of its own for each test, with the process paths pointing into it.
class ClientInitialisationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    saved_ = Paths();
    SetProcessPaths(ComputePaths(dir.File(L"Nimbrook.exe")));
    SetLogFile(L"");
    ASSERT_TRUE(CreateDirectoryIfMissing(Paths().languageDir));
    ASSERT_TRUE(WriteFileBytes(JoinPath(Paths().languageDir, L"chs.lng"), "[String]\r\nok=OK-chs\r\n"));
    ASSERT_TRUE(WriteFileBytes(JoinPath(Paths().languageDir, L"eng.lng"), "[String]\r\nok=OK-eng\r\n"));
  }
  void TearDown() override { SetProcessPaths(saved_); }

  std::wstring ConfigFile() const { return JoinPath(Paths().configDir, L"config.ini"); }
  std::string Log() const {
    std::string bytes;
    (void)ReadFileBytes(Paths().logFile, bytes);
    return bytes;
  }
  StartupHooks Hooks(bool wow64 = false) {
    StartupHooks hooks;
    hooks.reconcileIpSecSetting = [this] { calls.push_back("ipsec"); };
    hooks.readSystemProxy = [this] {
      calls.push_back("proxy");
      logWhenProxyRead = Log();
    };
    hooks.isWow64 = [this, wow64] {
      calls.push_back("wow64");
      return wow64;
    };
    return hooks;
  }

  testing::TempDir dir;
  std::vector<std::string> calls;
  std::string logWhenProxyRead;

 private:
  ProcessPaths saved_;
};

TEST_F(ClientInitialisationTest, FirstStartCreatesDirectoryAndConfigWithTheSystemLanguage) {
  ASSERT_TRUE(WriteFileBytes(Paths().logFile, "last run\n"));
  ASSERT_FALSE(DirectoryExists(Paths().configDir));

  const InitialisationResult result = ClientInitialisation(Hooks(true));

  EXPECT_TRUE(result.configDirectoryReady);
  EXPECT_TRUE(DirectoryExists(Paths().configDir));
  EXPECT_TRUE(result.configFileReady);
  // The new config.ini holds the system language and nothing else.
  auto& profile = os::SystemProfile();
  EXPECT_EQ(profile.ReadSection(ConfigFile(), L"Setting", 4096), std::vector<std::wstring>{L"language=" + SystemLanguage()});
  std::string bytes;
  ASSERT_TRUE(ReadFileBytes(ConfigFile(), bytes));
  EXPECT_EQ(std::count(bytes.begin(), bytes.end(), '='), 1);

  EXPECT_EQ(result.language, SystemLanguage());
  EXPECT_EQ(CurrentLanguage(), SystemLanguage());
  EXPECT_TRUE(result.logReset);
  EXPECT_TRUE(result.wow64);
  EXPECT_EQ(Log(), kBom + text::ToUtf8(L"系统类型 64 bit\n"));
  // The proxy is read last, into the fresh log.
  EXPECT_EQ(calls, (std::vector<std::string>{"ipsec", "wow64", "proxy"}));
  EXPECT_EQ(logWhenProxyRead, Log());
}

TEST_F(ClientInitialisationTest, StoredLanguageIsSelectedAndLoaded) {
  ASSERT_TRUE(CreateDirectoryIfMissing(Paths().configDir));
  ASSERT_TRUE(WriteFileBytes(ConfigFile(), "[Setting]\r\nusername=alice\r\nlanguage=chs\r\n"));

  const InitialisationResult result = ClientInitialisation(Hooks(false));

  EXPECT_EQ(result.language, L"chs");
  EXPECT_EQ(CurrentLanguage(), L"chs");
  EXPECT_EQ(Text(L"ok"), L"OK-chs");
  EXPECT_FALSE(result.wow64);
  EXPECT_EQ(Log(), kBom + text::ToUtf8(L"系统类型 32 bit\n"));
  // An existing config.ini is only read.
  std::string bytes;
  ASSERT_TRUE(ReadFileBytes(ConfigFile(), bytes));
  EXPECT_EQ(bytes, "[Setting]\r\nusername=alice\r\nlanguage=chs\r\n");
}

TEST_F(ClientInitialisationTest, EmptyLanguageMeansEnglish) {
  ASSERT_TRUE(CreateDirectoryIfMissing(Paths().configDir));
  ASSERT_TRUE(WriteFileBytes(ConfigFile(), "[Setting]\r\nlanguage=\r\n"));
  SelectLanguage(L"chs");

  const InitialisationResult result = ClientInitialisation(Hooks());

  EXPECT_EQ(result.language, L"eng");
  EXPECT_EQ(Text(L"ok"), L"OK-eng");
}

TEST_F(ClientInitialisationTest, MissingLanguageKeyMeansTheSystemLanguage) {
  ASSERT_TRUE(CreateDirectoryIfMissing(Paths().configDir));
  ASSERT_TRUE(WriteFileBytes(ConfigFile(), "[Setting]\r\nusername=alice\r\n"));
  SelectLanguage(SystemLanguage() == L"chs" ? L"cht" : L"chs");

  const InitialisationResult result = ClientInitialisation(Hooks());

  EXPECT_EQ(result.language, SystemLanguage());
  std::string bytes;
  ASSERT_TRUE(ReadFileBytes(ConfigFile(), bytes));
  EXPECT_EQ(bytes, "[Setting]\r\nusername=alice\r\n");  // not written: the file was there
}

TEST_F(ClientInitialisationTest, UnknownLanguageCodeFallsBackToEnglish) {
  ASSERT_TRUE(CreateDirectoryIfMissing(Paths().configDir));
  ASSERT_TRUE(WriteFileBytes(ConfigFile(), "[Setting]\r\nlanguage=..\\..\\x\r\n"));

  const InitialisationResult result = ClientInitialisation(Hooks());

  EXPECT_EQ(result.language, L"eng");
  EXPECT_EQ(Text(L"ok"), L"OK-eng");
}

TEST_F(ClientInitialisationTest, ConfigDirectoryThatCannotBeCreatedSkipsLanguageAndLog) {
  ASSERT_TRUE(WriteFileBytes(dir.File(L"config"), "a file where the directory should be"));
  ASSERT_TRUE(WriteFileBytes(Paths().logFile, "last run\n"));
  SelectLanguage(L"chs");

  const InitialisationResult result = ClientInitialisation(Hooks(true));

  EXPECT_FALSE(result.configDirectoryReady);
  EXPECT_FALSE(result.configFileReady);
  EXPECT_EQ(result.language, L"");
  EXPECT_EQ(CurrentLanguage(), L"chs");  // untouched
  EXPECT_FALSE(result.logReset);
  EXPECT_EQ(Log(), "last run\n");  // neither reset nor the system-type line
  EXPECT_EQ(calls, (std::vector<std::string>{"ipsec", "proxy"}));
}

TEST_F(ClientInitialisationTest, ConfigFileThatCannotBeCreatedSkipsLanguageAndLog) {
  ASSERT_TRUE(CreateDirectoryIfMissing(Paths().configDir));
  ASSERT_TRUE(CreateDirectoryIfMissing(ConfigFile()));  // a directory named config.ini
  ASSERT_TRUE(WriteFileBytes(Paths().logFile, "last run\n"));

  const InitialisationResult result = ClientInitialisation(Hooks());

  EXPECT_TRUE(result.configDirectoryReady);
  EXPECT_FALSE(result.configFileReady);
  EXPECT_EQ(result.language, L"");
  EXPECT_EQ(Log(), "last run\n");
  EXPECT_EQ(calls, (std::vector<std::string>{"ipsec", "proxy"}));
}

TEST_F(ClientInitialisationTest, EmptyHooksAreSkipped) {
  StartupHooks hooks;
  hooks.isWow64 = [] { return false; };
  const InitialisationResult result = ClientInitialisation(hooks);
  EXPECT_TRUE(result.configFileReady);
  EXPECT_TRUE(result.logReset);
}

TEST(PrepareSystemTest, DialUpBindingIsAdjustedOnlyOnWindowsFiveAndOlder) {
  int runs = 0;
  StartupHooks hooks;
  hooks.adjustDialUpBinding = [&runs] { ++runs; };
  os::VersionFacts version;
  version.valid = true;
  for (const auto& [major, minor, expected] : std::vector<std::tuple<unsigned, unsigned, bool>>{
           {5, 1, true}, {5, 2, true}, {5, 0, true}, {6, 0, false}, {10, 0, false}}) {
    version.major = major;
    version.minor = minor;
    runs = 0;
    EXPECT_EQ(PrepareSystem(hooks, version), expected) << major << "." << minor;
    EXPECT_EQ(runs, expected ? 1 : 0);
  }
  runs = 0;
  EXPECT_FALSE(PrepareSystem(hooks, os::VersionFacts{}));  // unreadable version: leave the system alone
  EXPECT_EQ(runs, 0);
  version.major = 5;
  EXPECT_TRUE(PrepareSystem(StartupHooks{}, version));  // no hook wired: nothing to run, no crash
}

TEST(ProcessPathsStartTest, PathsComeFromTheExecutable) {
  const ProcessPaths saved = Paths();
  InitialiseProcessPaths();
  const std::wstring executable = os::ExecutablePath();
  ASSERT_FALSE(executable.empty());
  EXPECT_EQ(Paths().programDir, ComputePaths(executable).programDir);
  EXPECT_EQ(Paths().programDir.back(), kPathSeparator);
  EXPECT_EQ(executable.rfind(Paths().programDir, 0), 0u);
  EXPECT_EQ(Paths().configDir, Paths().programDir + L"config" + kPathSeparator);
  SetProcessPaths(saved);
}

TEST(ShutdownTest, StepsRunByStageThenRegistrationOrderAndOnlyOnce) {
  std::vector<std::string> ran;
  RegisterShutdownStep(ShutdownStage::Singletons, [&] { ran.push_back("LoginService"); });
  RegisterShutdownStep(ShutdownStage::Last, [&] { ran.push_back("last"); });
  RegisterShutdownStep(ShutdownStage::Singletons, [&] { ran.push_back("UpdateCheck"); });
  RegisterShutdownStep(ShutdownStage::Engines, [&] { ran.push_back("engines"); });
  RegisterShutdownStep(ShutdownStage::Engines, std::function<void()>());  // ignored

  RunShutdown();
  EXPECT_EQ(ran, (std::vector<std::string>{"engines", "LoginService", "UpdateCheck", "last"}));
  RunShutdown();
  EXPECT_EQ(ran.size(), 4u);
}

TEST(ShutdownTest, TheLoginServiceGoesBeforeTheUpdateCheckWhateverTheRegistrationOrder) {
  // The update window creates the check first; the login service comes later, from the check's
  // thread or the login window.
  std::vector<std::string> ran;
  RegisterShutdownStep(ShutdownStage::UpdateCheck, [&] { ran.push_back("UpdateCheck"); });
  RegisterShutdownStep(ShutdownStage::Workers, [&] { ran.push_back("workers"); });
  RegisterShutdownStep(ShutdownStage::LoginService, [&] { ran.push_back("LoginService"); });
  RegisterShutdownStep(ShutdownStage::Engines, [&] { ran.push_back("engines"); });
  RunShutdown();
  EXPECT_EQ(ran, (std::vector<std::string>{"engines", "LoginService", "UpdateCheck", "workers"}));
}

TEST(ShutdownTest, AFailingStepDoesNotStopTheOthers) {
  std::vector<std::string> ran;
  RegisterShutdownStep(ShutdownStage::Engines, [] { throw std::runtime_error("engine would not stop"); });
  RegisterShutdownStep(ShutdownStage::Singletons, [&] {
    ran.push_back("LoginService");
    // A module that lets go of something registers its own last step while the shutdown runs.
    RegisterShutdownStep(ShutdownStage::Engines, [&] { ran.push_back("late"); });
  });
  RunShutdown();
  EXPECT_EQ(ran, (std::vector<std::string>{"LoginService", "late"}));
}

}  // namespace
}  // namespace nimbrook
