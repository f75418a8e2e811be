// The client's settings: section "Setting" of "config\config.ini", held in memory as narrow (ANSI)
// text, loaded once before the client's entry point and saved once after it. The same object hands
// the machine identity texts from the identity collector to the login worker; those are never stored.
#pragma once

#include <array>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <string>
#include <vector>

#include "core/base64.h"
#include "os/profile_file.h"

namespace nimbrook {

// The five identity texts, collected together and handed over together.
struct IdentityTexts {
  std::string boardSerial;
  std::string processorId;
  std::string adapterAddress;
  std::string diskSerial;
  std::string systemDescription;
};

// What one login attempt sends of the settings, taken in one piece.
struct LoginValues {
  std::string username;
  std::string password;  // decoded
  std::string source;
};

// Threads: every value is guarded by one lock, so a reader on any thread gets a whole value, never a
// half-assigned one. The login worker reads username, password and source (ForLogin) while the login
// window waits for its result; the UI does not change them during a login, so the worker's values
// all belong to the attempt the user started. The identity texts have their own hand-over (below).
class Settings {
 public:
  // configIniPath: the "config.ini" the values live in; every access goes through profile.
  Settings(os::ProfileFiles& profile, std::wstring configIniPath);
  Settings(const Settings&) = delete;
  Settings& operator=(const Settings&) = delete;

  // Reads every key of section "Setting"; a missing key, or one stored as "not found", reads as
  // empty. The password is kept decoded; a stored password that is not well-formed Base64 loads
  // as empty. defaultdns is split at each "," into the DNS list (an empty value gives one empty
  // entry, a trailing "," an empty last entry).
  void Load();

  // Writes every key but source and refer, in a fixed order. The password is written Base64-encoded
  // when rember_pw is exactly "1", empty otherwise. A value whose stored text was too long to load
  // in full, and that has not been set since, is left as it stands in the file. The language is
  // written as the file holds it unless SetLanguage was called since Load: start-up and the windows
  // write it to the file themselves. True when every write succeeded; a failed write leaves the
  // file's old text for that key.
  bool Save();

  const std::wstring& ConfigPath() const { return configIniPath_; }

  // Readers: copies of the values.
  std::string UserChoosedProtocol() const { return Get(kUserChoosedProtocol); }
  std::string Source() const { return Get(kSource); }
  std::string Refer() const { return Get(kRefer); }
  std::string Username() const { return Get(kUsername); }
  std::string Password() const { return Get(kPassword); }  // decoded
  std::string AutoLogin() const { return Get(kAutoLogin); }
  std::string RemberPw() const { return Get(kRemberPw); }
  std::string Reconn() const { return Get(kReconn); }
  std::string Hide() const { return Get(kHide); }
  std::string Autorun() const { return Get(kAutorun); }
  std::string ProxyMode() const { return Get(kProxyMode); }
  std::string ProxyAddr() const { return Get(kProxyAddr); }
  std::string ProxyPort() const { return Get(kProxyPort); }
  std::string Language() const { return Get(kLanguage); }
  std::string DefaultDns() const { return Get(kDefaultDns); }
  std::string UseDns() const { return Get(kUseDns); }
  std::string AdsNotifyDate() const { return Get(kAdsNotifyDate); }
  std::string FreeNotifyDate() const { return Get(kFreeNotifyDate); }
  std::string VipNotifyDate() const { return Get(kVipNotifyDate); }
  std::vector<std::string> DnsList() const;
  LoginValues ForLogin() const;

  // Flags: on when the value's leading integer is not 0 ("1", "11"; not "", "0", "true").
  bool IsAutoLogin() const { return Flag(kAutoLogin); }
  bool IsRemberPw() const { return Flag(kRemberPw); }
  bool IsReconn() const { return Flag(kReconn); }
  bool IsHide() const { return Flag(kHide); }
  bool IsAutorun() const { return Flag(kAutorun); }

