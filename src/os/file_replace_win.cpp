#include <windows.h>

#include "os/file_replace.h"

namespace nimbrook::os {

bool ReplaceFileAtomically(const std::wstring& from, const std::wstring& to) {
  return MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != FALSE;
}

}  // namespace nimbrook::os
