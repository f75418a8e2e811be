// The path of the running executable, as start-up (process paths) and the settings store (the
// narrow path "config.ini" is built from) need it. An empty result means the path could not be
// read in full; callers never get a truncated path.
#pragma once

#include <string>

namespace nimbrook::os {

// The full path of the executable (GetModuleFileNameW with room for 4096 characters; natively the
// target of /proc/self/exe). Empty when it cannot be read or does not fit.
std::wstring ExecutablePath();

// The same path as narrow text (GetModuleFileNameA with a 260-byte buffer, so in the system ANSI code
// page; natively the UTF-8 of /proc/self/exe). Empty when it cannot be read or does not fit in the
// buffer: a cut path would name another directory.
std::string ExecutablePathA();

}  // namespace nimbrook::os
