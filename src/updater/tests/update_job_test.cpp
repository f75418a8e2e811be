#include <gtest/gtest.h>

#include <filesystem>

#include "account/descriptor_cipher.h"
#include "core/file_io.h"
#include "core/paths.h"
#include "os/process_list.h"
#include "release_trust/tests/release_trust_vectors.h"
#include "testing/temp_dir.h"
#include "updater/update_job.h"
#include "updater_test_support.h"
#include "os/file_replace.h"

namespace nimbrook {
namespace {

using testing::FakeDownloader;
using testing::RecordingReporter;

constexpr wchar_t kBase[] = L"http://127.0.0.1:8080/releases/1.5.1";

class UpdateJobTest : public ::testing::Test {
 protected:
  UpdateJobTest() : paths_(ComputeUpdaterPaths(dir_.Dir())) {
    EXPECT_TRUE(CreateDirectoryIfMissing(JoinPath(dir_.Dir(), L"config")));
    env_.downloader = &downloader_;
    env_.processes = &processes_;
    env_.sleep = [this](int ms) { slept_.push_back(ms); };
    env_.releasePublicKey = "";  // the tests of the job itself run without a key
  }

  // update.ini as the client writes it: the enciphered base and one "name=stamp" line per file.
  void WriteUpdateIni(const std::vector<std::string>& names, const std::string& base = "http://127.0.0.1:8080/releases/1.5.1/") {
    std::string text = "[URL]\r\ndownloadURL=" + EncodeDescriptorValue(base) + "\r\n[FILES]\r\n";
    for (const auto& name : names) text += name + "=stamp\r\n";
    ASSERT_TRUE(WriteFileBytes(paths_.updateIni, text));
  }
  void WriteDescriptors() {
    ASSERT_TRUE(WriteFileBytes(paths_.versionIni, "old descriptor"));
    ASSERT_TRUE(WriteFileBytes(paths_.newVersionIni, "new descriptor"));
  }
  std::string Read(const std::wstring& path) {
    std::string bytes;
    EXPECT_TRUE(ReadFileBytes(path, bytes)) << std::filesystem::path(path).string();
    return bytes;
  }
  std::wstring InProgram(const std::wstring& rel) { return JoinPath(dir_.Dir(), ToNativeSeparators(rel)); }
  void Answer(const std::wstring& rel, std::vector<FakeDownloader::Answer> answers) {
    downloader_.answers[std::wstring(kBase) + L"/" + rel] = std::move(answers);
  }
  UpdateJob Job() { return UpdateJob(paths_, env_, reporter_); }

  // No ".tmp" file anywhere under the program directory.
  bool NoTemporaryFiles() {
    for (const auto& entry : std::filesystem::recursive_directory_iterator(dir_.Path())) {
      if (entry.path().extension() == ".tmp") return false;
    }
    return true;
  }

