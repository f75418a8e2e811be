// The in-memory registry.
#include "os/registry_fake.h"

#include <cwctype>

namespace nimbrook::os {
namespace {

std::wstring Lower(std::wstring text) {
  for (wchar_t& c : text) c = static_cast<wchar_t>(std::towlower(c));
  return text;
}

std::wstring Trimmed(std::wstring path) {
  while (!path.empty() && path.back() == L'\\') path.pop_back();
  while (!path.empty() && path.front() == L'\\') path.erase(path.begin());
  return path;
}

}  // namespace

std::wstring MemoryRegistry::KeyId(const RegistryLocation& at) {
  return (at.root == RegistryRoot::LocalMachine ? L"hklm\\" : L"hkcu\\") + Lower(Trimmed(at.key));
}

RegistryValue MemoryRegistry::Read(const RegistryLocation& at, const std::wstring& name, size_t capacity) {
  std::lock_guard<std::mutex> guard(lock_);
  RegistryValue result;
  auto key = keys_.find(KeyId(at));
  if (key == keys_.end()) {
    result.status = RegistryStatus::NoKey;
    return result;
  }
  auto value = key->second.find(Lower(name));
  if (value == key->second.end()) {
    result.status = RegistryStatus::NoValue;
    return result;
  }
  if (value->second.data.size() > capacity) {
    result.status = RegistryStatus::Failed;
    return result;
  }
  result.status = RegistryStatus::Ok;
  result.type = value->second.type;
  result.data = value->second.data;
  return result;
}

RegistryStatus MemoryRegistry::Write(const RegistryLocation& at, const std::wstring& name, uint32_t type,
                                     const std::string& data) {
  std::lock_guard<std::mutex> guard(lock_);
  auto key = keys_.find(KeyId(at));
  if (key == keys_.end()) return RegistryStatus::NoKey;
  if (failWrites_) return RegistryStatus::Failed;
  ++writes_;
  key->second[Lower(name)] = Stored{type, data};
  return RegistryStatus::Ok;
}

RegistryStatus MemoryRegistry::DeleteValue(const RegistryLocation& at, const std::wstring& name) {
  std::lock_guard<std::mutex> guard(lock_);
  auto key = keys_.find(KeyId(at));
  if (key == keys_.end()) return RegistryStatus::NoKey;
  return key->second.erase(Lower(name)) ? RegistryStatus::Ok : RegistryStatus::NoValue;
}

RegistryStatus MemoryRegistry::CreateKey(const RegistryLocation& at) {
  std::lock_guard<std::mutex> guard(lock_);
  keys_[KeyId(at)];
  return RegistryStatus::Ok;
}

RegistryStatus MemoryRegistry::DeleteKey(const RegistryLocation& at) {
  std::lock_guard<std::mutex> guard(lock_);
  const std::wstring id = KeyId(at);
  bool found = false;
  for (auto it = keys_.begin(); it != keys_.end();) {
    if (it->first == id || it->first.rfind(id + L"\\", 0) == 0) {
      it = keys_.erase(it);
      found = true;
    } else {
      ++it;
    }
  }
  return found ? RegistryStatus::Ok : RegistryStatus::NoKey;
}

void MemoryRegistry::FailWrites(bool fail) {
  std::lock_guard<std::mutex> guard(lock_);
  failWrites_ = fail;
}

int MemoryRegistry::Writes() const {
  std::lock_guard<std::mutex> guard(lock_);
  return writes_;
}

bool MemoryRegistry::HasKey(const RegistryLocation& at) const {
  std::lock_guard<std::mutex> guard(lock_);
  return keys_.count(KeyId(at)) != 0;
}

}  // namespace nimbrook::os
