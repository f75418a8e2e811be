// The language files as the build writes them into the program directory, read the way the client
// reads them (the real wide profile API under Wine): every id the client uses has a text in every
// language, and Chinese texts survive the trip from the UTF-8 sources unchanged.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "core/file_io.h"
#include "core/languages.h"
#include "core/text.h"
#include "language/language_ids.h"
#include "os/profile_file.h"

namespace nimbrook {
namespace {

using generated::kLanguageIdCount;
using generated::kLanguageIds;

// The build directory as this program sees it: under Wine the Linux root is drive Z:.
std::wstring BuiltLanguageDir() {
  std::wstring dir = text::FromUtf8(generated::kBuiltLanguageDir);
#ifdef _WIN32
  for (auto& c : dir) {
    if (c == L'/') c = L'\\';
  }
  dir = L"Z:" + dir;
#endif
  return dir;
}

class LanguageFileTest : public ::testing::TestWithParam<const wchar_t*> {
 protected:
  void SetUp() override {
    table.Select(GetParam(), BuiltLanguageDir());
    ASSERT_TRUE(FileExists(table.FilePath())) << text::ToUtf8(table.FilePath());
    loaded = table.Load();
  }

  LanguageTable table{os::SystemProfile()};
  size_t loaded = 0;
};

TEST_P(LanguageFileTest, IsUtf16WithByteOrderMark) {
  std::string bytes;
  ASSERT_TRUE(ReadFileBytes(table.FilePath(), bytes));
  ASSERT_GE(bytes.size(), 2u);
  EXPECT_EQ(bytes.substr(0, 2), "\xFF\xFE");
  EXPECT_EQ(bytes.size() % 2, 0u);
}

TEST_P(LanguageFileTest, EveryIdHasAText) {
  for (const wchar_t* id : kLanguageIds) {
    const std::wstring text = table.Text(id);
    EXPECT_FALSE(text.empty()) << text::ToUtf8(id);
    // A missing id would come back as itself; ids whose text is the id (protocol names) are listed.
    static const std::set<std::wstring> sameAsId = {L"PPTP",     L"L2TP",      L"OVPN-UDP", L"OVPN-TCP",
                                                    L"OVPN-UDP+", L"OVPN-TCP+", L"IPSEC",    L"SSTP"};
    if (!sameAsId.count(id)) {
      EXPECT_NE(text, id) << text::ToUtf8(id);
    }
  }
  // The files hold exactly the listed ids, nothing stale beside them.
  EXPECT_EQ(loaded, static_cast<size_t>(kLanguageIdCount));
}

TEST_P(LanguageFileTest, TextsHoldNoFormatCharacters) {
  // No text is used as a format string; the route-file message has "#" where the file name goes.
  for (const wchar_t* id : kLanguageIds) {
    const std::wstring text = table.Text(id);
    EXPECT_EQ(text.find(L'%'), std::wstring::npos) << text::ToUtf8(id);
    if (std::wstring(id) == L"msg_no_route_file") {
      EXPECT_NE(text.find(L'#'), std::wstring::npos);
    } else {
      EXPECT_EQ(text.find(L'#'), std::wstring::npos) << text::ToUtf8(id);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(AllLanguages, LanguageFileTest, ::testing::Values(L"eng", L"chs", L"cht"),
                         [](const auto& info) { return text::ToUtf8(info.param); });

TEST(LanguageIdListTest, IdsAreUnique) {
  std::set<std::wstring> ids(std::begin(kLanguageIds), std::end(kLanguageIds));
  EXPECT_EQ(ids.size(), static_cast<size_t>(kLanguageIdCount));
  EXPECT_TRUE(ids.count(L"nimbrookjsq"));
  EXPECT_TRUE(ids.count(L"str_connecting"));
}

struct Expected {
  const wchar_t* code;
  const wchar_t* id;
  const char* utf8;
};

TEST(LanguageFileTextTest, TextsReadBackAsTheSourcesHoldThem) {
  const Expected expected[] = {
      {L"eng", L"str_connecting", "Connecting…"},
      {L"eng", L"nimbrookjsq", "Nimbrook"},
      {L"eng", L"OVPN-UDP+", "OVPN-UDP+"},
      {L"chs", L"str_connecting", "正在连接…"},
      {L"chs", L"nimbrookjsq", "岚鹭加速器"},
      {L"chs", L"msg_sure_exit", "确定要退出岚鹭加速器吗？"},
      {L"chs", L"ok", "确定"},
      {L"chs", L"copyright1", "© 岚鹭加速器 版权所有"},
      {L"cht", L"str_connecting", "正在連線…"},
      {L"cht", L"nimbrookjsq", "嵐鷺加速器"},
      {L"cht", L"str_ping_timeout", "逾時"},
      {L"cht", L"l2tp-reboot", "L2TP 設定需要重新開機後才會生效，是否立即重新開機？"},
  };
  LanguageTable table(os::SystemProfile());
  for (const auto& e : expected) {
    table.Select(e.code, BuiltLanguageDir());
    table.Load();
    EXPECT_EQ(table.Text(e.id), text::FromUtf8(e.utf8)) << text::ToUtf8(e.code) << " " << text::ToUtf8(e.id);
  }
}

TEST(LanguageFileTextTest, ChineseFilesDifferFromEnglish) {
  LanguageTable eng(os::SystemProfile()), chs(os::SystemProfile()), cht(os::SystemProfile());
  eng.Select(L"eng", BuiltLanguageDir());
  chs.Select(L"chs", BuiltLanguageDir());
  cht.Select(L"cht", BuiltLanguageDir());
  eng.Load();
  chs.Load();
  cht.Load();
  // Simplified and traditional texts are not copies of each other or of the English ones.
  int sameChsCht = 0;
  for (const wchar_t* id : {L"str_connecting", L"str_connect_failed", L"msg_sure_exit", L"setting", L"str_loging"}) {
    EXPECT_NE(chs.Text(id), eng.Text(id)) << text::ToUtf8(id);
    EXPECT_NE(cht.Text(id), eng.Text(id)) << text::ToUtf8(id);
    if (chs.Text(id) == cht.Text(id)) ++sameChsCht;
  }
  EXPECT_EQ(sameChsCht, 0);
}

}  // namespace
}  // namespace nimbrook
