#include "account/descriptor.h"

#include "account/descriptor_cipher.h"
#include "build_config.h"
#include "core/file_io.h"
#include "core/paths.h"
#include "core/text.h"

namespace nimbrook {

namespace {

void ReadInto(os::ProfileFiles& profile, const std::wstring& file, const wchar_t* key, const wchar_t* marker,
              std::wstring& destination) {
  if (auto value = ReadDescriptorValue(profile, file, key, marker, kWindowValueCapacity)) {
    destination = std::move(*value);
  }
}

}  // namespace

std::wstring DescriptorPath() { return JoinPath(Paths().configDir, kDescriptorFileName); }

std::wstring NewDescriptorPath() { return JoinPath(Paths().configDir, kNewDescriptorFileName); }

std::optional<DescriptorEntry> ReadDescriptorEntry(os::ProfileFiles& profile, const std::wstring& file,
                                                   const std::wstring& key, const std::wstring& marker,
                                                   size_t capacity) {
  std::wstring stored = profile.ReadString(file, kDescriptorUrlSection, key, marker, capacity);
  if (stored.empty()) return std::nullopt;
  if (!marker.empty() && stored.find(marker) != std::wstring::npos) return std::nullopt;

  const std::string plain = DecodeDescriptorValue(text::ToAnsi(stored));
  // A value that deciphers to nothing (a single character, or a zero byte first) is as good as an
  // empty one: it must not wipe out the reader's previous or built-in value.
  if (plain.empty()) return std::nullopt;
  return DescriptorEntry{std::move(stored), text::FromAnsi(plain)};
}

std::optional<std::wstring> ReadDescriptorValue(os::ProfileFiles& profile, const std::wstring& file,
                                                const std::wstring& key, const std::wstring& marker,
                                                size_t capacity) {
  auto entry = ReadDescriptorEntry(profile, file, key, marker, capacity);
  if (!entry) return std::nullopt;
  return std::move(entry->plain);
}

bool ReadMainLinks(os::ProfileFiles& profile, MainLinks& links, const MessageBoxCallback& showMessage,
                   const std::wstring& file) {
  if (!FileExists(file)) {
    if (showMessage) showMessage(kNoVersionTextId);
    return false;
  }
  ReadInto(profile, file, L"myURL", kNotFoundMarker, links.myURL);
  ReadInto(profile, file, L"payURL", kNotFoundMarker, links.payURL);
  ReadInto(profile, file, L"creditURL", kNotFoundMarker, links.creditURL);
  ReadInto(profile, file, L"navURL", kNotFoundMarker, links.navURL);
  ReadInto(profile, file, L"helpURL", kNotFoundMarker, links.helpURL);
  ReadInto(profile, file, L"newURL", kNotFoundMarker, links.newURL);
  ReadInto(profile, file, L"qqURL", kNotFoundMarker, links.qqURL);
  return true;
}

bool ReadMainLinks(os::ProfileFiles& profile, MainLinks& links, const MessageBoxCallback& showMessage) {
  return ReadMainLinks(profile, links, showMessage, DescriptorPath());
}

LoginWindowLinks BuiltInLoginLinks() {
  LoginWindowLinks links;
  links.site = text::AsciiToWide("http://" NIMBROOK_SITE_HOST);
  links.loginURL = text::AsciiToWide("http://" NIMBROOK_SERVICE_HOST "/clogin.php");
  return links;
}

LoginWindowLinks ReadLoginLinks(os::ProfileFiles& profile, const LoginWindowLinks& start, const std::wstring& file) {
  LoginWindowLinks links = start;
  if (!FileExists(file)) return links;
  ReadInto(profile, file, L"site", kSiteMarker, links.site);
  ReadInto(profile, file, L"loginURL", kLoginUrlMarker, links.loginURL);
  ReadInto(profile, file, L"notifyURL", kNotFoundMarker, links.notifyURL);
  ReadInto(profile, file, L"regURL", kNotFoundMarker, links.regURL);
  ReadInto(profile, file, L"getpwdURL", kNotFoundMarker, links.getpwdURL);
  return links;
}

LoginWindowLinks ReadLoginLinks(os::ProfileFiles& profile) {
  return ReadLoginLinks(profile, BuiltInLoginLinks(), DescriptorPath());
}

}  // namespace nimbrook
