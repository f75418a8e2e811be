// The two system facts the tunnel engines ask for: whether Windows is newer than major version 5
// (IKEv2, SSTP and the IKEEXT service need Vista or later) and whether the process runs as a 32-bit
// program on 64-bit Windows.
#pragma once

#include "os/system_info.h"

namespace nimbrook {

// Major version above 5. An unreadable version counts as old.
bool IsModernWindows(const os::VersionFacts& version);
// The same for this system; the version is read once and kept for the life of the process.
bool IsModernWindows();

// os::IsWow64: IsWow64Process looked up at run time, true only for an exact yes.
inline bool IsWow64() { return os::IsWow64(); }

}  // namespace nimbrook
