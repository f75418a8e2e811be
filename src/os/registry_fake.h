// An in-memory registry: keys by root and case-insensitive path, values by case-insensitive name.
// It is also the native build's system registry.
#pragma once

#include <map>
#include <mutex>
#include <string>

#include "os/registry.h"

namespace nimbrook::os {

class MemoryRegistry final : public Registry {
 public:
  RegistryValue Read(const RegistryLocation& at, const std::wstring& name, size_t capacity) override;
  RegistryStatus Write(const RegistryLocation& at, const std::wstring& name, uint32_t type,
                       const std::string& data) override;
  RegistryStatus DeleteValue(const RegistryLocation& at, const std::wstring& name) override;
  RegistryStatus CreateKey(const RegistryLocation& at) override;
  RegistryStatus DeleteKey(const RegistryLocation& at) override;

  // Every write fails with Failed from now on (a read-only hive).
  void FailWrites(bool fail);
  int Writes() const;
  bool HasKey(const RegistryLocation& at) const;

 private:
  struct Stored {
    uint32_t type = 0;
    std::string data;
  };
  using Values = std::map<std::wstring, Stored>;
  static std::wstring KeyId(const RegistryLocation& at);

  mutable std::mutex lock_;
  std::map<std::wstring, Values> keys_;
  bool failWrites_ = false;
  int writes_ = 0;
};

}  // namespace nimbrook::os
