// The settings window's rules apart from any window: which tab a scroll position selects, what a
// manual proxy may be, where the system tools live, and the autorun value in the Run key. Pure
// functions and one registry seam, tested on their own.
#pragma once

#include <string>

#include "os/registry.h"

namespace nimbrook {

// Scroll offsets of the four sections of the settings page (layout pixels).
inline constexpr int kGeneralOffset = 0;
inline constexpr int kProxyOffset = 170;
inline constexpr int kDnsOffset = 345;
inline constexpr int kToolsOffset = 585;

// The tab a scroll position selects, given the tab selected now: "normal_opt" below the proxy section,
// "proxy_opt" up to the DNS section, "dns_opt" up to the tools section unless "dns_opt" or "tools_opt"
// is selected already; otherwise the current tab (the tools tab is only selected by clicking it).
std::wstring TabForScroll(int y, const std::wstring& currentTab);
// The section offset of a tab; -1 for any other name.
int OffsetOfTab(const std::wstring& tab);

// A manual proxy server: a host name or an IPv4 address, ASCII letters, digits, "-" and "." only,
// at most 253 characters, without empty labels or a label that begins or ends with "-".
bool IsValidProxyServer(const std::wstring& server);
// A manual proxy port: decimal digits only, 1-65535.
bool IsValidProxyPort(const std::wstring& port);

// A system program and what it is given, started through the shell by its full path in the system
// directory (never found through a search that begins in the current directory).
struct ToolCommand {
  std::wstring file;
  std::wstring parameters;
};
// Notepad on the hosts file: systemDir + "\notepad.exe" with systemDir + "\drivers\etc\hosts".
ToolCommand HostsFileCommand(const std::wstring& systemDir);
// The DNS cache flush: systemDir + "\ipconfig.exe" with "/flushdns".
ToolCommand FlushDnsCommand(const std::wstring& systemDir);

// The autorun value: HKLM "Software\Microsoft\Windows\CurrentVersion\Run", value "nimbrook.exe",
// a string holding the executable's full path.
inline const os::RegistryLocation kRunKey{os::RegistryRoot::LocalMachine,
                                          L"Software\\Microsoft\\Windows\\CurrentVersion\\Run"};
inline constexpr wchar_t kAutorunValue[] = L"nimbrook.exe";

// The system's own failure texts of the autorun value (shown in a plain message box).
inline constexpr wchar_t kRunKeyOpenFailed[] = L"打开注册表项失败";
inline constexpr wchar_t kRunValueWriteFailed[] = L"写注册表失败";
inline constexpr wchar_t kRunValueDeleteFailed[] = L"删除注册表失败";

// Creates the key when missing and writes the value; empty on success, else the failure text.
std::wstring WriteAutorunValue(os::Registry& registry, const std::wstring& executablePath);
// Deletes the value; a value that is already gone counts as deleted. Empty on success, else the
// failure text.
std::wstring DeleteAutorunValue(os::Registry& registry);

}  // namespace nimbrook
