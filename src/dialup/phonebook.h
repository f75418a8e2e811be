// The private phonebook the dial-up engines dial from: "template.dll" in the configuration
// directory holds the four complete entries; before every attempt it is copied to "nimbrookjsq.dll"
// and the entry's number (and, on request, its DNS server) is written into the copy.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "os/profile_file.h"

namespace nimbrook {

inline constexpr wchar_t kPhonebookTemplateName[] = L"template.dll";
inline constexpr wchar_t kWorkingPhonebookName[] = L"nimbrookjsq.dll";
inline constexpr wchar_t kPhoneNumberKey[] = L"PhoneNumber";
inline constexpr wchar_t kDnsAddressKey[] = L"IpDnsAddress";
inline constexpr wchar_t kLocalDnsAddress[] = L"127.0.0.1";

// What the phonebook is prepared for.
struct PhonebookTarget {
  int32_t protocol = 0;
  std::wstring host;
  std::wstring port;
  bool useLocalDns = false;  // the setting use_dns is exactly "true"
};

// The entry's number: the host; for SSTP host + ":" + port, unless the port is "443", "1" or empty.
std::wstring PhoneNumberFor(int32_t protocol, const std::wstring& host, const std::wstring& port);

// Whether a value can stand in a phonebook line: no control characters (a line break would add keys
// of its own to the entry) and no "[" or "]" (a section name).
bool IsSafePhonebookValue(const std::wstring& value);

// configDir + "template.dll" and configDir + "nimbrookjsq.dll".
std::wstring PhonebookTemplatePath(const std::wstring& configDir);
std::wstring WorkingPhonebookPath(const std::wstring& configDir);

// Logs the two paths ("模板文件：", "PBK文件："), copies the template over the working phonebook
// (logging "创建配置文件" + path + "失败" when that fails), names the entry for the protocol, writes
// IpDnsAddress "127.0.0.1" when asked and PhoneNumber. True when the copy exists and PhoneNumber was
// written. False without touching anything for a protocol without an entry and for a host or port
// that cannot stand in a phonebook line.
[[nodiscard]] bool ConfigPhonebook(os::ProfileFiles& profile, const std::wstring& configDir,
                                   const PhonebookTarget& target, const std::function<void(const std::wstring&)>& log,
                                   std::wstring& entry);

}  // namespace nimbrook
