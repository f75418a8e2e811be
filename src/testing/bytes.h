// Byte helpers shared by the tests: UTF-16LE files as Windows writes them, hex vectors.
#pragma once

#include <string>

namespace nimbrook::testing {

// The text as a UTF-16LE file with its byte-order mark (characters beyond 16 bits are not needed).
inline std::string Utf16Le(const std::wstring& text) {
  std::string bytes = "\xFF\xFE";
  for (wchar_t c : text) {
    bytes.push_back(static_cast<char>(c & 0xFF));
    bytes.push_back(static_cast<char>((c >> 8) & 0xFF));
  }
  return bytes;
}

// "68747470" -> "http"; an odd last digit is ignored.
inline std::string FromHex(const std::string& hex) {
  std::string bytes;
  for (size_t i = 0; i + 1 < hex.size(); i += 2) {
    bytes.push_back(static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16)));
  }
  return bytes;
}

}  // namespace nimbrook::testing
