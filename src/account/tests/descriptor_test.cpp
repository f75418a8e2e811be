// The descriptor reading rule over real files: natively through the portable INI reader, under Wine
// through the real profile API as well, with descriptors written as UTF-16LE (with BOM) and as ANSI.
#include "account/descriptor.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "account/descriptor_cipher.h"
#include "core/file_io.h"
#include "core/text.h"
#include "testing/temp_dir.h"
#include "testing/bytes.h"

namespace nimbrook {
namespace {

enum class Encoding { kUtf16, kAnsi };
enum class Api { kSystem, kPortable };

struct Setup {
  Api api;
  Encoding encoding;
};

using testing::Utf16Le;

std::wstring Enciphered(const std::wstring& plain) {
  return text::AsciiToWide(EncodeDescriptorValue(text::ToAnsi(plain)));
}

class DescriptorTest : public ::testing::TestWithParam<Setup> {
 protected:
  void SetUp() override {
    if (GetParam().api == Api::kPortable) {
      portable_ = os::MakePortableProfileFiles();
      profile_ = portable_.get();
    } else {
      profile_ = &os::SystemProfile();
    }
  }

  // Writes the descriptor: lines joined with CR LF, in the parameter's encoding.
  void WriteDescriptor(const std::vector<std::wstring>& lines) {
    std::wstring content;
    for (const auto& line : lines) content += line + L"\r\n";
    const std::string bytes = GetParam().encoding == Encoding::kUtf16 ? Utf16Le(content) : text::ToAnsi(content);
    ASSERT_TRUE(WriteFileBytes(file_, bytes));
  }

  std::optional<std::wstring> Read(const std::wstring& key, const std::wstring& marker,
                                   size_t capacity = kWindowValueCapacity) {
    return ReadDescriptorValue(*profile_, file_, key, marker, capacity);
  }

  // Chinese text survives the descriptor's encoding: always in UTF-16, in ANSI only under a Chinese
  // code page (or natively, where ANSI is UTF-8).
  bool HoldsChinese() const {
    const std::wstring chinese = L"site未知";
    return GetParam().encoding == Encoding::kUtf16 || text::FromAnsi(text::ToAnsi(chinese)) == chinese;
  }

  testing::TempDir dir_;
  std::wstring file_ = dir_.File(kDescriptorFileName);
  os::ProfileFiles* profile_ = nullptr;

