// Runs natively against the portable INI implementation and under Wine against the real profile API
// (os::SystemProfile in both), each test in a directory of its own.
#include "core/settings.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <memory>
#include <thread>

#include "core/file_io.h"
#include "core/paths.h"
#include "core/text.h"
#include "os/module_path.h"
#include "testing/temp_dir.h"
#include "testing/bytes.h"

namespace nimbrook {
namespace {

using namespace std::chrono_literals;

constexpr char kMissing[] = "<missing>";

using testing::Utf16Le;

// The file's lines as wide text (UTF-16LE with a byte-order mark, or ANSI).
std::vector<std::wstring> FileLines(const std::wstring& path) {
  std::string bytes;
  if (!ReadFileBytes(path, bytes)) return {};
  std::wstring content;
  if (bytes.size() >= 2 && bytes.compare(0, 2, "\xFF\xFE") == 0) {
    for (size_t i = 2; i + 1 < bytes.size(); i += 2) {
      content.push_back(static_cast<wchar_t>(static_cast<unsigned char>(bytes[i]) |
                                             (static_cast<unsigned char>(bytes[i + 1]) << 8)));
    }
  } else {
    content = text::FromAnsi(bytes);
  }
  std::vector<std::wstring> lines;
  std::wstring line;
  for (const wchar_t c : content) {
    if (c == L'\n') {
      lines.push_back(line);
      line.clear();
    } else if (c != L'\r') {
      line.push_back(c);
    }
  }
  if (!line.empty()) lines.push_back(line);
  return lines;
}

// The key names of section [Setting] in file order.
std::vector<std::string> SettingKeysInFile(const std::wstring& path) {
  std::vector<std::string> keys;
  bool inSetting = false;
  for (const auto& line : FileLines(path)) {
    if (!line.empty() && line.front() == L'[') {
      inSetting = line == L"[Setting]";
      continue;
    }
    const auto eq = line.find(L'=');
    if (inSetting && eq != std::wstring::npos) keys.push_back(text::WideToAscii(line.substr(0, eq)));
  }
  return keys;
}

class SettingsTest : public ::testing::Test {
 protected:
  std::unique_ptr<Settings> Loaded() {
    auto settings = std::make_unique<Settings>(profile, ini);
    settings->Load();
    return settings;
  }
  void WriteIni(const std::string& bytes) { ASSERT_TRUE(WriteFileBytes(ini, bytes)); }
  std::string Stored(const char* key) { return profile.ReadStringA(ini, "Setting", key, kMissing, 1 << 16); }

