// Descriptors and release files over HTTP: the URL values decipher to the plain values of the data
// directory, FILES stamps are the MD5 of the served bytes, DIGESTS their SHA-256, the bytes sent are
// signed with the test key (or as a release variant says), the current release can be switched
// between requests, and file names from the network cannot leave the release directory.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <map>

#include "account/descriptor_cipher.h"
#include "core/md5.h"
#include "descriptor.h"
#include "descriptor_routes.h"
#include "ini_file.h"
#include "release_files.h"
#include "release_trust/descriptor_signature.h"
#include "release_trust/release_encoding.h"
#include "resource.h"
#include "service_test_support.h"

namespace nimbrook::service {
namespace {

using testing::DataCopy;
using testing::RunningService;

// Fetches a descriptor as the client does and parses it.
IniFile FetchDescriptor(RunningService& service, const std::string& path) {
  auto result = service.Client()->Get(path + "?1717214400");
  EXPECT_TRUE(result);
  if (!result) return {};
  EXPECT_EQ(result->status, 200);
  std::string utf8;
  EXPECT_TRUE(testing::Utf16LeToUtf8(result->body, utf8)) << "descriptor is not UTF-16LE with a mark";
  EXPECT_NE(utf8.find("\r\n"), std::string::npos);
  return ParseIni(utf8);
}

std::map<std::string, std::string> Deciphered(const IniFile& descriptor) {
  std::map<std::string, std::string> values;
  if (const IniSection* urls = descriptor.Find("URL")) {
    for (const auto& [key, value] : urls->entries) values[key] = DecodeDescriptorValue(value);
  }
  return values;
}

TEST(DescriptorService, DefaultDescriptorDeciphersToThePlainValues) {
  RunningService service;
  const IniFile descriptor = FetchDescriptor(service, kDefaultDescriptorPath);
  auto values = Deciphered(descriptor);
  const std::string& base = service.Base();
  EXPECT_EQ(values["site"], base + "/");
  EXPECT_EQ(values["loginURL"], base + "/clogin.php");
  EXPECT_EQ(values["notifyURL"], base + "/page/notice?name=notice");
  EXPECT_EQ(values["versionURL"], base + "/clientupdate/release/version.ini");
  EXPECT_EQ(values["downloadURL"], base + "/releases/1.5.1");
  for (const char* key : {"regURL", "getpwdURL", "myURL", "payURL", "creditURL", "navURL", "helpURL", "newURL", "qqURL"}) {
    EXPECT_EQ(values[key].compare(0, base.size() + 6, base + "/page/"), 0) << key << " = " << values[key];
  }
  // Enciphered values are letters and digits only, so the profile API reads them unchanged.
  for (const auto& [key, value] : descriptor.Find("URL")->entries) {
    EXPECT_EQ(value.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789"), std::string::npos)
        << key;
  }
  EXPECT_EQ(descriptor.Value("NOTIFY", "display"), "1");
  EXPECT_EQ(descriptor.Value("NOTIFY", "key"), "n20250601");
  EXPECT_EQ(descriptor.Value("NOTIFY", "frequency"), "day");
  EXPECT_EQ(descriptor.Value("NOTIFY", "title"), "服务公告");
}

TEST(DescriptorService, FilesStampsAreTheDigestsOfTheServedFiles) {
  RunningService service;
  const IniFile descriptor = FetchDescriptor(service, "/clientupdate/release/version.ini");
  const IniSection* files = descriptor.Find("FILES");
  ASSERT_NE(files, nullptr);
  std::vector<std::string> names;
  for (const auto& [name, stamp] : files->entries) names.push_back(name);
  EXPECT_EQ(names, (std::vector<std::string>{"Nimbrook.exe", "docs\\changelog.txt", "docs\\license.txt", "readme.txt",
                                             "update.exe"}));
  const std::string download = Deciphered(descriptor)["downloadURL"];
  auto client = service.Client();
  for (const auto& [name, stamp] : files->entries) {
    // The updater fetches download base + "/" + name with "\" turned into "/".
    std::string path = download.substr(service.Base().size()) + "/" + name;
    for (char& c : path) {
      if (c == '\\') c = '/';
    }
    auto result = client->Get(path + "?1717214400");
    ASSERT_TRUE(result) << path;
    EXPECT_EQ(result->status, 200) << path;
    EXPECT_EQ(result->get_header_value("Content-Length"), std::to_string(result->body.size()));
    EXPECT_EQ(Md5Hex(result->body), stamp) << name;
    std::string onDisk = testing::ReadFile(testing::RepositoryData() / "releases" / "1.5.1" / path.substr(16));
    EXPECT_EQ(result->body, onDisk) << name;
  }
}

std::string PublicKey(const char* name) {
  std::string text = testing::ReadFile(testing::RepositoryData() / "signing" / name), key;
  EXPECT_TRUE(DecodePublicKeyText(text, key)) << name;
  return key;
}

TEST(DescriptorService, DescriptorsAreSignedAsSentAndListTheFilesDigests) {
  RunningService service;
  auto client = service.Client();
  const std::string key = PublicKey("release-key.pub");
  const auto body = [&](const std::string& path) {
    auto result = client->Get(path);
    EXPECT_TRUE(result && result->status == 200) << path;
    return result ? result->body : std::string();
  };
  const std::string served = body("/descriptor/1.5.1/version.ini");
  EXPECT_EQ(VerifyDescriptorSignature(served, key, SystemCrypto()), SignatureStatus::kValid);
  EXPECT_EQ(body("/descriptor/1.5.1/version.ini"), served) << "the same bytes, the same signature";
  EXPECT_EQ(VerifyDescriptorSignature(body("/descriptor/1.5.1/version.ini?encoding=utf-8"), key, SystemCrypto()),
            SignatureStatus::kValid);

  const IniFile descriptor = FetchDescriptor(service, "/descriptor/1.5.1/version.ini");
  const IniSection* digests = descriptor.Find("DIGESTS");
  ASSERT_NE(digests, nullptr);
  ASSERT_EQ(digests->entries.size(), descriptor.Find("FILES")->entries.size());
  for (const auto& [name, digest] : digests->entries) {
    std::string path = name;
    for (char& c : path) {
      if (c == '\\') c = '/';
    }
    Sha256Digest sum{};
    ASSERT_TRUE(SystemCrypto().Sha256(body("/releases/1.5.1/" + path), sum));
    EXPECT_EQ(DigestHex(sum), digest) << name;
  }

  // The variants serve 1.5.1's files: signed with another key, unsigned, or with an altered digest.
  EXPECT_EQ(VerifyDescriptorSignature(body("/descriptor/1.5.1-otherkey/version.ini"), key, SystemCrypto()),
            SignatureStatus::kMismatch);
  EXPECT_EQ(VerifyDescriptorSignature(body("/descriptor/1.5.1-unsigned/version.ini"), key, SystemCrypto()),
            SignatureStatus::kMissing);
  EXPECT_EQ(VerifyDescriptorSignature(body("/descriptor/1.5.1-tampered/version.ini"), key, SystemCrypto()),
            SignatureStatus::kValid);
  const IniFile tampered = FetchDescriptor(service, "/descriptor/1.5.1-tampered/version.ini");
  EXPECT_NE(tampered.Value("DIGESTS", "Nimbrook.exe"), digests->Find("Nimbrook.exe") ? *digests->Find("Nimbrook.exe") : "");
  EXPECT_EQ(tampered.Value("DIGESTS", "readme.txt"), *digests->Find("readme.txt"));
  EXPECT_EQ(body("/releases/1.5.1-tampered/Nimbrook.exe"), body("/releases/1.5.1/Nimbrook.exe"));
}

TEST(DescriptorService, ReleasesDifferWhereTheirFilesDiffer) {
  RunningService service;
  auto stamps = [&](const std::string& release) {
    std::map<std::string, std::string> out;
    const IniFile d = FetchDescriptor(service, "/descriptor/" + release + "/version.ini");
    if (const IniSection* files = d.Find("FILES")) out.insert(files->entries.begin(), files->entries.end());
    return out;
  };
  auto v150 = stamps("1.5.0"), v151 = stamps("1.5.1"), v152 = stamps("1.5.2");
  EXPECT_NE(v150["Nimbrook.exe"], v151["Nimbrook.exe"]);
  EXPECT_EQ(v150["update.exe"], v151["update.exe"]);
  EXPECT_EQ(v150.count("docs\\license.txt"), 0u);
  EXPECT_EQ(v151["Nimbrook.exe"], v152["Nimbrook.exe"]);
  EXPECT_NE(v151["update.exe"], v152["update.exe"]);
  // Release 1.5.2 lists a failing login address first; 1.5.0 shows no notice.
  const IniFile d152 = FetchDescriptor(service, "/descriptor/1.5.2/version.ini");
  EXPECT_EQ(Deciphered(d152)["loginURL"], service.Base() + "/fault/404/clogin.php;" + service.Base() + "/clogin.php");
  EXPECT_EQ(d152.Value("NOTIFY", "frequency"), "once");
  EXPECT_EQ(FetchDescriptor(service, "/descriptor/1.5.0/version.ini").Value("NOTIFY", "display"), "0");

  auto client = service.Client();
  EXPECT_EQ(client->Get("/descriptor/9.9.9/version.ini")->status, 404);
  EXPECT_EQ(client->Get("/descriptor/1.5.1/other.ini")->status, 404);
}

TEST(DescriptorService, CurrentReleaseIsReadOnEveryRequest) {
  DataCopy data;
  RunningService service(data.Dir());
  EXPECT_EQ(Deciphered(FetchDescriptor(service, kDefaultDescriptorPath))["downloadURL"], service.Base() + "/releases/1.5.1");
  testing::WriteFile(data.Dir() / "current-release", "1.5.2\n");
  const IniFile switched = FetchDescriptor(service, "/clientupdate/release/version.ini");
  EXPECT_EQ(Deciphered(switched)["downloadURL"], service.Base() + "/releases/1.5.2");
  EXPECT_EQ(switched.Value("FILES", "update.exe"), Md5Hex(testing::ReadFile(data.Dir() / "releases/1.5.2/update.exe")));

  // A release that does not exist is a server-side data error, reported as such.
  testing::WriteFile(data.Dir() / "current-release", "9.9.9\n");
  auto result = service.Client()->Get(kDefaultDescriptorPath);
  ASSERT_TRUE(result);
  EXPECT_EQ(result->status, 500);
  EXPECT_NE(result->body.find("9.9.9"), std::string::npos);
}

TEST(DescriptorService, FixedReleaseOverridesTheDataFile) {
  RunningService service(testing::RepositoryData(), "1.5.0");
  EXPECT_EQ(Deciphered(FetchDescriptor(service, kDefaultDescriptorPath))["downloadURL"], service.Base() + "/releases/1.5.0");
}

TEST(DescriptorService, ReadableFormOnRequest) {
  RunningService service;
  auto result = service.Client()->Get(std::string(kDefaultDescriptorPath) + "?encoding=utf-8");
  ASSERT_TRUE(result);
  EXPECT_EQ(result->body.compare(0, 7, "[URL]\r\n"), 0);
  EXPECT_NE(result->body.find("title=服务公告"), std::string::npos);
}

TEST(ReleaseFiles, NamesFromTheNetworkStayInsideTheRelease) {
  RunningService service;
  auto client = service.Client();
  EXPECT_EQ(client->Get("/releases/1.5.1/update.exe")->status, 200);
  EXPECT_EQ(client->Get("/releases/1.5.1/UPDATE.EXE")->status, 200);        // Windows names ignore case
  EXPECT_EQ(client->Get("/releases/1.5.1/docs%5Cchangelog.txt")->status, 200);  // "\" as the updater may send it
  for (const char* path : {"/releases/1.5.1/../../accounts.ini", "/releases/1.5.1/%2e%2e/%2e%2e/accounts.ini",
                           "/releases/../accounts.ini", "/releases/1.5.1/docs", "/releases/1.5.1/", "/releases/1.5.1",
                           "/releases/1.5.1/missing.exe", "/releases/1.5.1.ini/x"}) {
    // Use a raw request so that no client normalises the path first.
    const auto exchange = testing::RawGet(service.Port(), path);
    EXPECT_TRUE(exchange.status == 404 || exchange.status == 400) << path << " -> " << exchange.status;
  }
}

TEST(ReleaseFiles, ListingSkipsHiddenFilesAndSortsByName) {
  DataCopy data;
  testing::WriteFile(data.Dir() / "releases/1.5.1/.gitkeep", "");
  testing::WriteFile(data.Dir() / "releases/1.5.1/.hidden/x.txt", "x");
  testing::WriteFile(data.Dir() / "releases/1.5.1/a/b/deep.bin", std::string("\0\1\2", 3));
  std::vector<ReleaseFile> files;
  ASSERT_TRUE(ListReleaseFiles(data.Dir() / "releases/1.5.1", files));
  std::vector<std::string> names;
  for (const auto& f : files) names.push_back(f.name);
  EXPECT_EQ(names, (std::vector<std::string>{"Nimbrook.exe", "a\\b\\deep.bin", "docs\\changelog.txt",
                                             "docs\\license.txt", "readme.txt", "update.exe"}));
  EXPECT_FALSE(ListReleaseFiles(data.Dir() / "releases/none", files));
}

// Stamps are kept between requests and computed again when a file changes, whatever its size.
TEST(ReleaseFiles, StampsFollowChangedFiles) {
  DataCopy data;
  const auto path = data.Dir() / "releases/1.5.1/big.bin";
  std::string content(3 * (1 << 20) + 17, '\0');
  for (size_t i = 0; i < content.size(); ++i) content[i] = static_cast<char>(PatternByte(i));
  testing::WriteFile(path, content);
  std::string stamp;
  ASSERT_TRUE(CachedFileStamp(path, stamp));
  EXPECT_EQ(stamp, Md5Hex(content));
  ASSERT_TRUE(FileStamp(path, stamp));
  EXPECT_EQ(stamp, Md5Hex(content));

  content.resize(content.size() - 1);  // a different size
  testing::WriteFile(path, content);
  ASSERT_TRUE(CachedFileStamp(path, stamp));
  EXPECT_EQ(stamp, Md5Hex(content));

  content[5] ^= 1;  // the same size, a later modification time
  testing::WriteFile(path, content);
  std::filesystem::last_write_time(path, std::filesystem::last_write_time(path) + std::chrono::seconds(2));
  ASSERT_TRUE(CachedFileStamp(path, stamp));
  EXPECT_EQ(stamp, Md5Hex(content));

  std::filesystem::remove(path);
  EXPECT_FALSE(CachedFileStamp(path, stamp));
  EXPECT_FALSE(FileStamp(path, stamp));
}

TEST(Descriptor, RenderingEnciphersOnlyUrlValues) {
  DescriptorContent content;
  content.urls = {{"loginURL", "http://a/clogin.php;http://b/clogin.php"}};
  content.files = {{"Nimbrook.exe", "00ff"}};
  content.notify = {{"title", "公告"}};
  const IniFile ini = ParseIni(RenderDescriptor(content));
  EXPECT_EQ(DecodeDescriptorValue(ini.Value("URL", "loginURL")), "http://a/clogin.php;http://b/clogin.php");
  EXPECT_EQ(ini.Value("FILES", "Nimbrook.exe"), "00ff");
  EXPECT_EQ(ini.Value("NOTIFY", "title"), "公告");
}

TEST(Descriptor, PlaceholdersAndVersionPaths) {
  EXPECT_EQ(ExpandPlaceholders("{base}/releases/{release}/{base}", "http://h:1", "2.0"), "http://h:1/releases/2.0/http://h:1");
  const KeyValues urls = {{"versionURL", "http://h:1/a/version.ini?x=1; http://other/b.ini;http://h:1/c.ini;http://h:10/d"},
                          {"loginURL", "http://h:1/clogin.php"}};
  EXPECT_EQ(DescriptorPaths(urls, "http://h:1"), (std::vector<std::string>{"/a/version.ini", "/c.ini"}));
}

TEST(Descriptor, Utf16ConversionKeepsEveryCharacter) {
  std::string back;
  ASSERT_TRUE(testing::Utf16LeToUtf8(Utf8ToUtf16LeWithBom("a公告\r\n\xF0\x9F\x98\x80"), back));
  EXPECT_EQ(back, "a公告\r\n\xF0\x9F\x98\x80");
  EXPECT_EQ(Utf8ToUtf16LeWithBom("\xFF"), std::string("\xFF\xFE\xFD\xFF", 4));  // invalid byte -> U+FFFD
}

}  // namespace
}  // namespace nimbrook::service
