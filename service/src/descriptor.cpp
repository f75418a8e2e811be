// Building the descriptor.
#include "descriptor.h"

#include <filesystem>
#include <map>
#include <mutex>

#include "account/descriptor_cipher.h"
#include "core/file_io.h"
#include "core/text.h"
#include "ini_file.h"
#include "release_files.h"
#include "release_trust/descriptor_signature.h"
#include "release_trust/release_encoding.h"
#include "release_trust/release_signer.h"

namespace nimbrook::service {
namespace {

void Override(KeyValues& values, const IniSection* section) {
  if (!section) return;
  for (const auto& [key, value] : section->entries) {
    bool replaced = false;
    for (auto& [k, v] : values) {
      if (EqualsNoCase(k, key)) {
        v = value;
        replaced = true;
      }
    }
    if (!replaced) values.emplace_back(key, value);
  }
}

void AppendCodePoint(std::string& out, unsigned long cp) {
  if (cp >= 0x10000) {
    cp -= 0x10000;
    AppendCodePoint(out, 0xD800 + (cp >> 10));
    AppendCodePoint(out, 0xDC00 + (cp & 0x3FF));
    return;
  }
  out.push_back(static_cast<char>(cp & 0xFF));
  out.push_back(static_cast<char>(cp >> 8));
}

}  // namespace

std::string ExpandPlaceholders(std::string value, const std::string& baseUrl, const std::string& release) {
  const std::pair<const char*, const std::string*> placeholders[] = {{"{base}", &baseUrl}, {"{release}", &release}};
  for (const auto& [name, replacement] : placeholders) {
    const std::string token = name;
    size_t at = 0;
    while ((at = value.find(token, at)) != std::string::npos) {
      value.replace(at, token.size(), *replacement);
      at += replacement->size();
    }
  }
  return value;
}

bool LoadPlainValues(const ServiceConfig& config, const std::string& baseUrl, const std::string& release,
                     DescriptorContent& content, std::string& error) {
  content = DescriptorContent{};
  if (!IsSafeSegment(release)) {
    error = "no valid release named (data/current-release or --release): '" + release + "'";
    return false;
  }
  IniFile common;
  const auto commonPath = config.dataDir / "descriptor" / "urls.ini";
  if (!LoadIni(commonPath, common)) {
    error = "cannot read " + commonPath.string();
    return false;
  }
  if (const IniSection* urls = common.Find("URL")) content.urls = urls->entries;
  if (const IniSection* notify = common.Find("NOTIFY")) content.notify = notify->entries;
  IniFile overrides;
  content.signingKey = kDefaultSigningKey;
  if (LoadIni(config.dataDir / "releases" / (release + ".ini"), overrides)) {
    Override(content.urls, overrides.Find("URL"));
    Override(content.notify, overrides.Find("NOTIFY"));
    content.signingKey = overrides.Value("RELEASE", "signing_key", kDefaultSigningKey);
  }
  // "none", or the default key where the data directory has none: served unsigned.
  if (content.signingKey == "none" ||
      (content.signingKey == kDefaultSigningKey && !std::filesystem::exists(config.dataDir / "signing" / kDefaultSigningKey))) {
    content.signingKey.clear();
  }
  for (auto& [key, value] : content.urls) value = ExpandPlaceholders(value, baseUrl, release);
  for (auto& [key, value] : content.notify) value = ExpandPlaceholders(value, baseUrl, release);
  return true;
}

bool LoadDescriptor(const ServiceConfig& config, const std::string& baseUrl, const std::string& release,
                    DescriptorContent& content, std::string& error) {
  if (!LoadPlainValues(config, baseUrl, release, content, error)) return false;
  const auto releaseDir = ReleaseDirectory(config, release);
  std::vector<ReleaseFile> files;
  if (!ListReleaseFiles(releaseDir, files)) {
    error = "release directory missing: " + releaseDir.string();
    return false;
  }
  for (const auto& file : files) {
    std::string stamp, digest;
    if (!CachedFileStampAndDigest(file.path, stamp, digest)) {
      error = "cannot read release file " + file.path.string();
      return false;
    }
    content.files.emplace_back(file.name, stamp);
    content.digests.emplace_back(file.name, digest);
  }
  // A release may list digests of its own (a release whose files do not match them).
  IniFile overrides;
  if (LoadIni(config.dataDir / "releases" / (release + ".ini"), overrides)) Override(content.digests, overrides.Find("DIGESTS"));
  return true;
}

std::string RenderDescriptor(const DescriptorContent& content) {
  std::string text = "[URL]\r\n";
  for (const auto& [key, value] : content.urls) text += key + "=" + EncodeDescriptorValue(value) + "\r\n";
  text += "\r\n[FILES]\r\n";
  for (const auto& [name, stamp] : content.files) text += name + "=" + stamp + "\r\n";
  if (!content.digests.empty()) {
    text += "\r\n[DIGESTS]\r\n";
    for (const auto& [name, digest] : content.digests) text += name + "=" + digest + "\r\n";
  }
  text += "\r\n[NOTIFY]\r\n";
  for (const auto& [key, value] : content.notify) text += key + "=" + value + "\r\n";
  return text;
}

bool SignServedDescriptor(const ServiceConfig& config, const DescriptorContent& content, std::string& bytes,
                          std::string& error) {
  if (content.signingKey.empty()) return true;
  if (!IsSafeSegment(content.signingKey)) {
    error = "signing_key is not a file name under data/signing: " + content.signingKey;
    return false;
  }
  const auto keyPath = config.dataDir / "signing" / content.signingKey;
  std::string pem;
  if (!ReadFileBytes(text::FromUtf8(keyPath.string()), pem)) {
    error = "cannot read the signing key " + keyPath.string();
    return false;
  }
  std::string unsignedBytes;
  Sha256Digest digest{};
  if (!UnsignedContent(bytes, unsignedBytes, error) || !SystemCrypto().Sha256(unsignedBytes, digest)) return false;
  // ECDSA signatures differ from one signing to the next: the same bytes get the same signature, so
  // two requests for an unchanged descriptor answer alike.
  static std::mutex lock;
  static std::map<std::string, std::string> signatures;
  const std::string cacheKey = pem + "\n" + DigestHex(digest);
  std::string signature;
  {
    std::lock_guard<std::mutex> guard(lock);
    const auto known = signatures.find(cacheKey);
    if (known != signatures.end()) signature = known->second;
  }
  if (signature.empty()) {
    if (!SignDigest(pem, digest, signature, error)) {
      error = "cannot sign with " + keyPath.string() + ": " + error;
      return false;
    }
    std::lock_guard<std::mutex> guard(lock);
    if (signatures.size() > 1000) signatures.clear();
    signatures.emplace(cacheKey, signature);
  }
  bytes = WithSignatureLine(unsignedBytes, signature);
  return true;
}

std::string Utf8ToUtf16LeWithBom(const std::string& utf8) {
  std::string out = "\xFF\xFE";
  size_t i = 0;
  while (i < utf8.size()) {
    const auto c = static_cast<unsigned char>(utf8[i]);
    unsigned long cp = 0xFFFD;
    size_t extra = 0;
    if (c < 0x80) cp = c;
    else if ((c & 0xE0) == 0xC0) { cp = c & 0x1F; extra = 1; }
    else if ((c & 0xF0) == 0xE0) { cp = c & 0x0F; extra = 2; }
    else if ((c & 0xF8) == 0xF0) { cp = c & 0x07; extra = 3; }
    bool ok = c < 0x80 || extra > 0;
    for (size_t k = 1; ok && k <= extra; ++k) {
      if (i + k >= utf8.size() || (static_cast<unsigned char>(utf8[i + k]) & 0xC0) != 0x80) ok = false;
      else cp = (cp << 6) | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
    }
    if (!ok) {
      cp = 0xFFFD;
      extra = 0;
    }
    AppendCodePoint(out, cp > 0x10FFFF ? 0xFFFD : cp);
    i += extra + 1;
  }
  return out;
}

std::vector<std::string> DescriptorPaths(const KeyValues& urls, const std::string& baseUrl) {
  std::vector<std::string> paths;
  for (const auto& [key, value] : urls) {
    if (!EqualsNoCase(key, "versionURL")) continue;
    size_t start = 0;
    while (start <= value.size()) {
      size_t end = value.find(';', start);
      if (end == std::string::npos) end = value.size();
      std::string item = Trim(std::string_view(value).substr(start, end - start));
      start = end + 1;
      if (item.compare(0, baseUrl.size(), baseUrl) == 0 && item.size() > baseUrl.size() && item[baseUrl.size()] == '/') {
        std::string path = item.substr(baseUrl.size());
        const size_t query = path.find('?');
        if (query != std::string::npos) path.resize(query);
        paths.push_back(path);
      }
      if (end == value.size()) break;
    }
  }
  return paths;
}

}  // namespace nimbrook::service
