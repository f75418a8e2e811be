#include <cstdio>

#include "core/text.h"
#include "os/file_replace.h"

namespace nimbrook::os {

bool ReplaceFileAtomically(const std::wstring& from, const std::wstring& to) {
  return std::rename(text::ToUtf8(from).c_str(), text::ToUtf8(to).c_str()) == 0;
}

}  // namespace nimbrook::os
