// Language tables: the rules of a table read from a file (through the real profile API under Wine, the
// portable one natively), the choice of language, and lookups while the language is switched.
#include "core/languages.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "core/file_io.h"
#include "core/text.h"
#include "os/profile_file.h"
#include "testing/temp_dir.h"
#include "testing/bytes.h"

namespace nimbrook {
namespace {

using testing::Utf16Le;

class LanguageTableTest : public ::testing::Test {
 protected:
  // Writes language/<code>.lng and loads it into the table.
  size_t LoadFile(const std::wstring& code, const std::string& bytes) {
    EXPECT_TRUE(WriteFileBytes(dir.File(code + L".lng"), bytes));
    table.Select(code, dir.Dir());
    return table.Load();
  }

  testing::TempDir dir;
  LanguageTable table{os::SystemProfile()};
};

TEST_F(LanguageTableTest, MissingIdsShowTheIdItself) {
  EXPECT_EQ(LoadFile(L"eng", "[String]\r\nok=OK\r\nstr_connecting=Connecting\r\n"), 2u);
  EXPECT_EQ(table.Text(L"ok"), L"OK");
  EXPECT_EQ(table.Text(L"str_connecting"), L"Connecting");
  EXPECT_EQ(table.Text(L"str_tap_failed"), L"str_tap_failed");
  EXPECT_EQ(table.Text(L""), L"");
  // Ids are exact: another letter case is another id.
  EXPECT_EQ(table.Text(L"OK"), L"OK");
  EXPECT_EQ(table.Text(L"Str_connecting"), L"Str_connecting");
  // A finished text (not an id) passes through unchanged, as engines send them.
  EXPECT_EQ(table.Text(L"错误691-认证失败"), L"错误691-认证失败");
}

TEST_F(LanguageTableTest, TextKeepsEverythingAfterTheFirstEquals) {
  LoadFile(L"eng", "[String]\r\nformula=a=b==c\r\nempty=\r\n");
  EXPECT_EQ(table.Text(L"formula"), L"a=b==c");
  EXPECT_EQ(table.Text(L"empty"), L"");
}

TEST_F(LanguageTableTest, FirstOfDuplicateIdsWins) {
  LoadFile(L"eng", "[String]\r\nok=First\r\ncancel=Cancel\r\nok=Second\r\n");
  EXPECT_EQ(table.Text(L"ok"), L"First");
  EXPECT_EQ(table.Text(L"cancel"), L"Cancel");
  EXPECT_EQ(table.Size(), 2u);
}

TEST_F(LanguageTableTest, EntryWithoutEqualsIsItsOwnText) {
  LoadFile(L"eng", "[String]\r\nPPTP\r\nok=OK\r\n");
  EXPECT_EQ(table.Text(L"PPTP"), L"PPTP");
  EXPECT_EQ(table.Size(), 2u);
}

TEST_F(LanguageTableTest, OnlyTheStringSectionCounts) {
  LoadFile(L"eng", "[Other]\r\nok=Wrong\r\n[String]\r\nok=OK\r\n[More]\r\ncancel=Wrong\r\n");
  EXPECT_EQ(table.Text(L"ok"), L"OK");
  EXPECT_EQ(table.Text(L"cancel"), L"cancel");
  EXPECT_EQ(table.Size(), 1u);
}

TEST_F(LanguageTableTest, MissingFileOrSectionGivesAnEmptyTable) {
  LoadFile(L"eng", "[String]\r\nok=OK\r\n");
  ASSERT_EQ(table.Text(L"ok"), L"OK");
  // Switching to a language whose file is missing empties the table: nothing of the old one stays.
  table.Select(L"chs", dir.Dir());
  EXPECT_EQ(table.Load(), 0u);
  EXPECT_EQ(table.Text(L"ok"), L"ok");
  EXPECT_EQ(LoadFile(L"cht", "[Strings]\r\nok=OK\r\n"), 0u);
  EXPECT_EQ(table.Text(L"ok"), L"ok");
}

TEST_F(LanguageTableTest, ChineseTextsFromUtf16Files) {
  const std::wstring connecting = text::FromUtf8("正在连接…");
  const std::wstring traditional = text::FromUtf8("正在連線…");
  LoadFile(L"chs", Utf16Le(L"[String]\r\nstr_connecting=" + connecting + L"\r\n"));
  EXPECT_EQ(table.Text(L"str_connecting"), connecting);
  LoadFile(L"cht", Utf16Le(L"[String]\r\nstr_connecting=" + traditional + L"\r\n"));
  EXPECT_EQ(table.Text(L"str_connecting"), traditional);
}

TEST_F(LanguageTableTest, SelectNamesTheFileAndDoesNotLoad) {
  LoadFile(L"eng", "[String]\r\nok=OK\r\n");
  ASSERT_TRUE(WriteFileBytes(dir.File(L"chs.lng"), Utf16Le(L"[String]\r\nok=" + text::FromUtf8("确定") + L"\r\n")));
  EXPECT_EQ(table.Select(L"chs", dir.Dir()), L"chs");
  EXPECT_EQ(table.Current(), L"chs");
  EXPECT_EQ(table.FilePath(), dir.File(L"chs.lng"));
  EXPECT_EQ(table.Text(L"ok"), L"OK");  // the English table stays until Load
  table.Load();
  EXPECT_EQ(table.Text(L"ok"), text::FromUtf8("确定"));
}

TEST_F(LanguageTableTest, UnknownCodesSelectEnglishAndKnownOnesIgnoreCase) {
  EXPECT_EQ(table.Current(), L"");  // nothing chosen before start-up selects
  EXPECT_EQ(table.Select(L"CHT", dir.Dir()), L"cht");
  EXPECT_EQ(table.FilePath(), dir.File(L"cht.lng"));
  // A damaged or hand-edited config.ini must neither leave the windows showing ids nor point the
  // table at a file outside the language directory.
  for (const wchar_t* bad : {L"", L"fra", L"..\\..\\config\\config", L"../eng", L"eng ", L"not found"}) {
    EXPECT_EQ(table.Select(bad, dir.Dir()), L"eng") << text::ToUtf8(bad);
    EXPECT_EQ(table.Current(), L"eng");
    EXPECT_EQ(table.FilePath(), dir.File(L"eng.lng"));
  }
}

TEST(LanguageCodeTest, SystemLocaleChoosesTheFirstLanguage) {
  EXPECT_EQ(LanguageForLcid(1028), L"cht");
  EXPECT_EQ(LanguageForLcid(2052), L"chs");
  for (unsigned long other : {0ul, 1033ul, 0x0409ul, 3076ul, 4100ul, 1041ul, 2057ul, 0xFFFFFFFFul}) {
    EXPECT_EQ(LanguageForLcid(other), L"eng") << other;
  }
  EXPECT_TRUE(IsLanguageCode(SystemLanguage()));
  EXPECT_TRUE(IsLanguageCode(L"chs"));
  EXPECT_FALSE(IsLanguageCode(L"CHS"));
  EXPECT_FALSE(IsLanguageCode(L"en"));
}

TEST(StoreSystemLanguageTest, WritesTheCodeIntoConfigIni) {
  testing::TempDir dir;
  os::ProfileFiles& profile = os::SystemProfile();
  const std::wstring ini = dir.File(L"config.ini");
  ASSERT_TRUE(StoreSystemLanguage(profile, dir.Dir()));
  EXPECT_EQ(profile.ReadString(ini, L"Setting", L"language", L"not found", 1024), SystemLanguage());
  // An existing file keeps its other values.
  ASSERT_TRUE(profile.WriteStringA(ini, "Setting", "username", "alice"));
  ASSERT_TRUE(StoreSystemLanguage(profile, dir.Dir()));
  EXPECT_EQ(profile.ReadStringA(ini, "Setting", "username", "", 1024), "alice");
  // A configuration directory that does not exist cannot take the file.
  EXPECT_FALSE(StoreSystemLanguage(profile, dir.File(L"missing")));
}

// Hands out prepared section entries and records how it was asked.
class ScriptedProfile final : public os::ProfileFiles {
 public:
  std::vector<std::wstring> lines;
  std::wstring askedFile, askedSection;
  size_t askedCapacity = 0;

