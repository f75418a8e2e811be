// The Windows registry behind the seam.
#include <windows.h>

#include <vector>

#include "os/registry.h"

namespace nimbrook::os {
namespace {

HKEY RootKey(RegistryRoot root) { return root == RegistryRoot::LocalMachine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER; }

class OpenKey {
 public:
  OpenKey(const RegistryLocation& at, REGSAM access) {
    status_ = RegOpenKeyExW(RootKey(at.root), at.key.c_str(), 0, access, &key_);
    if (status_ != ERROR_SUCCESS) key_ = nullptr;
  }
  ~OpenKey() {
    if (key_) RegCloseKey(key_);
  }
  OpenKey(const OpenKey&) = delete;
  OpenKey& operator=(const OpenKey&) = delete;
  HKEY get() const { return key_; }

 private:
  HKEY key_ = nullptr;
  LONG status_ = ERROR_SUCCESS;
};

RegistryStatus FromError(LONG error) {
  if (error == ERROR_SUCCESS) return RegistryStatus::Ok;
  if (error == ERROR_FILE_NOT_FOUND) return RegistryStatus::NoValue;
  return RegistryStatus::Failed;
}

class WinRegistry final : public Registry {
 public:
  RegistryValue Read(const RegistryLocation& at, const std::wstring& name, size_t capacity) override {
    RegistryValue result;
    OpenKey key(at, KEY_ALL_ACCESS);
    if (!key.get()) {
      result.status = RegistryStatus::NoKey;
      return result;
    }
    std::vector<BYTE> buffer(capacity ? capacity : 1, 0);
    DWORD type = 0;
    DWORD size = static_cast<DWORD>(capacity);
    const LONG error = RegQueryValueExW(key.get(), name.c_str(), nullptr, &type, buffer.data(), &size);
    result.status = FromError(error);
    if (result.status == RegistryStatus::Ok) {
      result.type = type;
      result.data.assign(reinterpret_cast<const char*>(buffer.data()), size);
    }
    return result;
  }

  RegistryStatus Write(const RegistryLocation& at, const std::wstring& name, uint32_t type,
                       const std::string& data) override {
    OpenKey key(at, KEY_ALL_ACCESS);
    if (!key.get()) return RegistryStatus::NoKey;
    return FromError(RegSetValueExW(key.get(), name.c_str(), 0, type, reinterpret_cast<const BYTE*>(data.data()),
                                    static_cast<DWORD>(data.size())));
  }

  RegistryStatus DeleteValue(const RegistryLocation& at, const std::wstring& name) override {
    OpenKey key(at, KEY_ALL_ACCESS);
    if (!key.get()) return RegistryStatus::NoKey;
    return FromError(RegDeleteValueW(key.get(), name.c_str()));
  }

  RegistryStatus CreateKey(const RegistryLocation& at) override {
    HKEY key = nullptr;
    const LONG error = RegCreateKeyExW(RootKey(at.root), at.key.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                       KEY_ALL_ACCESS, nullptr, &key, nullptr);
    if (error != ERROR_SUCCESS) return RegistryStatus::Failed;
    RegCloseKey(key);
    return RegistryStatus::Ok;
  }

  RegistryStatus DeleteKey(const RegistryLocation& at) override {
    const LONG error = RegDeleteTreeW(RootKey(at.root), at.key.c_str());
    if (error == ERROR_FILE_NOT_FOUND) return RegistryStatus::NoKey;
    if (error != ERROR_SUCCESS) return RegistryStatus::Failed;
    RegDeleteKeyW(RootKey(at.root), at.key.c_str());  // where the tree call left the key itself
    return RegistryStatus::Ok;
  }
};

}  // namespace

Registry& SystemRegistry() {
  static WinRegistry registry;
  return registry;
}

}  // namespace nimbrook::os