  // Setters change the memory only (flags store "1" or "0"); Save writes them. Values are single
  // lines: CR, LF and NUL characters are dropped from texts (the password is stored encoded and kept
  // as given).
  void SetAutoLogin(bool on) { SetFlag(kAutoLogin, on); }
  void SetRemberPw(bool on) { SetFlag(kRemberPw, on); }
  void SetReconn(bool on) { SetFlag(kReconn, on); }
  void SetHide(bool on) { SetFlag(kHide, on); }
  void SetAutorun(bool on) { SetFlag(kAutorun, on); }
  void SetLanguage(const std::string& code) { SetText(kLanguage, code); }
  void SetUseDns(const std::string& value) { SetText(kUseDns, value); }
  void SetUsername(const std::string& name) { SetText(kUsername, name); }
  void SetPassword(const std::string& password);
  void SetUserChoosedProtocol(const std::string& protocol) { SetText(kUserChoosedProtocol, protocol); }

  // The notify dates also write their key to the file at once; true when that write succeeded.
  bool SetAdsNotifyDate(const std::string& date) { return SetWrittenThrough(kAdsNotifyDate, date); }
  bool SetFreeNotifyDate(const std::string& date) { return SetWrittenThrough(kFreeNotifyDate, date); }
  bool SetVipNotifyDate(const std::string& date) { return SetWrittenThrough(kVipNotifyDate, date); }

  // Identity hand-over. The collector publishes all five texts at once (publishing again replaces
  // them all). Identity waits until they are published or waitBound has passed, then returns one
  // consistent copy: the published texts, or five empty texts when nothing was published in time.
  void PublishIdentity(const IdentityTexts& texts);
  IdentityTexts Identity(std::chrono::milliseconds waitBound) const;
  bool IdentityPublished() const;

 private:
  // In the order the keys are loaded.
  enum Key : size_t {
    kUserChoosedProtocol,
    kSource,
    kRefer,
    kUsername,
    kPassword,
    kAutoLogin,
    kRemberPw,
    kReconn,
    kHide,
    kAutorun,
    kProxyMode,
    kProxyAddr,
    kProxyPort,
    kLanguage,
    kDefaultDns,
    kUseDns,
    kAdsNotifyDate,
    kFreeNotifyDate,
    kVipNotifyDate,
    kKeyCount
  };

  struct ReadResult {
    std::string value;
    bool complete = true;  // false when the stored text was longer than the largest read allows
  };

  std::string Get(Key key) const;
  bool Flag(Key key) const;
  void SetFlag(Key key, bool on);
  void SetText(Key key, const std::string& value);
  bool SetWrittenThrough(Key key, const std::string& value);
  ReadResult ReadKey(Key key) const;
  bool WriteKey(Key key, const std::string& value);
  std::string DecodeStoredPassword(const std::string& stored) const;

  os::ProfileFiles& profile_;
  const std::wstring configIniPath_;
  Base64 base64_;

  mutable std::mutex lock_;  // guards everything below up to the identity block
  std::array<std::string, kKeyCount> values_;
  std::array<bool, kKeyCount> cut_{};      // loaded incomplete and not set since: not written back
  bool languageSet_ = false;               // SetLanguage called since Load
  std::vector<std::string> dnsList_{""};

  mutable std::mutex identityLock_;
  mutable std::condition_variable identityReady_;
  IdentityTexts identity_;
  bool identityPublished_ = false;
};

// The client's settings object: created on first use for "config\config.ini" beside the executable
// (built from the narrow module path) and loaded then. It is never saved by itself, so the companion
// programs and tests may use it freely; the client saves it through SettingsPersistence.
Settings& ClientSettings();

// Where ClientSettings keeps its file for an executable at the given narrow (module path, ANSI) and
// wide path: "config\config.ini" in the executable's directory.
std::wstring ClientConfigPathFor(const std::string& narrowExecutable, const std::wstring& wideExecutable);

// Held by the client as a static object, so that the settings are loaded before its entry point runs
// and saved after it has returned (during static destruction).
class SettingsPersistence {
 public:
  SettingsPersistence();                            // ClientSettings(), loaded on creation
  explicit SettingsPersistence(Settings& settings);  // loads the given settings
  ~SettingsPersistence();                           // saves them
  SettingsPersistence(const SettingsPersistence&) = delete;
  SettingsPersistence& operator=(const SettingsPersistence&) = delete;

 private:
  Settings& settings_;
};

}  // namespace nimbrook
