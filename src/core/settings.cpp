#include "core/settings.h"

#include <algorithm>
#include <iterator>
#include <string_view>
#include <utility>

#include "core/paths.h"
#include "core/text.h"
#include "os/module_path.h"

namespace nimbrook {
namespace {

constexpr char kSection[] = "Setting";
constexpr char kNotFound[] = "not found";

// A value has at most 1023 bytes in the first read. A value that fills the buffer may have been cut,
// so it is read again with more room; the profile API may also stop one byte short of a full buffer
// rather than split a double-byte character, hence the margin of two.
constexpr size_t kFirstCapacity = 1024;
constexpr size_t kLargestCapacity = size_t{1} << 16;  // 64 KiB: far beyond any real value

// In the order of the Key enumeration, which is the order of loading.
constexpr const char* kKeyNames[] = {
    "UserChoosedProtocol", "source", "refer", "username", "password", "auto_login", "rember_pw",
    "reconn", "hide", "autorun", "proxy_mode", "proxy_addr", "proxy_port", "language", "defaultdns",
    "use_dns", "ads_notify_date", "free_notify_date", "vip_notify_date"};

constexpr char kBase64Alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

// A value is one INI line: a line break in it would end the line and start a key of its own.
std::string SingleLine(const std::string& value) {
  std::string out;
  out.reserve(value.size());
  for (const char c : value) {
    if (c != '\r' && c != '\n' && c != '\0') out.push_back(c);
  }
  return out;
}

std::vector<std::string> SplitDns(const std::string& list) {
  std::vector<std::string> entries;
  size_t start = 0;
  for (;;) {
    const size_t comma = list.find(',', start);
    if (comma == std::string::npos) {
      entries.push_back(list.substr(start));
      return entries;
    }
    entries.push_back(list.substr(start, comma - start));
    start = comma + 1;
  }
}

// Whole groups of four alphabet characters, "=" only as the padding of the last group.
bool IsWellFormedBase64(const std::string& text) {
  if (text.size() % 4 != 0) return false;
  const std::string_view alphabet(kBase64Alphabet);
  size_t padding = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '=') {
      ++padding;
      continue;
    }
    if (padding > 0 || alphabet.find(text[i]) == std::string_view::npos) return false;
  }
  return padding <= 2;
}

}  // namespace

Settings::Settings(os::ProfileFiles& profile, std::wstring configIniPath)
    : profile_(profile), configIniPath_(std::move(configIniPath)) {
  static_assert(std::size(kKeyNames) == kKeyCount, "one name per key");
}

Settings::ReadResult Settings::ReadKey(Key key) const {
  ReadResult result;
  for (size_t capacity = kFirstCapacity;; capacity *= 2) {
    result.value = profile_.ReadStringA(configIniPath_, kSection, kKeyNames[key], kNotFound, capacity);
    if (result.value.size() + 2 < capacity) break;
    if (capacity >= kLargestCapacity) {
      result.complete = false;
      break;
    }
  }
  if (result.value == kNotFound) result.value.clear();
  return result;
}

bool Settings::WriteKey(Key key, const std::string& value) {
  return profile_.WriteStringA(configIniPath_, kSection, kKeyNames[key], SingleLine(value));
}

std::string Settings::DecodeStoredPassword(const std::string& stored) const {
  // Line breaks may sit inside long encodings; anything else outside the alphabet means the value
  // was not written by the client (edited by hand, damaged), and decoding it would only make up a
  // wrong password. The subscriber then types the password again.
  std::string encoded;
  for (const char c : stored) {
    if (c != '\r' && c != '\n') encoded.push_back(c);
  }
  if (!IsWellFormedBase64(encoded)) return {};
  return base64_.Decode(encoded);
}

void Settings::Load() {
  std::array<ReadResult, kKeyCount> read;
  for (size_t key = 0; key < kKeyCount; ++key) read[key] = ReadKey(static_cast<Key>(key));
  read[kPassword].value = DecodeStoredPassword(read[kPassword].value);

  std::lock_guard<std::mutex> guard(lock_);
  for (size_t key = 0; key < kKeyCount; ++key) {
    values_[key] = std::move(read[key].value);
    cut_[key] = !read[key].complete;
  }
  languageSet_ = false;
  dnsList_ = SplitDns(values_[kDefaultDns]);
}