 private:
  std::unique_ptr<os::ProfileFiles> portable_;
};

TEST_P(DescriptorTest, ReadsAndDeciphersValues) {
  const std::wstring accent = L"http://caf\u00e9.example/";  // in every ANSI code page we run under
  WriteDescriptor({L"[URL]", L"loginURL=AkDaChEpEgKdDkEoCiEkDtGcDnBdHgHeAADAEdCAAyGoCtAnACGoEnHfGjDeA7Ep",
                   L"site=ArMgA3Cf", L"helpURL=" + Enciphered(accent), L"[FILES]", L"Nimbrook.exe=1"});
  EXPECT_EQ(Read(L"loginURL", kLoginUrlMarker), L"http://127.0.0.1:8080/clogin.php");
  EXPECT_EQ(Read(L"loginURL", kUpdateCheckMarker, kUpdateCheckValueCapacity), L"http://127.0.0.1:8080/clogin.php");
  EXPECT_EQ(Read(L"site", kSiteMarker), L"site");
  EXPECT_EQ(Read(L"helpURL", kNotFoundMarker), accent);

  const auto entry = ReadDescriptorEntry(*profile_, file_, L"site", kSiteMarker, kWindowValueCapacity);
  ASSERT_TRUE(entry);
  EXPECT_EQ(entry->enciphered, L"ArMgA3Cf");
  EXPECT_EQ(entry->plain, L"site");
}

TEST_P(DescriptorTest, MissingEmptyOrMarkedValuesDoNotCount) {
  EXPECT_FALSE(Read(L"site", kSiteMarker));  // no file
  WriteDescriptor({L"[URL]", L"regURL=", L"payURL=ArMgnotfoundA3Cf", L"getpwdURL=notfound",
                   L"[Other]", L"myURL=ArMgA3Cf"});
  EXPECT_FALSE(Read(L"site", kSiteMarker));                  // no key
  EXPECT_FALSE(Read(L"regURL", kNotFoundMarker));            // empty
  EXPECT_FALSE(Read(L"payURL", kNotFoundMarker));            // marker inside: ignored as a whole
  EXPECT_FALSE(Read(L"getpwdURL", kNotFoundMarker));         // marker itself
  EXPECT_FALSE(Read(L"myURL", kNotFoundMarker));             // other section
  // The marker belongs to the reader: the same value counts for a reader with another marker.
  EXPECT_EQ(Read(L"payURL", kUpdateCheckMarker), text::FromAnsi(DecodeDescriptorValue("ArMgnotfoundA3Cf")));
}

TEST_P(DescriptorTest, ChineseMarkerInsideAValueIgnoresItAsAWhole) {
  if (!HoldsChinese()) GTEST_SKIP() << "an ANSI descriptor cannot hold Chinese in this code page";
  WriteDescriptor({L"[URL]", L"site=ArMgsite未知A3Cf", L"loginURL=xx未找到xx", L"navURL=ArMgA3Cf"});
  EXPECT_FALSE(Read(L"site", kSiteMarker));
  EXPECT_FALSE(Read(L"loginURL", kUpdateCheckMarker));
  EXPECT_TRUE(Read(L"loginURL", kLoginUrlMarker));  // "未找到" is not this reader's marker
  EXPECT_EQ(Read(L"navURL", kSiteMarker), L"site");
}

TEST_P(DescriptorTest, OddLengthZeroByteAndNothingLeft) {
  WriteDescriptor({L"[URL]", L"site=ArMgA3CfQ", L"navURL=AdBdA4DrBlDnAn", L"newURL=A", L"qqURL=BdArMg",
                   L"helpURL=  ArMgA3Cf  "});
  EXPECT_EQ(Read(L"site", kSiteMarker), L"site");     // last character ignored
  EXPECT_EQ(Read(L"navURL", kNotFoundMarker), L"abc");  // cut at the zero byte
  EXPECT_FALSE(Read(L"newURL", kNotFoundMarker));      // one character deciphers to nothing
  EXPECT_EQ(DecodeDescriptorValue("BdArMg"), "");
  EXPECT_FALSE(Read(L"qqURL", kNotFoundMarker));       // deciphers to a zero byte first
  EXPECT_EQ(Read(L"helpURL", kNotFoundMarker), L"site");  // the profile API trims blanks
}

TEST_P(DescriptorTest, LongValuesAreCutToTheCapacity) {
  std::wstring plain;
  for (int i = 0; plain.size() < 1500; ++i) plain += L"http://server" + std::to_wstring(i) + L".example/clogin.php;";
  WriteDescriptor({L"[URL]", L"loginURL=" + Enciphered(plain)});
  // 2047 enciphered characters: 1023 pairs, the odd last one ignored.
  EXPECT_EQ(Read(L"loginURL", kLoginUrlMarker), plain.substr(0, 1023));
  EXPECT_EQ(Read(L"loginURL", kUpdateCheckMarker, kUpdateCheckValueCapacity), plain);
}

TEST_P(DescriptorTest, MainLinksFromTheDescriptor) {
  MainLinks links;
  links.payURL = L"previous pay";
  links.qqURL = L"previous qq";
  std::vector<std::wstring> messages;
  const MessageBoxCallback show = [&messages](const std::wstring& id) { messages.push_back(id); };

  EXPECT_FALSE(ReadMainLinks(*profile_, links, show, file_));
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0], L"msg_no_version");
  EXPECT_EQ(links.payURL, L"previous pay");
  EXPECT_TRUE(links.myURL.empty());

  WriteDescriptor({L"[URL]", L"myURL=" + Enciphered(L"http://site/my"), L"payURL=",
                   L"creditURL=" + Enciphered(L"http://site/credit"), L"navURL=" + Enciphered(L"http://site/nav"),
                   L"helpURL=" + Enciphered(L"http://site/help"), L"newURL=" + Enciphered(L"http://site/new"),
                   L"qqURL=notfound"});
  EXPECT_TRUE(ReadMainLinks(*profile_, links, show, file_));
  EXPECT_EQ(messages.size(), 1u);
  EXPECT_EQ(links.myURL, L"http://site/my");
  EXPECT_EQ(links.payURL, L"previous pay");
  EXPECT_EQ(links.creditURL, L"http://site/credit");
  EXPECT_EQ(links.navURL, L"http://site/nav");
  EXPECT_EQ(links.helpURL, L"http://site/help");
  EXPECT_EQ(links.newURL, L"http://site/new");
  EXPECT_EQ(links.qqURL, L"previous qq");

