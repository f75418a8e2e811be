// The process paths: program directory and the directories beside it, computed once at start-up from
// the executable's path and read everywhere. Paths are joined here only, so the native build uses "/"
// where Windows uses "\\"; names that arrive from the network are checked here before they are joined.
#pragma once

#include <string>
#include <string_view>

namespace nimbrook {

#ifdef _WIN32
inline constexpr wchar_t kPathSeparator = L'\\';
#else
inline constexpr wchar_t kPathSeparator = L'/';
#endif

struct ProcessPaths {
  std::wstring programDir;   // up to and including the last separator; empty when there is none
  std::wstring logFile;      // programDir + "nimbrook.log"
  std::wstring configDir;    // programDir + "config\"
  std::wstring openvpnDir;   // programDir + "openvpn\"
  std::wstring routeDir;     // programDir + "route\"
  std::wstring languageDir;  // programDir + "language\"
};

// Paths for a program whose executable lies at executablePath.
ProcessPaths ComputePaths(std::wstring_view executablePath);

// The process-wide paths. SetProcessPaths is called once by start-up (and by test set-ups).
const ProcessPaths& Paths();
void SetProcessPaths(ProcessPaths paths);

// dir + name, with exactly one separator between them (dir may be empty: name is returned).
std::wstring JoinPath(std::wstring_view dir, std::wstring_view name);

// A directory path with its trailing separator.
std::wstring AsDirectory(std::wstring_view dir);

// A relative file name from the network that is safe to place under a directory: not empty, not
// absolute, no drive or UNC prefix, no ".." segment, no ":" (streams) in either slash direction, and
// no U+FFFD (what an invalid byte sequence of the name was decoded to).
bool IsSafeRelativeName(std::wstring_view name);

// A relative name with either slash turned into this platform's separator.
std::wstring ToNativeSeparators(std::wstring_view name);

}  // namespace nimbrook