bool Settings::Save() {
  static constexpr Key kSaveOrder[] = {
      kUsername, kPassword, kAutoLogin, kRemberPw, kReconn, kHide, kAutorun, kProxyMode, kProxyAddr,
      kProxyPort, kLanguage, kDefaultDns, kUseDns, kAdsNotifyDate, kFreeNotifyDate, kVipNotifyDate,
      kUserChoosedProtocol};
  std::array<std::string, kKeyCount> values;
  std::array<bool, kKeyCount> cut;
  bool languageSet = false;
  {
    std::lock_guard<std::mutex> guard(lock_);
    values = values_;
    cut = cut_;
    languageSet = languageSet_;
  }

  // Only a remembered password is stored. The encoding is written as one line: the codec's line
  // breaks after 76 characters would otherwise split the value and lose everything after them.
  std::string password;
  if (values[kRemberPw] == "1") {
    for (const char c : base64_.Encode(values[kPassword])) {
      if (c != '\r' && c != '\n') password.push_back(c);
    }
  }
  values[kPassword] = password;

  // Start-up, the login window and the settings window write the language to the file themselves.
  // Unless it was set here during this run, the file's own value is the current one (on the first
  // run start-up writes the system language after the load), so that is what stays.
  if (!languageSet) {
    const ReadResult current = ReadKey(kLanguage);
    if (!current.value.empty() && current.complete) values[kLanguage] = current.value;
  }

  bool allWritten = true;
  for (const Key key : kSaveOrder) {
    if (cut[key]) continue;  // never replace a stored text by the part of it that could be read
    if (!WriteKey(key, values[key])) allWritten = false;
  }
  return allWritten;
}

std::string Settings::Get(Key key) const {
  std::lock_guard<std::mutex> guard(lock_);
  return values_[key];
}

bool Settings::Flag(Key key) const {
  std::lock_guard<std::mutex> guard(lock_);
  return text::LeadingInteger(values_[key]) != 0;
}

std::vector<std::string> Settings::DnsList() const {
  std::lock_guard<std::mutex> guard(lock_);
  return dnsList_;
}

LoginValues Settings::ForLogin() const {
  std::lock_guard<std::mutex> guard(lock_);
  return LoginValues{values_[kUsername], values_[kPassword], values_[kSource]};
}

void Settings::SetFlag(Key key, bool on) { SetText(key, on ? "1" : "0"); }

void Settings::SetText(Key key, const std::string& value) {
  std::string line = SingleLine(value);
  std::lock_guard<std::mutex> guard(lock_);
  values_[key] = std::move(line);
  cut_[key] = false;
  if (key == kLanguage) languageSet_ = true;
}

void Settings::SetPassword(const std::string& password) {
  std::lock_guard<std::mutex> guard(lock_);
  values_[kPassword] = password;
  cut_[kPassword] = false;
}

bool Settings::SetWrittenThrough(Key key, const std::string& value) {
  const std::string line = SingleLine(value);
  SetText(key, line);
  return WriteKey(key, line);
}

void Settings::PublishIdentity(const IdentityTexts& texts) {
  {
    std::lock_guard<std::mutex> guard(identityLock_);
    identity_ = texts;
    identityPublished_ = true;
  }
  identityReady_.notify_all();
}

IdentityTexts Settings::Identity(std::chrono::milliseconds waitBound) const {
  // A bound meant as "for ever" (milliseconds::max()) would overflow the clock's arithmetic.
  constexpr std::chrono::milliseconds kLongestWait = std::chrono::hours(24 * 365);
  waitBound = std::clamp(waitBound, std::chrono::milliseconds::zero(), kLongestWait);
  std::unique_lock<std::mutex> guard(identityLock_);
  if (!identityReady_.wait_for(guard, waitBound, [this] { return identityPublished_; })) return IdentityTexts{};
  return identity_;
}

bool Settings::IdentityPublished() const {
  std::lock_guard<std::mutex> guard(identityLock_);
  return identityPublished_;
}

// The directory is cut from the narrow module path as the settings have always done, but on its wide
// form: in a double-byte code page the second byte of a character may be the byte of "\". When the
// narrow path could not be read in full, or does not name the same file as the wide one, the wide
// path is used.
std::wstring ClientConfigPathFor(const std::string& narrowExecutable, const std::wstring& wideExecutable) {
  std::wstring executable = text::FromAnsi(narrowExecutable);
  if (executable.empty() || (!wideExecutable.empty() && executable != wideExecutable)) executable = wideExecutable;
  const size_t cut = executable.find_last_of(kPathSeparator);
  const std::wstring programDir = cut == std::wstring::npos ? std::wstring() : executable.substr(0, cut + 1);
  return JoinPath(JoinPath(programDir, L"config"), L"config.ini");
}

Settings& ClientSettings() {
  // Never destroyed: detached workers may still read it while the process ends.
  static Settings* const settings = [] {
    auto* created = new Settings(os::SystemProfile(), ClientConfigPathFor(os::ExecutablePathA(), os::ExecutablePath()));
    created->Load();
    return created;
  }();
  return *settings;
}

SettingsPersistence::SettingsPersistence() : settings_(ClientSettings()) {}

SettingsPersistence::SettingsPersistence(Settings& settings) : settings_(settings) { settings_.Load(); }

SettingsPersistence::~SettingsPersistence() { (void)settings_.Save(); }

}  // namespace nimbrook
