// The Windows registry as a narrow seam: read one value of an existing key, write one value, and (for
// scratch keys in tests and tools) create and delete keys. Windows has the real registry; natively
// and in tests an in-memory registry (registry_fake.h) takes its place.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace nimbrook::os {

enum class RegistryRoot { LocalMachine, CurrentUser };

struct RegistryLocation {
  RegistryRoot root = RegistryRoot::LocalMachine;
  std::wstring key;  // path below the root, without a leading "\"
};

inline constexpr uint32_t kRegistrySz = 1;        // REG_SZ
inline constexpr uint32_t kRegistryDword = 4;     // REG_DWORD
inline constexpr uint32_t kRegistryMultiSz = 7;   // REG_MULTI_SZ

enum class RegistryStatus {
  Ok,
  NoKey,     // the key cannot be opened (missing, or no access)
  NoValue,   // the key opened but has no such value
  Failed,    // any other failure, a value larger than the reader's buffer included
};

struct RegistryValue {
  RegistryStatus status = RegistryStatus::Failed;
  uint32_t type = 0;
  std::string data;  // the value's bytes as stored (UTF-16LE for texts)
};

class Registry {
 public:
  virtual ~Registry() = default;
  // Opens the existing key with full access and reads the value into a buffer of capacity bytes.
  virtual RegistryValue Read(const RegistryLocation& at, const std::wstring& name, size_t capacity) = 0;
  // Opens the existing key with full access (it is never created) and writes the value.
  virtual RegistryStatus Write(const RegistryLocation& at, const std::wstring& name, uint32_t type,
                               const std::string& data) = 0;
  virtual RegistryStatus DeleteValue(const RegistryLocation& at, const std::wstring& name) = 0;
  // Creates the key and the keys above it when missing.
  virtual RegistryStatus CreateKey(const RegistryLocation& at) = 0;
  // Deletes the key with everything below it.
  virtual RegistryStatus DeleteKey(const RegistryLocation& at) = 0;
};

// The system registry on Windows; natively a process-wide in-memory registry that starts empty.
Registry& SystemRegistry();

// Value bytes of a DWORD (little-endian) and of a multi-string (each entry ends with a zero
// character, the list with one more).
std::string DwordBytes(uint32_t value);
std::string MultiStringBytes(const std::vector<std::wstring>& entries);
// The entries of multi-string bytes: cut at each zero character, ending at the first empty entry
// or at the end of the bytes (a last entry without its zero is kept).
std::vector<std::wstring> ParseMultiString(const std::string& bytes);

}  // namespace nimbrook::os
