// The updater's proxy values from the current user's Internet Settings registry key.
#include <windows.h>

#include "http/proxy_settings.h"

namespace nimbrook {
namespace {

class RegistryKey {
 public:
  RegistryKey() = default;
  ~RegistryKey() {
    if (key_) RegCloseKey(key_);
  }
  RegistryKey(const RegistryKey&) = delete;
  RegistryKey& operator=(const RegistryKey&) = delete;
  HKEY* Out() { return &key_; }
  HKEY Get() const { return key_; }

 private:
  HKEY key_ = nullptr;
};

// A string value read into a buffer of 2048 bytes; empty when missing, too long or not a string.
std::optional<std::wstring> ReadText(HKEY key, const wchar_t* name) {
  wchar_t buffer[1024] = {};
  DWORD size = sizeof buffer;
  DWORD type = 0;
  if (RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  if (type != REG_SZ && type != REG_EXPAND_SZ) return std::nullopt;
  size_t length = size / sizeof(wchar_t);
  while (length > 0 && buffer[length - 1] == L'\0') --length;
  return std::wstring(buffer, length);
}

class RegistryInternetSettings final : public InternetSettingsSource {
 public:
  InternetSettings Read() override {
    InternetSettings values;
    RegistryKey key;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings", 0,
                        nullptr, 0, KEY_ALL_ACCESS, nullptr, key.Out(), nullptr) != ERROR_SUCCESS) {
      return values;
    }
    values.keyOpened = true;
    DWORD enable = 0;
    DWORD size = sizeof enable;
    if (RegQueryValueExW(key.Get(), L"ProxyEnable", nullptr, nullptr, reinterpret_cast<BYTE*>(&enable), &size) ==
            ERROR_SUCCESS &&
        size == sizeof enable) {
      values.proxyEnable = enable;
    }
    values.proxyServer = ReadText(key.Get(), L"ProxyServer");
    values.proxyOverride = ReadText(key.Get(), L"ProxyOverride");
    return values;
  }
};

}  // namespace

InternetSettingsSource& SystemInternetSettings() {
  static RegistryInternetSettings source;
  return source;
}

}  // namespace nimbrook