  std::vector<std::wstring> ReadSection(const std::wstring& file, const std::wstring& section,
                                        size_t capacity) override {
    askedFile = file;
    askedSection = section;
    askedCapacity = capacity;
    return lines;
  }
  std::wstring ReadString(const std::wstring&, const std::wstring&, const std::wstring&, const std::wstring& fallback,
                          size_t) override {
    return fallback;
  }
  bool WriteString(const std::wstring&, const std::wstring&, const std::wstring&, const std::wstring&) override {
    return false;
  }
  std::string ReadStringA(const std::wstring&, const std::string&, const std::string&, const std::string& fallback,
                          size_t) override {
    return fallback;
  }
  bool WriteStringA(const std::wstring&, const std::string&, const std::string&, const std::string&) override {
    return false;
  }
};

TEST(LanguageTableBlockTest, ReadsTheStringSectionInOneBlockAndCutsLongEntries) {
  ScriptedProfile profile;
  const std::wstring longText(3000, L'x');
  profile.lines = {L"long=" + longText, L"=no id", L"ok=OK", L"", L"exact=" + std::wstring(1017, L'y')};
  LanguageTable table(profile);
  table.Select(L"eng", L"lang");
  EXPECT_EQ(table.Load(), 4u);
  EXPECT_EQ(profile.askedFile, JoinPath(L"lang", L"eng.lng"));
  EXPECT_EQ(profile.askedSection, L"String");
  EXPECT_EQ(profile.askedCapacity, 40960u);
  // An entry holds at most 1023 characters, id and "=" included.
  EXPECT_EQ(table.Text(L"long"), longText.substr(0, 1023 - 5));
  EXPECT_EQ(table.Text(L"exact"), std::wstring(1017, L'y'));
  EXPECT_EQ(table.Text(L""), L"no id");
  EXPECT_EQ(table.Text(L"ok"), L"OK");
}

TEST(LanguageTableBlockTest, NothingIsReadBeforeALanguageIsSelected) {
  ScriptedProfile profile;
  profile.lines = {L"ok=OK"};
  LanguageTable table(profile);
  EXPECT_EQ(table.Load(), 0u);
  EXPECT_EQ(profile.askedCapacity, 0u);
  EXPECT_EQ(table.Text(L"ok"), L"ok");
}

TEST(LanguageTableBlockTest, AssignReplacesTheTable) {
  ScriptedProfile profile;
  LanguageTable table(profile);
  table.Assign({{L"ok", L"OK"}});
  EXPECT_EQ(table.Text(L"ok"), L"OK");
  table.Assign({});
  EXPECT_EQ(table.Text(L"ok"), L"ok");
}

// Workers look texts up while the UI thread switches languages: every answer is a whole text of one
// of the tables, never a torn or freed one.
TEST(LanguageTableConcurrencyTest, LookupsDuringSwitchesSeeWholeTables) {
  testing::TempDir dir;
  std::string eng = "[String]\r\n", chs = "[String]\r\n";
  for (int i = 0; i < 200; ++i) {
    eng += "id" + std::to_string(i) + "=english text number " + std::to_string(i) + "\r\n";
    chs += "id" + std::to_string(i) + "=chinese text number " + std::to_string(i) + "\r\n";
  }
  ASSERT_TRUE(WriteFileBytes(dir.File(L"eng.lng"), eng));
  ASSERT_TRUE(WriteFileBytes(dir.File(L"chs.lng"), chs));
  LanguageTable table(os::SystemProfile());
  table.Select(L"eng", dir.Dir());
  ASSERT_EQ(table.Load(), 200u);

  std::atomic<bool> stop{false};
  std::atomic<int> bad{0};
  std::atomic<long> lookups{0};
  std::vector<std::thread> workers;
  for (int w = 0; w < 3; ++w) {
    workers.emplace_back([&, w] {
      for (int n = 0; !stop.load() || n < 1000; ++n) {
        const int i = (n * 7 + w) % 200;
        const std::wstring got = table.Text(L"id" + std::to_wstring(i));
        const std::wstring suffix = L" text number " + std::to_wstring(i);
        if (got != L"english" + suffix && got != L"chinese" + suffix) ++bad;
        ++lookups;
      }
    });
  }
  for (int round = 0; round < 60; ++round) {
    table.Select(round % 2 ? L"eng" : L"chs", dir.Dir());
    EXPECT_EQ(table.Load(), 200u);
  }
  stop = true;
  for (auto& worker : workers) worker.join();
  EXPECT_EQ(bad.load(), 0);
  EXPECT_GE(lookups.load(), 3000);
}

TEST(ProcessLanguagesTest, FreeFunctionsUseTheProcessTable) {
  testing::TempDir dir;
  ProcessPaths paths = ComputePaths(dir.File(L"Nimbrook.exe"));
  const ProcessPaths saved = Paths();
  SetProcessPaths(paths);
  ASSERT_TRUE(CreateDirectoryIfMissing(paths.languageDir));
  ASSERT_TRUE(WriteFileBytes(JoinPath(paths.languageDir, L"eng.lng"), "[String]\r\nok=OK\r\n"));
  SelectLanguage(L"eng");
  LoadLanguage();
  EXPECT_EQ(CurrentLanguage(), L"eng");
  EXPECT_EQ(Text(L"ok"), L"OK");
  EXPECT_EQ(Text(L"cancel"), L"cancel");
  SelectLanguage(L"cht");
  LoadLanguage();
  EXPECT_EQ(CurrentLanguage(), L"cht");
  EXPECT_EQ(Text(L"ok"), L"ok");
  ProcessLanguages().Assign({});
  SetProcessPaths(saved);
}

}  // namespace
}  // namespace nimbrook
