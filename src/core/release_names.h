// The file names a release may list for replacement. The client's update check applies the same rule
// before it writes a name into "update.ini" and the updater applies it before it fetches anything, so
// a name the updater would refuse never reaches it (a refused name fails the whole update run, and
// the client would offer the same failing update at every start).
#pragma once

#include <string>
#include <string_view>

namespace nimbrook {

// A FILES name with doubled separators reduced to one ("a\\\\b" -> "a\\b"); both slash kinds kept.
std::wstring CollapseSeparators(std::wstring_view name);

// True when a listed name (after CollapseSeparators) may be placed under the program directory:
// IsSafeRelativeName, not a directory (trailing slash), no character Windows refuses in a file name
// (wildcards, "<>|\"", control characters), no segment ending in a dot or space (Windows drops
// them, so the name would mean another file), and no segment that Windows maps to a device ("CON",
// "nul.txt", "COM1").
bool IsAcceptableFileName(std::wstring_view name);

// True when the updater leaves the name alone: it contains "Update.exe" (the updater cannot replace
// its own running file; the client fetches a changed "update.exe" itself).
bool UpdaterSkipsName(std::wstring_view name);

// The whole rule as both programs apply it to a FILES key: acceptable once collapsed, and not one
// the updater skips.
bool IsReleaseFileName(std::wstring_view name);

}  // namespace nimbrook
