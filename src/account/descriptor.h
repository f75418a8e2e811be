// The service descriptor ("version.ini" and the downloaded "new_version.ini" in the configuration
// directory): where the service lives. Its URL values are stored enciphered and deciphered each time
// they are read; a value counts only when it is present, not empty and free of the reader's marker.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "os/profile_file.h"

namespace nimbrook {

inline constexpr wchar_t kDescriptorFileName[] = L"version.ini";
inline constexpr wchar_t kNewDescriptorFileName[] = L"new_version.ini";
inline constexpr wchar_t kDescriptorUrlSection[] = L"URL";

// Capacity (characters, terminator included) of a value read by the login and main windows, and by
// the update check.
inline constexpr size_t kWindowValueCapacity = 2048;
inline constexpr size_t kUpdateCheckValueCapacity = 4096;

// Markers: the fallback each reader passes for a missing key; a value containing its marker is
// ignored as a whole.
inline constexpr wchar_t kSiteMarker[] = L"site未知";          // site (login window)
inline constexpr wchar_t kLoginUrlMarker[] = L"loginURL未知";  // loginURL (login window)
inline constexpr wchar_t kNotFoundMarker[] = L"notfound";      // notifyURL, regURL, getpwdURL, myURL ... qqURL
inline constexpr wchar_t kUpdateCheckMarker[] = L"未找到";     // loginURL, versionURL, downloadURL (update check)

// Language id of the message shown when the main window finds no "version.ini".
inline constexpr wchar_t kNoVersionTextId[] = L"msg_no_version";

// Configuration directory + "version.ini" / "new_version.ini" (from the process paths).
std::wstring DescriptorPath();
std::wstring NewDescriptorPath();

// A value as stored and as deciphered.
struct DescriptorEntry {
  std::wstring enciphered;  // the text in the file
  std::wstring plain;       // its deciphered text
};

// Reads key from section "URL" of file with the wide profile API (at most capacity - 1 characters).
// Nothing when the key or file is missing, the value is empty or contains marker, or it deciphers
// to nothing; otherwise the value, converted to the ANSI code page, deciphered and converted back.
std::optional<DescriptorEntry> ReadDescriptorEntry(os::ProfileFiles& profile, const std::wstring& file,
                                                   const std::wstring& key, const std::wstring& marker,
                                                   size_t capacity);
// The deciphered text of ReadDescriptorEntry.
std::optional<std::wstring> ReadDescriptorValue(os::ProfileFiles& profile, const std::wstring& file,
                                                const std::wstring& key, const std::wstring& marker,
                                                size_t capacity);

// The main window's service links.
struct MainLinks {
  std::wstring myURL;      // account page
  std::wstring payURL;     // payment page
  std::wstring creditURL;  // credit page
  std::wstring navURL;     // navigation page
  std::wstring helpURL;    // help page
  std::wstring newURL;     // news page
  std::wstring qqURL;      // support chat page
};

// Shows a message box with the language text of textId (the button "ok", modal).
using MessageBoxCallback = std::function<void(const std::wstring& textId)>;

// Reads myURL ... qqURL of file into links; a link whose value does not count keeps its previous
// text. When the file is missing, showMessage gets "msg_no_version", links stay as they were and the
// result is false; otherwise the result is true, whatever the keys hold.
[[nodiscard]] bool ReadMainLinks(os::ProfileFiles& profile, MainLinks& links, const MessageBoxCallback& showMessage,
                                 const std::wstring& file);
[[nodiscard]] bool ReadMainLinks(os::ProfileFiles& profile, MainLinks& links, const MessageBoxCallback& showMessage);

// What the login window prepares from the descriptor when it opens.
struct LoginWindowLinks {
  std::wstring site;       // account site address; also becomes the process-wide site address
  std::wstring loginURL;   // login endpoint list, URLs separated by ";"
  std::wstring notifyURL;  // base of the notice pages; also becomes the process-wide notice base
  std::wstring regURL;     // registration page
  std::wstring getpwdURL;  // password recovery page
};

// The built-in values: the service's site address and login endpoint ("/clogin.php" on the service
// host) from the build's deployment values; no notice base, registration or recovery page.
LoginWindowLinks BuiltInLoginLinks();

// start with every value of file that counts put in its place; start unchanged when the file is
// missing.
LoginWindowLinks ReadLoginLinks(os::ProfileFiles& profile, const LoginWindowLinks& start, const std::wstring& file);
// BuiltInLoginLinks() updated from the installed "version.ini".
LoginWindowLinks ReadLoginLinks(os::ProfileFiles& profile);

}  // namespace nimbrook
