// Paths of the build machine as a test program sees them: natively unchanged; under Wine the Linux
// root is drive Z: and the separator is "\".
#pragma once

#include <string>

#include "core/text.h"

namespace nimbrook::testing {

inline std::wstring HostPath(const std::string& path) {
  std::wstring result = text::FromUtf8(path);
#ifdef _WIN32
  for (auto& c : result) {
    if (c == L'/') c = L'\\';
  }
  result = L"Z:" + result;
#endif
  return result;
}

// A file of the source tree.
inline std::wstring SourceFile(const std::string& relative) {
  return HostPath(std::string(NIMBROOK_SOURCE_DIR) + "/" + relative);
}

}  // namespace nimbrook::testing