  os::ProfileFiles& profile = os::SystemProfile();
  testing::TempDir dir;
  std::wstring ini = dir.File(L"config.ini");
};

TEST_F(SettingsTest, MissingFileLoadsEmptyAndSaveWritesEveryKeyButTheTagsInOrder) {
  auto settings = Loaded();
  const Settings& s = *settings;
  for (const std::string& value :
       {s.UserChoosedProtocol(), s.Source(), s.Refer(), s.Username(), s.Password(), s.AutoLogin(), s.RemberPw(),
        s.Reconn(), s.Hide(), s.Autorun(), s.ProxyMode(), s.ProxyAddr(), s.ProxyPort(), s.Language(),
        s.DefaultDns(), s.UseDns(), s.AdsNotifyDate(), s.FreeNotifyDate(), s.VipNotifyDate()}) {
    EXPECT_EQ(value, "");
  }
  EXPECT_EQ(s.DnsList(), std::vector<std::string>{""});
  EXPECT_FALSE(s.IsAutoLogin() || s.IsRemberPw() || s.IsReconn() || s.IsHide() || s.IsAutorun());
  EXPECT_FALSE(FileExists(ini));

  ASSERT_TRUE(settings->Save());
  const std::vector<std::string> expected = {
      "username", "password",   "auto_login", "rember_pw",       "reconn",           "hide",
      "autorun",  "proxy_mode", "proxy_addr", "proxy_port",      "language",         "defaultdns",
      "use_dns",  "ads_notify_date", "free_notify_date", "vip_notify_date", "UserChoosedProtocol"};
  EXPECT_EQ(SettingKeysInFile(ini), expected);
  for (const auto& key : expected) EXPECT_EQ(Stored(key.c_str()), "") << key;
  EXPECT_EQ(Stored("source"), kMissing);
  EXPECT_EQ(Stored("refer"), kMissing);
}

TEST_F(SettingsTest, EveryKeyLoadsAndTheTagsAreNeverWrittenBack) {
  WriteIni(
      "[Setting]\r\nUserChoosedProtocol=OVPN-TCP\r\nsource=partner7\r\nrefer=friend\r\nusername=alice\r\n"
      "password=c2VjcmV0\r\nauto_login=1\r\nrember_pw=1\r\nreconn=0\r\nhide=2\r\nautorun=true\r\n"
      "proxy_mode=3\r\nproxy_addr=10.0.0.1\r\nproxy_port=8080\r\nlanguage=chs\r\ndefaultdns=8.8.8.8,1.1.1.1\r\n"
      "use_dns=true\r\nads_notify_date=2024-01-01\r\nfree_notify_date=2024-01-02\r\nvip_notify_date=2024-01-03\r\n");
  auto s = Loaded();
  EXPECT_EQ(s->UserChoosedProtocol(), "OVPN-TCP");
  EXPECT_EQ(s->Source(), "partner7");
  EXPECT_EQ(s->Refer(), "friend");
  EXPECT_EQ(s->Username(), "alice");
  EXPECT_EQ(s->Password(), "secret");
  EXPECT_EQ(s->ProxyMode(), "3");
  EXPECT_EQ(s->ProxyAddr(), "10.0.0.1");
  EXPECT_EQ(s->ProxyPort(), "8080");
  EXPECT_EQ(s->Language(), "chs");
  EXPECT_EQ(s->UseDns(), "true");
  EXPECT_EQ(s->AdsNotifyDate(), "2024-01-01");
  EXPECT_EQ(s->FreeNotifyDate(), "2024-01-02");
  EXPECT_EQ(s->VipNotifyDate(), "2024-01-03");
  // Flags are on when their leading integer is not 0.
  EXPECT_TRUE(s->IsAutoLogin());
  EXPECT_FALSE(s->IsReconn());
  EXPECT_TRUE(s->IsHide());
  EXPECT_FALSE(s->IsAutorun());
  const LoginValues login = s->ForLogin();
  EXPECT_EQ(login.username, "alice");
  EXPECT_EQ(login.password, "secret");
  EXPECT_EQ(login.source, "partner7");

  // Someone else changes the tags in the file; the save leaves them alone.
  ASSERT_TRUE(profile.WriteStringA(ini, "Setting", "source", "changed"));
  ASSERT_TRUE(profile.WriteStringA(ini, "Setting", "refer", "changed too"));
  s->SetReconn(true);
  s->SetAutorun(false);
  ASSERT_TRUE(s->Save());
  EXPECT_EQ(Stored("source"), "changed");
  EXPECT_EQ(Stored("refer"), "changed too");
  EXPECT_EQ(Stored("reconn"), "1");
  EXPECT_EQ(Stored("autorun"), "0");
  EXPECT_EQ(Stored("hide"), "2");  // saved as loaded
  EXPECT_EQ(Stored("proxy_mode"), "3");
  EXPECT_EQ(Stored("proxy_addr"), "10.0.0.1");
  EXPECT_EQ(Stored("proxy_port"), "8080");
  EXPECT_EQ(Stored("defaultdns"), "8.8.8.8,1.1.1.1");
  EXPECT_EQ(Stored("UserChoosedProtocol"), "OVPN-TCP");
}

TEST_F(SettingsTest, TheNotFoundTextLoadsAsEmpty) {
  WriteIni("[Setting]\r\nusername=not found\r\nsource=not found\r\nlanguage=not founder\r\n");
  auto s = Loaded();
  EXPECT_EQ(s->Username(), "");
  EXPECT_EQ(s->Source(), "");
  EXPECT_EQ(s->Language(), "not founder");
}

TEST_F(SettingsTest, OnlyRemberPwExactlyOneStoresThePassword) {
  for (const char* remember : {"1", "true", "11", "0", ""}) {
    SCOPED_TRACE(remember);
    WriteIni(std::string("[Setting]\r\npassword=c2VjcmV0\r\nrember_pw=") + remember + "\r\n");
    auto s = Loaded();
    EXPECT_EQ(s->Password(), "secret");
    EXPECT_EQ(s->IsRemberPw(), remember == std::string("1") || remember == std::string("11"));
    ASSERT_TRUE(s->Save());
    EXPECT_EQ(Stored("password"), remember == std::string("1") ? "c2VjcmV0" : "");
    EXPECT_EQ(Stored("rember_pw"), remember);
  }
}

TEST_F(SettingsTest, FlagSettersStoreOneOrZero) {
  auto s = Loaded();
  s->SetAutoLogin(true);
  s->SetRemberPw(false);
  s->SetHide(true);
  EXPECT_EQ(s->AutoLogin(), "1");
  EXPECT_EQ(s->RemberPw(), "0");
  EXPECT_TRUE(s->IsHide());
  ASSERT_TRUE(s->Save());
  EXPECT_EQ(Stored("auto_login"), "1");
  EXPECT_EQ(Stored("rember_pw"), "0");
  EXPECT_EQ(Stored("hide"), "1");
}

TEST_F(SettingsTest, DefaultDnsSplitsAtEveryComma) {
  const std::vector<std::pair<std::string, std::vector<std::string>>> cases = {
      {"8.8.8.8,", {"8.8.8.8", ""}},
      {"8.8.8.8,1.1.1.1", {"8.8.8.8", "1.1.1.1"}},
      {"", {""}},
      {"8.8.8.8", {"8.8.8.8"}},
      {",", {"", ""}},
      {"1.1.1.1,,9.9.9.9,", {"1.1.1.1", "", "9.9.9.9", ""}},
  };
  for (const auto& [stored, entries] : cases) {
    SCOPED_TRACE(stored);
    WriteIni("[Setting]\r\ndefaultdns=" + stored + "\r\n");
    auto s = Loaded();
    EXPECT_EQ(s->DnsList(), entries);
    ASSERT_TRUE(s->Save());
    EXPECT_EQ(Stored("defaultdns"), stored);
  }
}

TEST_F(SettingsTest, RememberedPasswordsRoundTripThroughTheFileOnOneLine) {
  const std::string longPassword = "Lorem9ipsum0dolor1sit2amet3consectetur4adipiscing5elit6sed7do8eiusmod9tempor";
  for (const std::string& password :
       {std::string("secret"), std::string("a"), std::string("p@ss:w;rd= [x]"), std::string("\xE9t\xE9\x80\xFF"),
        longPassword, longPassword + longPassword, std::string()}) {
    SCOPED_TRACE(password);
    RemoveFile(ini);
    {
      auto s = Loaded();
      s->SetPassword(password);
      s->SetRemberPw(true);
      ASSERT_TRUE(s->Save());
    }
    EXPECT_EQ(Loaded()->Password(), password);
    // The encoding sits on one line: the 76-character line breaks of the codec would cut it.
    int passwordLines = 0;
    for (const auto& line : FileLines(ini)) {
      if (line.rfind(L"password=", 0) == 0) ++passwordLines;
    }
    EXPECT_EQ(passwordLines, 1);
    std::string stored = Base64().Encode(password);
    stored.erase(std::remove(stored.begin(), stored.end(), '\r'), stored.end());
    stored.erase(std::remove(stored.begin(), stored.end(), '\n'), stored.end());
    EXPECT_EQ(Stored("password"), stored);
  }
}

TEST_F(SettingsTest, AStoredPasswordThatIsNotBase64LoadsEmpty) {
  for (const char* stored : {"hunter2!", "abc", "c2VjcmV0=", "c2Vj=mV0", "====", "c2Vj cmV0", "c2VjcmV0\x80"}) {
    SCOPED_TRACE(stored);
    WriteIni(std::string("[Setting]\r\npassword=") + stored + "\r\nrember_pw=1\r\n");
    auto s = Loaded();
    EXPECT_EQ(s->Password(), "");
    ASSERT_TRUE(s->Save());
    EXPECT_EQ(Stored("password"), "");
  }
  WriteIni("[Setting]\r\npassword=c2VjcmU=\r\n");
  EXPECT_EQ(Loaded()->Password(), "secre");
}

TEST_F(SettingsTest, NotifyDatesReachTheFileAtOnce) {
  auto s = Loaded();
  s->SetUsername("alice");
  EXPECT_TRUE(s->SetAdsNotifyDate("2024-05-01"));
  EXPECT_EQ(Stored("ads_notify_date"), "2024-05-01");
  EXPECT_TRUE(s->SetFreeNotifyDate("2024-05-02"));
  EXPECT_EQ(Stored("free_notify_date"), "2024-05-02");
  EXPECT_TRUE(s->SetVipNotifyDate("2024-05-03"));
  EXPECT_EQ(Stored("vip_notify_date"), "2024-05-03");
  EXPECT_EQ(s->VipNotifyDate(), "2024-05-03");
  // Everything else waits for the save.
  EXPECT_EQ(Stored("username"), kMissing);
  EXPECT_EQ(Loaded()->AdsNotifyDate(), "2024-05-01");
}

TEST_F(SettingsTest, ValuesLongerThanTheFirstReadAreKeptWhole) {
  std::string longValue;
  for (int i = 0; longValue.size() < 3000; ++i) longValue += std::to_string(i) + ";";
  const std::string exactly1023(1023, 'a');
  const std::string exactly1024(1024, 'b');
  WriteIni("[Setting]\r\nproxy_addr=" + longValue + "\r\nproxy_mode=" + exactly1023 + "\r\nproxy_port=" +
           exactly1024 + "\r\nusername=bob\r\n");
  auto s = Loaded();
  EXPECT_EQ(s->ProxyAddr(), longValue);
  EXPECT_EQ(s->ProxyMode(), exactly1023);
  EXPECT_EQ(s->ProxyPort(), exactly1024);
  EXPECT_EQ(s->Username(), "bob");
  ASSERT_TRUE(s->Save());
  EXPECT_EQ(Stored("proxy_addr"), longValue);
  EXPECT_EQ(Stored("proxy_port"), exactly1024);
}

TEST_F(SettingsTest, AValueTooLongToLoadIsNotReplacedByItsBeginning) {
  const std::string huge((size_t{1} << 16) + 100, 'h');
  WriteIni("[Setting]\r\nproxy_addr=" + huge + "\r\n");
  auto s = Loaded();
  EXPECT_LT(s->ProxyAddr().size(), huge.size());
  EXPECT_EQ(s->ProxyAddr(), huge.substr(0, s->ProxyAddr().size()));
  ASSERT_TRUE(s->Save());
  EXPECT_EQ(profile.ReadStringA(ini, "Setting", "proxy_addr", "", huge.size() + 2), huge);
  EXPECT_EQ(Stored("username"), "");  // the other keys were written
}

TEST_F(SettingsTest, LineBreaksInValuesCannotAddKeys) {
  auto s = Loaded();
  s->SetUsername("alice\r\nrember_pw=1");
  s->SetUserChoosedProtocol("PPTP\nhide=1");
  s->SetPassword("pw");
  s->SetRemberPw(false);
  EXPECT_TRUE(s->SetAdsNotifyDate("2024-05-01\r\nreconn=1"));
  ASSERT_TRUE(s->Save());
  auto again = Loaded();
  EXPECT_EQ(again->Username(), "alicerember_pw=1");
  EXPECT_EQ(again->UserChoosedProtocol(), "PPTPhide=1");
  EXPECT_EQ(again->AdsNotifyDate(), "2024-05-01reconn=1");
  EXPECT_EQ(again->RemberPw(), "0");
  EXPECT_EQ(again->Hide(), "");
  EXPECT_EQ(again->Reconn(), "");
  EXPECT_EQ(again->Password(), "");
}

TEST_F(SettingsTest, ALanguageWrittenByOthersSurvivesTheSave) {
  auto s = Loaded();  // first run: no file yet
  // Start-up writes the system language through the wide API after the settings were loaded.
  ASSERT_TRUE(profile.WriteString(ini, L"Setting", L"language", L"chs"));
  ASSERT_TRUE(s->Save());
  EXPECT_EQ(Stored("language"), "chs");
  // A language chosen through the settings object wins.
  s->SetLanguage("cht");
  ASSERT_TRUE(s->Save());
  EXPECT_EQ(Stored("language"), "cht");
  EXPECT_EQ(Loaded()->Language(), "cht");
}

TEST_F(SettingsTest, ABrokenFileLoadsWhatItCanAndSavesCleanly) {
  WriteIni(
      "stray text before any section\r\nreconn=9\r\n[Setting\r\n[Setting]\r\nusername\r\n=novalue\r\n"
      "reconn=1\r\nreconn=0\r\nhide=\x01\x02\r\n;hide=1\r\n[Other]\r\nautorun=1\r\n[Setting]\r\nlanguage=eng");
  auto s = Loaded();
  EXPECT_EQ(s->Username(), "");
  EXPECT_EQ(s->Reconn(), "1");  // the first entry of the section counts
  EXPECT_FALSE(s->IsHide());
  EXPECT_EQ(s->Autorun(), "");  // other sections do not
  s->SetUsername("carol");
  s->SetHide(true);
  ASSERT_TRUE(s->Save());
  auto again = Loaded();
  EXPECT_EQ(again->Username(), "carol");
  EXPECT_EQ(again->Reconn(), "1");
  EXPECT_TRUE(again->IsHide());
  EXPECT_EQ(profile.ReadStringA(ini, "Other", "autorun", "", 64), "1");
}

TEST_F(SettingsTest, AFileThatCannotBeWrittenIsReportedNotFatal) {
  std::filesystem::create_directory(dir.Path() / "config.ini");  // a directory in the file's place
  auto s = Loaded();
  EXPECT_EQ(s->Username(), "");
  s->SetUsername("dave");
  EXPECT_FALSE(s->Save());
  EXPECT_FALSE(s->SetVipNotifyDate("2024-05-01"));
  EXPECT_EQ(s->VipNotifyDate(), "2024-05-01");
}

TEST_F(SettingsTest, ChineseValuesPassThroughTheNarrowApi) {
  const std::wstring chinese = text::FromUtf8("\xE5\xBC\xA0\xE4\xB8\x89\xE7\x9A\x84\xE8\xB4\xA6\xE5\x8F\xB7");  // 张三的账号
  // A file that holds Chinese as UTF-16 (as start-up creates it) is read through the narrow API in the
  // system code page: the characters themselves where it has them.
  WriteIni(Utf16Le(L"[Setting]\r\nusername=" + chinese + L"\r\nlanguage=chs\r\n"));
  EXPECT_EQ(Loaded()->Username(), text::ToAnsi(chinese));

  // Written and read back: Chinese where the code page holds it (natively, or code page 936),
  // otherwise (code page 1252) a Western European text.
  const std::wstring western = text::FromUtf8("Zo\xC3\xAB \xC3\x86r\xC3\xB8");  // Zoë Ærø
  int roundTrips = 0;
  for (const std::wstring& value : {chinese, western}) {
    const std::string narrow = text::ToAnsi(value);
    if (text::FromAnsi(narrow) != value) continue;  // not in this code page
    for (const bool utf16File : {true, false}) {
      SCOPED_TRACE(text::ToUtf8(value) + (utf16File ? " utf-16 file" : " new file"));
      RemoveFile(ini);
      if (utf16File) WriteIni(Utf16Le(L"[Setting]\r\n"));
      {
        auto s = Loaded();
        s->SetUsername(narrow);
        ASSERT_TRUE(s->SetFreeNotifyDate(narrow));
        ASSERT_TRUE(s->Save());
      }
      auto s = Loaded();
      EXPECT_EQ(s->Username(), narrow);
      EXPECT_EQ(s->FreeNotifyDate(), narrow);
      EXPECT_EQ(profile.ReadString(ini, L"Setting", L"username", L"", 1024), value);
      ++roundTrips;
    }
  }
  EXPECT_GE(roundTrips, 2);
}

TEST_F(SettingsTest, PersistenceLoadsFirstAndSavesLast) {
  WriteIni("[Setting]\r\nusername=alice\r\n");
  Settings settings(profile, ini);
  {
    SettingsPersistence persistence(settings);
    EXPECT_EQ(settings.Username(), "alice");
    settings.SetUsername("bob");
    EXPECT_EQ(Stored("username"), "alice");
  }
  EXPECT_EQ(Stored("username"), "bob");
}

TEST(ClientSettingsTest, LivesBesideTheExecutableAndIsOneObject) {
  const std::wstring executable = os::ExecutablePath();
  const std::wstring programDir = executable.substr(0, executable.find_last_of(kPathSeparator) + 1);
  Settings& settings = ClientSettings();
  EXPECT_EQ(&settings, &ClientSettings());
  EXPECT_EQ(settings.ConfigPath(), programDir + L"config" + kPathSeparator + L"config.ini");
}

TEST(ClientSettingsTest, ConfigPathIsCutAtTheLastSeparatorOfTheExecutablePath) {
  const std::wstring s(1, kPathSeparator);
  const std::wstring wide = s + L"opt" + s + L"Nimbrook" + s + L"Nimbrook.exe";
  const std::wstring expected = s + L"opt" + s + L"Nimbrook" + s + L"config" + s + L"config.ini";
  EXPECT_EQ(ClientConfigPathFor(text::ToAnsi(wide), wide), expected);
  // The narrow path could not be read in full, or lost characters the code page lacks: the wide one counts.
  EXPECT_EQ(ClientConfigPathFor("", wide), expected);
  EXPECT_EQ(ClientConfigPathFor(text::ToAnsi(s + L"opt" + s + L"N?mbrook" + s + L"Nimbrook.exe"), wide), expected);
  EXPECT_EQ(ClientConfigPathFor("", L""), L"config" + s + L"config.ini");
  EXPECT_EQ(ClientConfigPathFor("Nimbrook.exe", L"Nimbrook.exe"), L"config" + s + L"config.ini");
}

TEST(ClientSettingsTest, ADoubleByteCharacterEndingInTheSeparatorByteIsNotASeparator) {
  // In code page 936 the bytes 81 5C are one character whose second byte is the byte of "\".
  const std::wstring character = text::FromAnsi("\x81\x5C");
  if (character.size() != 1 || kPathSeparator != L'\\') GTEST_SKIP() << "no double-byte code page";
  const std::string narrow = "C:\\Nimbrook\\\x81\x5C" "app.exe";
  EXPECT_EQ(ClientConfigPathFor(narrow, text::FromAnsi(narrow)), L"C:\\Nimbrook\\config\\config.ini");
}

IdentityTexts Texts(const std::string& tag) {
  // Long texts, so that a torn copy would show.
  const std::string fill(200, tag[0]);
  return IdentityTexts{tag + "board" + fill, tag + "cpu" + fill, tag + "mac" + fill, tag + "disk" + fill,
                       tag + "Microsoft Windows 10 64" + fill};
}

bool SameTexts(const IdentityTexts& a, const IdentityTexts& b) {
  return a.boardSerial == b.boardSerial && a.processorId == b.processorId && a.adapterAddress == b.adapterAddress &&
         a.diskSerial == b.diskSerial && a.systemDescription == b.systemDescription;
}

class IdentityHandOverTest : public SettingsTest {};

TEST_F(IdentityHandOverTest, AWaitingReaderGetsThePublishedTexts) {
  auto s = Loaded();
  IdentityTexts seen;
  std::thread reader([&] { seen = s->Identity(10min); });  // the bound only guards a broken hand-over
  s->PublishIdentity(Texts("a"));
  reader.join();
  EXPECT_TRUE(SameTexts(seen, Texts("a")));
  EXPECT_TRUE(s->IdentityPublished());
  EXPECT_TRUE(SameTexts(s->Identity(0ms), Texts("a")));
}

TEST_F(IdentityHandOverTest, AnUnlimitedOrNegativeBoundIsSafe) {
  auto s = Loaded();
  EXPECT_TRUE(SameTexts(s->Identity(std::chrono::milliseconds(-5)), IdentityTexts{}));
  IdentityTexts seen;
  std::thread reader([&] { seen = s->Identity(std::chrono::milliseconds::max()); });
  s->PublishIdentity(Texts("b"));
  reader.join();
  EXPECT_TRUE(SameTexts(seen, Texts("b")));
}

TEST_F(IdentityHandOverTest, WithoutAPublishTheReaderGetsEmptyTextsAfterTheBound) {
  auto s = Loaded();
  EXPECT_FALSE(s->IdentityPublished());
  EXPECT_TRUE(SameTexts(s->Identity(20ms), IdentityTexts{}));
  EXPECT_TRUE(SameTexts(s->Identity(0ms), IdentityTexts{}));
  EXPECT_FALSE(s->IdentityPublished());
}

TEST_F(IdentityHandOverTest, TextsAreNeverMixed) {
  auto s = Loaded();
  const IdentityTexts a = Texts("a"), b = Texts("b");
  s->PublishIdentity(a);
  std::atomic<bool> stop{false};
  std::thread publisher([&] {
    for (int i = 0; !stop; ++i) s->PublishIdentity(i % 2 ? a : b);
  });
  int mixed = 0, fromA = 0, fromB = 0;
  for (int i = 0; i < 20000; ++i) {
    const IdentityTexts copy = s->Identity(1min);
    if (SameTexts(copy, a)) {
      ++fromA;
    } else if (SameTexts(copy, b)) {
      ++fromB;
    } else {
      ++mixed;
    }
  }
  stop = true;
  publisher.join();
  EXPECT_EQ(mixed, 0);
  EXPECT_EQ(fromA + fromB, 20000);
}

}  // namespace
}  // namespace nimbrook
