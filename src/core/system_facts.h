// System facts the client reports and decides by: the Windows name and the system description sent
// with every login, whether Windows is newer than XP (and so which protocols it can offer), the
// address of an adapter by its system name, and opening web pages for the user.
#pragma once

#include <string>
#include <vector>

#include "os/adapters.h"
#include "os/shell.h"
#include "os/system_info.h"

namespace nimbrook {

// The Windows version record of this system, read once and kept for the life of the process.
const os::VersionFacts& SystemVersion();

// The Windows name, "Microsoft Windows 7" and so on; "unknown OperatingSystem." for a version the
// table does not know and for an unreadable version.
std::string WindowsName(const os::VersionFacts& facts);
std::string WindowsName();

// 64 when the native processor architecture is AMD64, IA64 or ARM64, 32 otherwise.
int WordSize(const os::VersionFacts& facts);
// "%s %d": the Windows name and the word size, "Microsoft Windows 7 64".
std::string SystemDescription(const os::VersionFacts& facts);

// Windows major version above 5. An unreadable version counts as not newer.
bool NewerThanXP(const os::VersionFacts& facts);
bool NewerThanXP();  // this system, cached

// The protocols the main window must not offer on this system: "" or "IPSEC|SSTP".
std::wstring ExcludedProtocols(bool newerThanXP);
std::wstring ExcludedProtocols();

// The first IPv4 address of the adapter whose system name equals name exactly; empty when there is
// no such adapter or it has no address.
std::string AdapterAddress(const std::string& name, const std::vector<os::AdapterRecord>& adapters);
std::string AdapterAddress(const std::string& name);

inline constexpr wchar_t kInternetExplorerPath[] = L"C:\\Program Files\\Internet Explorer\\iexplore.exe";

// True for the http:// and https:// addresses the client opens (any case of the scheme).
bool IsWebAddress(const std::wstring& url);
// "\"<browser>\"  \"<url>\"": the browser path and the address each in quotes, two spaces between.
// A quote inside the address is written as %22, so the address stays one argument.
std::wstring BrowserCommandLine(const std::wstring& browserPath, const std::wstring& url);

// Opens a web page: with Internet Explorer when it is installed at browserPath, otherwise with the
// user's default browser. Addresses other than http:// and https:// are not opened (the shell would
// start a program or open a file for them). Always returns 0.
int OpenInBrowser(const std::wstring& url, os::Shell& shell, const std::wstring& browserPath = kInternetExplorerPath);
int OpenInBrowser(const std::wstring& url);

}  // namespace nimbrook