  // A descriptor without any link still counts as read; a missing callback is no fault.
  WriteDescriptor({L"[FILES]", L"a=1"});
  EXPECT_TRUE(ReadMainLinks(*profile_, links, show, file_));
  EXPECT_EQ(links.myURL, L"http://site/my");
  ASSERT_TRUE(RemoveFile(file_));
  EXPECT_FALSE(ReadMainLinks(*profile_, links, nullptr, file_));
}

TEST_P(DescriptorTest, LoginWindowLinks) {
  LoginWindowLinks start;
  start.site = L"http://built-in.site";
  start.loginURL = L"http://built-in/clogin.php";
  start.notifyURL = L"";

  const LoginWindowLinks untouched = ReadLoginLinks(*profile_, start, file_);  // no file
  EXPECT_EQ(untouched.site, start.site);
  EXPECT_EQ(untouched.loginURL, start.loginURL);
  EXPECT_TRUE(untouched.notifyURL.empty());

  const std::wstring list = L"http://a.example/x;http://b.example/clogin.php";
  WriteDescriptor({L"[URL]", L"loginURL=" + Enciphered(list), L"site=loginURL" + Enciphered(L"x"),
                   L"notifyURL=" + Enciphered(L"http://notice/"), L"regURL=" + Enciphered(L"http://reg/"),
                   L"getpwdURL=notfound!"});
  const LoginWindowLinks read = ReadLoginLinks(*profile_, start, file_);
  EXPECT_EQ(read.loginURL, list);
  EXPECT_EQ(read.site, text::FromAnsi(DecodeDescriptorValue("loginURL" + EncodeDescriptorValue("x"))));  // no marker of its own
  EXPECT_EQ(read.notifyURL, L"http://notice/");
  EXPECT_EQ(read.regURL, L"http://reg/");
  EXPECT_TRUE(read.getpwdURL.empty());
}

TEST_P(DescriptorTest, LoginUrlMarkerIgnoresTheLoginWindowsValue) {
  if (!HoldsChinese()) GTEST_SKIP() << "an ANSI descriptor cannot hold Chinese in this code page";
  LoginWindowLinks start;
  start.loginURL = L"http://built-in/clogin.php";
  WriteDescriptor({L"[URL]", L"loginURL=loginURL未知"});
  EXPECT_EQ(ReadLoginLinks(*profile_, start, file_).loginURL, start.loginURL);
}

std::string SetupName(const ::testing::TestParamInfo<Setup>& info) {
  return std::string(info.param.api == Api::kSystem ? "System" : "Portable") +
         (info.param.encoding == Encoding::kUtf16 ? "Utf16" : "Ansi");
}

INSTANTIATE_TEST_SUITE_P(Files, DescriptorTest,
                         ::testing::Values(Setup{Api::kSystem, Encoding::kUtf16}, Setup{Api::kSystem, Encoding::kAnsi},
                                           Setup{Api::kPortable, Encoding::kUtf16},
                                           Setup{Api::kPortable, Encoding::kAnsi}),
                         SetupName);

TEST(DescriptorPathsTest, FilesLieInTheConfigurationDirectory) {
  const ProcessPaths saved = Paths();
  SetProcessPaths(ComputePaths(JoinPath(JoinPath(L"base", L"prog"), L"Nimbrook.exe")));
  EXPECT_EQ(DescriptorPath(), JoinPath(Paths().configDir, L"version.ini"));
  EXPECT_EQ(NewDescriptorPath(), JoinPath(Paths().configDir, L"new_version.ini"));
  EXPECT_NE(DescriptorPath().find(L"config"), std::wstring::npos);
  SetProcessPaths(saved);
}

TEST(DescriptorPathsTest, BuiltInLoginLinks) {
  const LoginWindowLinks links = BuiltInLoginLinks();
  EXPECT_EQ(links.loginURL.rfind(L"http://", 0), 0u);
  EXPECT_EQ(links.loginURL.size() - links.loginURL.rfind(L"/clogin.php"), 11u);
  EXPECT_EQ(links.site.rfind(L"http://", 0), 0u);
  EXPECT_TRUE(links.notifyURL.empty());
  EXPECT_TRUE(links.regURL.empty());
  EXPECT_TRUE(links.getpwdURL.empty());
}

}  // namespace
}  // namespace nimbrook
