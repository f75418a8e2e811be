// Byte forms of registry values, shared by the real and the in-memory registry.
#include "os/registry.h"

namespace nimbrook::os {

std::string DwordBytes(uint32_t value) {
  std::string bytes(4, '\0');
  for (int i = 0; i < 4; ++i) bytes[i] = static_cast<char>((value >> (8 * i)) & 0xFF);
  return bytes;
}

std::string MultiStringBytes(const std::vector<std::wstring>& entries) {
  std::string bytes;
  auto put = [&bytes](wchar_t c) {
    bytes.push_back(static_cast<char>(c & 0xFF));
    bytes.push_back(static_cast<char>((c >> 8) & 0xFF));
  };
  for (const std::wstring& entry : entries) {
    for (wchar_t c : entry) put(c);
    put(L'\0');
  }
  put(L'\0');
  return bytes;
}

std::vector<std::wstring> ParseMultiString(const std::string& bytes) {
  std::vector<std::wstring> entries;
  std::wstring current;
  for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
    const wchar_t c = static_cast<wchar_t>(static_cast<unsigned char>(bytes[i]) |
                                           (static_cast<unsigned char>(bytes[i + 1]) << 8));
    if (c != L'\0') {
      current.push_back(c);
      continue;
    }
    if (current.empty()) return entries;  // the list's own terminator
    entries.push_back(current);
    current.clear();
  }
  if (!current.empty()) entries.push_back(current);
  return entries;
}

}  // namespace nimbrook::os
