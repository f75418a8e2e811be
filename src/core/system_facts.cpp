#include "core/system_facts.h"

#include <cstdio>

#include "core/file_io.h"
#include "core/text.h"

namespace nimbrook {
namespace {

constexpr char kUnknownName[] = "unknown OperatingSystem.";

bool Workstation(const os::VersionFacts& f) { return f.productType == os::kWorkstation; }

}  // namespace

const os::VersionFacts& SystemVersion() {
  static const os::VersionFacts facts = os::ReadVersionFacts();
  return facts;
}

std::string WindowsName(const os::VersionFacts& f) {
  if (!f.valid) return kUnknownName;
  const auto is = [&](unsigned major, unsigned minor) { return f.major == major && f.minor == minor; };
  if (is(4, 0)) {
    if (f.platformId == os::kPlatformNt) return "Microsoft Windows NT 4.0";
    if (f.platformId == os::kPlatformWin9x) return "Microsoft Windows 95";
    return kUnknownName;
  }
  if (is(4, 10)) return "Microsoft Windows 98";
  if (is(4, 90)) return "Microsoft Windows Me";
  if (is(5, 0)) return "Microsoft Windows 2000";
  if (is(5, 1)) return "Microsoft Windows XP";
  if (is(5, 2)) {
    if (Workstation(f) && f.nativeArchitecture == os::kArchitectureAmd64) {
      return "Microsoft Windows XP Professional x64 Edition";
    }
    return f.serverR2 ? "Microsoft Windows Server 2003 R2" : "Microsoft Windows Server 2003";
  }
  if (is(6, 0)) return Workstation(f) ? "Microsoft Windows Vista" : "Microsoft Windows Server 2008";
  if (is(6, 1)) return Workstation(f) ? "Microsoft Windows 7" : "Microsoft Windows Server 2008 R2";
  if (is(6, 2)) return Workstation(f) ? "Microsoft Windows 8" : "Microsoft Windows Server 2012";
  if (is(6, 3)) return Workstation(f) ? "Microsoft Windows 8.1" : "Microsoft Windows Server 2012 R2";
  if (is(10, 0)) {
    return Workstation(f) ? "Microsoft Windows 10" : "Microsoft Windows Server 2016 Technical Preview";
  }
  return kUnknownName;
}

std::string WindowsName() { return WindowsName(SystemVersion()); }

int WordSize(const os::VersionFacts& f) {
  switch (f.nativeArchitecture) {
    case os::kArchitectureAmd64:
    case os::kArchitectureIa64:
    case os::kArchitectureArm64:  // 64-bit Windows on ARM runs x64 and ARM64 programs alike
      return 64;
    default:
      return 32;
  }
}

std::string SystemDescription(const os::VersionFacts& f) {
  const std::string name = WindowsName(f);
  char size[16];
  std::snprintf(size, sizeof size, " %d", WordSize(f));
  return name + size;
}

bool NewerThanXP(const os::VersionFacts& f) { return f.valid && f.major > 5; }

bool NewerThanXP() {
  static const bool newer = NewerThanXP(SystemVersion());
  return newer;
}

std::wstring ExcludedProtocols(bool newerThanXP) { return newerThanXP ? std::wstring() : L"IPSEC|SSTP"; }

std::wstring ExcludedProtocols() { return ExcludedProtocols(NewerThanXP()); }

std::string AdapterAddress(const std::string& name, const std::vector<os::AdapterRecord>& adapters) {
  for (const auto& adapter : adapters) {
    if (adapter.name == name) return adapter.ipAddresses.empty() ? std::string() : adapter.ipAddresses.front();
  }
  return {};
}

std::string AdapterAddress(const std::string& name) { return AdapterAddress(name, os::ListAdapters()); }

bool IsWebAddress(const std::wstring& url) {
  const auto startsWith = [&](const wchar_t* scheme) {
    const std::wstring_view s(scheme);
    return url.size() > s.size() && text::EqualsIgnoreCase(std::wstring_view(url).substr(0, s.size()), s);
  };
  return startsWith(L"http://") || startsWith(L"https://");
}

std::wstring BrowserCommandLine(const std::wstring& browserPath, const std::wstring& url) {
  std::wstring quotedUrl;
  for (wchar_t c : url) {
    if (c == L'"') quotedUrl += L"%22";
    else quotedUrl.push_back(c);
  }
  return L"\"" + browserPath + L"\"  \"" + quotedUrl + L"\"";
}

int OpenInBrowser(const std::wstring& url, os::Shell& shell, const std::wstring& browserPath) {
  if (!IsWebAddress(url)) return 0;
  if (FileExists(browserPath) && shell.StartProgram(BrowserCommandLine(browserPath, url))) return 0;
  (void)shell.OpenWithDefaultProgram(url);
  return 0;
}

int OpenInBrowser(const std::wstring& url) { return OpenInBrowser(url, os::SystemShell()); }

}  // namespace nimbrook
