#include "settings_window/setting_rules.h"

namespace nimbrook {

std::wstring TabForScroll(int y, const std::wstring& currentTab) {
  if (y < kProxyOffset) return L"normal_opt";
  if (y < kDnsOffset) return L"proxy_opt";
  if (y < kToolsOffset && currentTab != L"dns_opt" && currentTab != L"tools_opt") return L"dns_opt";
  return currentTab;
}

int OffsetOfTab(const std::wstring& tab) {
  if (tab == L"normal_opt") return kGeneralOffset;
  if (tab == L"proxy_opt") return kProxyOffset;
  if (tab == L"dns_opt") return kDnsOffset;
  if (tab == L"tools_opt") return kToolsOffset;
  return -1;
}

bool IsValidProxyServer(const std::wstring& server) {
  if (server.empty() || server.size() > 253) return false;
  size_t labelStart = 0;
  for (size_t i = 0; i <= server.size(); ++i) {
    if (i == server.size() || server[i] == L'.') {
      // No empty label ("a..b", ".a", "a."), and none that begins or ends with "-".
      if (i == labelStart || server[labelStart] == L'-' || server[i - 1] == L'-') return false;
      labelStart = i + 1;
      continue;
    }
    const wchar_t c = server[i];
    const bool ok = (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z') || (c >= L'0' && c <= L'9') || c == L'-';
    if (!ok) return false;
  }
  return true;
}

bool IsValidProxyPort(const std::wstring& port) {
  if (port.empty() || port.size() > 5) return false;
  long value = 0;
  for (const wchar_t c : port) {
    if (c < L'0' || c > L'9') return false;
    value = value * 10 + (c - L'0');
  }
  return value >= 1 && value <= 65535;
}

ToolCommand HostsFileCommand(const std::wstring& systemDir) {
  return {systemDir + L"\\notepad.exe", systemDir + L"\\drivers\\etc\\hosts"};
}

ToolCommand FlushDnsCommand(const std::wstring& systemDir) { return {systemDir + L"\\ipconfig.exe", L"/flushdns"}; }

std::wstring WriteAutorunValue(os::Registry& registry, const std::wstring& executablePath) {
  if (registry.CreateKey(kRunKey) != os::RegistryStatus::Ok) return kRunKeyOpenFailed;
  // A REG_SZ: the path's UTF-16LE characters and one terminating zero.
  std::string data = os::MultiStringBytes({executablePath});
  data.resize(data.size() - 2);
  if (registry.Write(kRunKey, kAutorunValue, os::kRegistrySz, data) != os::RegistryStatus::Ok) {
    return kRunValueWriteFailed;
  }
  return L"";
}

std::wstring DeleteAutorunValue(os::Registry& registry) {
  switch (registry.DeleteValue(kRunKey, kAutorunValue)) {
    case os::RegistryStatus::Ok:
    case os::RegistryStatus::NoValue:
    case os::RegistryStatus::NoKey:
      return L"";
    case os::RegistryStatus::Failed:
      break;
  }
  return kRunValueDeleteFailed;
}

}  // namespace nimbrook
