// Atomic file replacement: a finished temporary file takes the place of an installed one in one
// step, so a failure at any point leaves either the old or the new file, never none.
#pragma once

#include <string>

namespace nimbrook::os {

// Moves from onto to, replacing an existing to (MoveFileExW with MOVEFILE_REPLACE_EXISTING |
// MOVEFILE_WRITE_THROUGH on Windows, rename() natively). True on success; on failure both files
// are as they were.
[[nodiscard]] bool ReplaceFileAtomically(const std::wstring& from, const std::wstring& to);

}  // namespace nimbrook::os