  testing::TempDir dir_;
  UpdaterPaths paths_;
  FakeDownloader downloader_;
  os::FakeProcessList processes_;
  std::vector<int> slept_;
  RecordingReporter reporter_;
  UpdateJobEnvironment env_;
};

TEST_F(UpdateJobTest, ReplacesEveryFileCreatesSubdirectoriesAndInstallsTheDescriptor) {
  WriteUpdateIni({"Nimbrook.exe", "docs\\changelog.txt", "a/b/c.txt"});
  WriteDescriptors();
  ASSERT_TRUE(WriteFileBytes(InProgram(L"Nimbrook.exe"), "old exe"));
  Answer(L"Nimbrook.exe", {{0, "new exe"}});
  Answer(L"docs\\changelog.txt", {{0, "changes"}});
  Answer(L"a/b/c.txt", {{0, "deep"}});

  UpdateJob job = Job();
  EXPECT_EQ(job.RunWorker(), UpdateOutcome::kSucceeded);
  EXPECT_TRUE(job.Succeeded());
  EXPECT_EQ(job.Listed(), 3u);
  EXPECT_EQ(job.Replaced(), 3u);
  EXPECT_EQ(Read(InProgram(L"Nimbrook.exe")), "new exe");
  EXPECT_EQ(Read(InProgram(L"docs/changelog.txt")), "changes");
  EXPECT_EQ(Read(InProgram(L"a/b/c.txt")), "deep");
  // One slash between base and name although the base ended with one.
  EXPECT_EQ(downloader_.urls, (std::vector<std::wstring>{std::wstring(kBase) + L"/Nimbrook.exe",
                                                          std::wstring(kBase) + L"/docs\\changelog.txt",
                                                          std::wstring(kBase) + L"/a/b/c.txt"}));
  EXPECT_EQ(Read(paths_.versionIni), "new descriptor");
  EXPECT_FALSE(FileExists(paths_.newVersionIni));
  EXPECT_FALSE(FileExists(paths_.updateIni));
  EXPECT_TRUE(NoTemporaryFiles());
  EXPECT_EQ(reporter_.shown.size(), 3u);
  EXPECT_EQ(reporter_.rows, (std::vector<std::wstring>{L"0:Nimbrook.exe:updating", L"0:Nimbrook.exe:done",
                                                        L"1:docs\\changelog.txt:updating", L"1:docs\\changelog.txt:done",
                                                        L"2:a/b/c.txt:updating", L"2:a/b/c.txt:done"}));
  EXPECT_EQ(reporter_.completed, 1);
  EXPECT_TRUE(reporter_.messages.empty());
}

TEST_F(UpdateJobTest, OneFailedAttemptIsRetriedOnce) {
  WriteUpdateIni({"readme.txt"});
  Answer(L"readme.txt", {{12030, "par"}, {0, "whole"}});
  UpdateJob job = Job();
  EXPECT_EQ(job.Run(), UpdateOutcome::kSucceeded);
  EXPECT_EQ(downloader_.urls.size(), 2u);
  EXPECT_EQ(Read(InProgram(L"readme.txt")), "whole");
}

TEST_F(UpdateJobTest, TwoFailedAttemptsKeepTheOldFileAndRemoveTheHandOverFiles) {
  WriteUpdateIni({"first.txt", "readme.txt", "later.txt"});
  WriteDescriptors();
  ASSERT_TRUE(WriteFileBytes(InProgram(L"readme.txt"), "old readme"));
  Answer(L"first.txt", {{0, "first"}});
  Answer(L"readme.txt", {{12030, "partial"}});  // cut mid-body both times
  Answer(L"later.txt", {{0, "later"}});

  UpdateJob job = Job();
  EXPECT_EQ(job.RunWorker(), UpdateOutcome::kFailed);
  EXPECT_FALSE(job.Succeeded());
  EXPECT_EQ(job.Replaced(), 1u);
  EXPECT_EQ(downloader_.urls.size(), 3u);  // first, then readme twice; the loop ends there
  EXPECT_EQ(Read(InProgram(L"first.txt")), "first");  // replaced before the failure: stays
  EXPECT_EQ(Read(InProgram(L"readme.txt")), "old readme");
  EXPECT_FALSE(FileExists(InProgram(L"later.txt")));
  EXPECT_TRUE(NoTemporaryFiles());
  EXPECT_FALSE(FileExists(paths_.updateIni));
  EXPECT_FALSE(FileExists(paths_.newVersionIni));
  EXPECT_EQ(Read(paths_.versionIni), "old descriptor");
  EXPECT_EQ(reporter_.completed, 0);
  EXPECT_EQ(reporter_.messages, std::vector<UpdateMessage>{UpdateMessage::kUpdateFailed});
}

TEST_F(UpdateJobTest, AnEmptyOrMissingBodyNeverReplacesAnInstalledFile) {
  for (const auto& answers : std::vector<std::vector<FakeDownloader::Answer>>{{{0, ""}}, {{404, ""}}}) {
    WriteUpdateIni({"readme.txt"});
    ASSERT_TRUE(WriteFileBytes(InProgram(L"readme.txt"), "old readme"));
    Answer(L"readme.txt", answers);
    UpdateJob job = Job();
    EXPECT_EQ(job.Run(), UpdateOutcome::kFailed) << answers[0].result;
    EXPECT_EQ(Read(InProgram(L"readme.txt")), "old readme");
    EXPECT_TRUE(NoTemporaryFiles());
  }
}

TEST_F(UpdateJobTest, HostileNamesFailTheRunBeforeAnythingIsFetched) {
  const std::filesystem::path outside = dir_.Path().parent_path() / "nimbrook-updater-outside.txt";
  for (const std::string name : {"..\\x", "../x", "docs\\..\\..\\x", "C:\\x", "c:x", "\\\\host\\share\\x", "//host/x",
                                 "/etc/x", "\\x", "docs\\", "...\\x"}) {
    WriteUpdateIni({"good.txt", name});
    WriteDescriptors();
    downloader_.urls.clear();
    Answer(L"good.txt", {{0, "good"}});
    UpdateJob job = Job();
    EXPECT_EQ(job.RunWorker(), UpdateOutcome::kFailed) << name;
    EXPECT_TRUE(downloader_.urls.empty()) << name;
    EXPECT_FALSE(FileExists(InProgram(L"good.txt"))) << name;
    EXPECT_FALSE(std::filesystem::exists(outside)) << name;
    EXPECT_FALSE(FileExists(paths_.updateIni)) << name;
    EXPECT_EQ(Read(paths_.versionIni), "old descriptor") << name;
  }
}

TEST(IsAcceptableFileName, PlainRelativeNamesOnly) {
  for (const wchar_t* good : {L"Nimbrook.exe", L"docs\\changelog.txt", L"a/b/c.txt", L"./readme.txt", L"console.txt",
                              L"COM10.txt", L"LPT0", L"docs\\nulled.txt"}) {
    EXPECT_TRUE(IsAcceptableFileName(good)) << std::filesystem::path(good).string();
  }
  for (const wchar_t* bad : {L"", L"..\\x", L"a/../../x", L"C:\\x", L"c:x", L"\\\\host\\x", L"/etc/x", L"\\x",
                             L"docs/", L"a.txt:stream", L"CON", L"nul.txt", L"docs\\Com1.tmp", L"lpt9", L"AUX .txt",
                             L"conout$"}) {
    EXPECT_FALSE(IsAcceptableFileName(bad)) << std::filesystem::path(bad).string();
  }
}

TEST_F(UpdateJobTest, DoubledBackslashesAreReducedOnce) {
  WriteUpdateIni({"docs\\\\license.txt"});
  downloader_.answers[std::wstring(kBase) + L"/docs\\license.txt"] = {{0, "license"}};
  EXPECT_EQ(Job().Run(), UpdateOutcome::kSucceeded);
  EXPECT_EQ(Read(InProgram(L"docs/license.txt")), "license");
}

TEST_F(UpdateJobTest, TheUpdaterItselfIsListedButNeverFetched) {
  WriteUpdateIni({"Update.exe", "readme.txt"});
  WriteDescriptors();
  Answer(L"readme.txt", {{0, "readme"}});
  UpdateJob job = Job();
  EXPECT_EQ(job.RunWorker(), UpdateOutcome::kFailed);
  EXPECT_EQ(job.Listed(), 2u);
  EXPECT_EQ(job.Replaced(), 1u);
  EXPECT_EQ(downloader_.urls, std::vector<std::wstring>{std::wstring(kBase) + L"/readme.txt"});
  EXPECT_EQ(Read(paths_.versionIni), "old descriptor");  // not installed without success
  EXPECT_EQ(reporter_.messages, std::vector<UpdateMessage>{UpdateMessage::kUpdateFailed});
}

TEST_F(UpdateJobTest, AnEmptyListEndsAtOnceAndRemovesBothHandOverFiles) {
  WriteUpdateIni({});
  WriteDescriptors();
  UpdateJob job = Job();
  EXPECT_EQ(job.RunWorker(), UpdateOutcome::kNothingToUpdate);
  EXPECT_FALSE(FileExists(paths_.updateIni));
  EXPECT_FALSE(FileExists(paths_.newVersionIni));
  EXPECT_EQ(Read(paths_.versionIni), "old descriptor");
  EXPECT_TRUE(reporter_.shown.empty());
  EXPECT_TRUE(reporter_.messages.empty());
}

TEST_F(UpdateJobTest, MissingDownloadBaseShowsTheIniErrorAndFailsWithoutFetching) {
  ASSERT_TRUE(WriteFileBytes(paths_.updateIni, "[FILES]\r\nreadme.txt=1\r\n"));
  UpdateJob job = Job();
  EXPECT_EQ(job.RunWorker(), UpdateOutcome::kFailed);
  EXPECT_TRUE(downloader_.urls.empty());
  EXPECT_EQ(reporter_.messages,
            (std::vector<UpdateMessage>{UpdateMessage::kIniError, UpdateMessage::kUpdateFailed}));
}

TEST_F(UpdateJobTest, WaitsForTheClientToExit) {
  WriteUpdateIni({"readme.txt"});
  Answer(L"readme.txt", {{0, "readme"}});
  processes_.stillRunningLooks = 3;
  UpdateJob job = Job();
  EXPECT_EQ(job.RunWorker(), UpdateOutcome::kSucceeded);
  EXPECT_EQ(processes_.looks, 4);
  EXPECT_EQ(slept_, (std::vector<int>{50, 50, 50}));
}

TEST_F(UpdateJobTest, GivesUpAfterAHundredLooksAndTouchesNothing) {
  WriteUpdateIni({"readme.txt"});
  WriteDescriptors();
  processes_.running = {L"Nimbrook.exe"};
  UpdateJob job = Job();
  EXPECT_EQ(job.RunWorker(), UpdateOutcome::kClientStillRunning);
  EXPECT_EQ(processes_.looks, 100);
  EXPECT_EQ(slept_.size(), 99u);
  EXPECT_TRUE(downloader_.urls.empty());
  EXPECT_TRUE(FileExists(paths_.updateIni));
  EXPECT_TRUE(FileExists(paths_.newVersionIni));
  EXPECT_EQ(reporter_.messages, std::vector<UpdateMessage>{UpdateMessage::kClientStillRunning});
}

TEST_F(UpdateJobTest, OnlyTheExactClientNameCounts) {
  processes_.running = {L"nimbrook.exe", L"Nimbrook.exe.bak"};
  EXPECT_TRUE(Job().WaitForClient());
  EXPECT_EQ(processes_.looks, 1);
}

TEST_F(UpdateJobTest, AFailedReplacementKeepsTheOldFileAndIsLogged) {
  WriteUpdateIni({"readme.txt"});
  ASSERT_TRUE(WriteFileBytes(InProgram(L"readme.txt"), "old readme"));
  Answer(L"readme.txt", {{0, "new readme"}});
  env_.replaceFile = [](const std::wstring&, const std::wstring&) { return false; };
  EXPECT_EQ(Job().Run(), UpdateOutcome::kFailed);
  EXPECT_EQ(Read(InProgram(L"readme.txt")), "old readme");
  EXPECT_TRUE(NoTemporaryFiles());
  EXPECT_NE(Read(paths_.logFile).find("重命名文件 readme.txt失败\n"), std::string::npos);
}

TEST_F(UpdateJobTest, TheRealReplacementOverwritesAnExistingFile) {
  ASSERT_TRUE(WriteFileBytes(InProgram(L"a.txt.tmp"), "new"));
  ASSERT_TRUE(WriteFileBytes(InProgram(L"a.txt"), "old"));
  ASSERT_TRUE(os::ReplaceFileAtomically(InProgram(L"a.txt.tmp"), InProgram(L"a.txt")));
  EXPECT_EQ(Read(InProgram(L"a.txt")), "new");
  EXPECT_FALSE(FileExists(InProgram(L"a.txt.tmp")));
  EXPECT_FALSE(os::ReplaceFileAtomically(InProgram(L"missing.tmp"), InProgram(L"a.txt")));
  EXPECT_EQ(Read(InProgram(L"a.txt")), "new");
}

// The signed vector lists Nimbrook.exe with the digest of "a" (and no other file).
const std::string kSignedNew = testing::kSignedLf + ";signature=" + testing::kSigLf + "\r\n";

TEST_F(UpdateJobTest, WithAKeyOnlyFilesMatchingTheSignedDigestsReplaceAnything) {
  env_.releasePublicKey = testing::kTestKey;
  struct Case {
    const char* what;
    std::string descriptor;
    std::vector<FakeDownloader::Answer> answers;
    bool succeeds;
  };
  const std::vector<Case> cases = {
      {"matching", kSignedNew, {{0, "a"}}, true},
      {"altered once, then matching", kSignedNew, {{0, "b"}, {0, "a"}}, true},
      {"altered twice", kSignedNew, {{0, "b"}, {0, "ab"}}, false},
      {"unsigned", testing::kSignedLf, {{0, "a"}}, false},
      {"signed by another key", testing::kSignedLf + ";signature=" + testing::kSigOtherKey + "\n", {{0, "a"}}, false},
  };
  for (const Case& c : cases) {
    WriteUpdateIni({"Nimbrook.exe"});
    ASSERT_TRUE(WriteFileBytes(paths_.versionIni, "old descriptor"));
    ASSERT_TRUE(WriteFileBytes(paths_.newVersionIni, c.descriptor));
    ASSERT_TRUE(WriteFileBytes(InProgram(L"Nimbrook.exe"), "old exe"));
    downloader_.urls.clear();
    Answer(L"Nimbrook.exe", c.answers);

    UpdateJob job = Job();
    EXPECT_EQ(job.Run(), c.succeeds ? UpdateOutcome::kSucceeded : UpdateOutcome::kFailed) << c.what;
    EXPECT_EQ(Read(InProgram(L"Nimbrook.exe")), c.succeeds ? "a" : "old exe") << c.what;
    EXPECT_EQ(Read(paths_.versionIni), c.succeeds ? c.descriptor : "old descriptor") << c.what;
    EXPECT_FALSE(FileExists(paths_.updateIni)) << c.what;
    EXPECT_TRUE(NoTemporaryFiles()) << c.what;
  }
  // A refused descriptor fails the run before anything is fetched.
  EXPECT_TRUE(downloader_.urls.empty());
  std::string log;
  ASSERT_TRUE(ReadFileBytes(paths_.logFile, log));
  EXPECT_NE(log.find("new_version.ini签名无效"), std::string::npos);
  EXPECT_NE(log.find("文件校验失败 Nimbrook.exe"), std::string::npos);
}

TEST_F(UpdateJobTest, WithAKeyAFileTheSignedDescriptorDoesNotListIsNotInstalled) {
  env_.releasePublicKey = testing::kTestKey;
  WriteUpdateIni({"Nimbrook.exe", "readme.txt"});
  ASSERT_TRUE(WriteFileBytes(paths_.newVersionIni, kSignedNew));
  Answer(L"Nimbrook.exe", {{0, "a"}});
  Answer(L"readme.txt", {{0, "readme"}});
  UpdateJob job = Job();
  EXPECT_EQ(job.Run(), UpdateOutcome::kFailed);
  EXPECT_FALSE(FileExists(InProgram(L"readme.txt")));
}

TEST_F(UpdateJobTest, WithoutAKeyListedDigestsAreStillChecked) {
  WriteUpdateIni({"Nimbrook.exe", "readme.txt"});
  ASSERT_TRUE(WriteFileBytes(paths_.newVersionIni, testing::kSignedLf));  // unsigned, digest of "a" only
  ASSERT_TRUE(WriteFileBytes(InProgram(L"Nimbrook.exe"), "old exe"));
  Answer(L"Nimbrook.exe", {{0, "cut"}});
  Answer(L"readme.txt", {{0, "readme"}});
  EXPECT_EQ(Job().Run(), UpdateOutcome::kFailed);
  EXPECT_EQ(Read(InProgram(L"Nimbrook.exe")), "old exe");

  WriteUpdateIni({"Nimbrook.exe", "readme.txt"});
  ASSERT_TRUE(WriteFileBytes(paths_.newVersionIni, testing::kSignedLf));
  Answer(L"Nimbrook.exe", {{0, "a"}});
  EXPECT_EQ(Job().Run(), UpdateOutcome::kSucceeded);  // readme.txt has no digest: taken as before
  EXPECT_EQ(Read(InProgram(L"readme.txt")), "readme");
}

}  // namespace
}  // namespace nimbrook
