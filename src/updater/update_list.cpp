#include "updater/update_list.h"

#include "account/descriptor_cipher.h"
#include "core/file_io.h"
#include "core/paths.h"
#include "core/text.h"

namespace nimbrook {

std::wstring LanguageFromCommandLine(std::wstring_view commandLine) {
  for (const wchar_t* code : {L"chs", L"cht", L"eng"}) {
    if (commandLine.find(code) != std::wstring_view::npos) return code;
  }
  return {};
}

std::wstring_view CommandLineArguments(std::wstring_view commandLine) {
  size_t i = 0;
  if (!commandLine.empty() && commandLine[0] == L'"') {
    const size_t close = commandLine.find(L'"', 1);
    i = close == std::wstring_view::npos ? commandLine.size() : close + 1;
  }
  while (i < commandLine.size() && commandLine[i] != L' ' && commandLine[i] != L'\t') ++i;
  while (i < commandLine.size() && (commandLine[i] == L' ' || commandLine[i] == L'\t')) ++i;
  return commandLine.substr(i);
}

UpdaterPaths ComputeUpdaterPaths(std::wstring_view programDir) {
  UpdaterPaths paths;
  paths.programDir = programDir.empty() ? std::wstring() : AsDirectory(programDir);
  paths.logFile = paths.programDir + L"Nimbrook.log";
  const std::wstring configDir = JoinPath(paths.programDir, L"config");
  paths.updateIni = JoinPath(configDir, L"update.ini");
  paths.newVersionIni = JoinPath(configDir, L"new_version.ini");
  paths.versionIni = JoinPath(configDir, L"version.ini");
  return paths;
}

bool HandOverReadable(const UpdaterPaths& paths) { return OpenFile(paths.updateIni, "rb") != nullptr; }

UpdateList ReadUpdateList(os::ProfileFiles& profile, const std::wstring& updateIni) {
  UpdateList list;
  const std::string marker = text::ToAnsi(kUnknownDownloadSiteMarker);
  const std::string enciphered = profile.ReadStringA(updateIni, "URL", "downloadURL", marker, 4096);
  if (enciphered.empty() || enciphered.find(marker) != std::string::npos) {
    list.readError = true;
  } else {
    list.downloadBase = text::FromAnsi(DecodeDescriptorValue(enciphered));
    if (!list.downloadBase.empty() && list.downloadBase.back() == L'/') list.downloadBase.pop_back();
    if (list.downloadBase.empty()) list.readError = true;
  }
  for (const std::wstring& line : profile.ReadSection(updateIni, L"FILES", 4096)) {
    const std::wstring name = line.substr(0, line.find(L'='));
    if (!name.empty()) list.files.push_back(name);
  }
  return list;
}

}  // namespace nimbrook
