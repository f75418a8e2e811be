// What the updater starts from: the language code on its command line, its paths beside the
// program, and the hand-over file "config\update.ini" the client leaves (download base and the
// names of the files to replace).
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "os/profile_file.h"

namespace nimbrook {

// "chs", "cht" or "eng": the first of them (in that order) found anywhere in the command line;
// empty when none is found (the updater then ends without a window).
std::wstring LanguageFromCommandLine(std::wstring_view commandLine);

// A command line without its program name (quoted or not) and the blanks after it: the language is
// looked for there only, so a program folder named like a language code does not choose one.
std::wstring_view CommandLineArguments(std::wstring_view commandLine);

struct UpdaterPaths {
  std::wstring programDir;     // with its trailing separator
  std::wstring logFile;        // programDir + "Nimbrook.log"
  std::wstring updateIni;      // programDir + "config\update.ini"
  std::wstring newVersionIni;  // programDir + "config\new_version.ini"
  std::wstring versionIni;     // programDir + "config\version.ini"
};

// The paths for a program directory (a trailing separator is added when missing).
UpdaterPaths ComputeUpdaterPaths(std::wstring_view programDir);

// True when "config\update.ini" can be opened for reading; without it the updater ends at once.
bool HandOverReadable(const UpdaterPaths& paths);

inline constexpr wchar_t kUnknownDownloadSiteMarker[] = L"下载站点未知";

struct UpdateList {
  std::wstring downloadBase;         // deciphered, without a trailing "/"; empty when missing
  std::vector<std::wstring> files;   // FILES key names in section order
  bool readError = false;            // the download base was missing or unreadable
};

// Reads "update.ini": URL/downloadURL (enciphered) and the key names of section FILES.
UpdateList ReadUpdateList(os::ProfileFiles& profile, const std::wstring& updateIni);

}  // namespace nimbrook
