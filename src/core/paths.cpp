#include "core/paths.h"

namespace nimbrook {
namespace {

ProcessPaths& Storage() {
  static ProcessPaths paths;
  return paths;
}

bool IsSlash(wchar_t c) { return c == L'\\' || c == L'/'; }

}  // namespace

ProcessPaths ComputePaths(std::wstring_view executablePath) {
  ProcessPaths paths;
  const size_t last = executablePath.find_last_of(kPathSeparator);
  if (last != std::wstring_view::npos) paths.programDir = std::wstring(executablePath.substr(0, last + 1));
  const std::wstring sep(1, kPathSeparator);
  paths.logFile = paths.programDir + L"nimbrook.log";
  paths.configDir = paths.programDir + L"config" + sep;
  paths.openvpnDir = paths.programDir + L"openvpn" + sep;
  paths.routeDir = paths.programDir + L"route" + sep;
  paths.languageDir = paths.programDir + L"language" + sep;
  return paths;
}

const ProcessPaths& Paths() { return Storage(); }

void SetProcessPaths(ProcessPaths paths) { Storage() = std::move(paths); }

std::wstring JoinPath(std::wstring_view dir, std::wstring_view name) {
  if (dir.empty()) return std::wstring(name);
  std::wstring out(dir);
  if (!IsSlash(out.back())) out.push_back(kPathSeparator);
  size_t start = 0;
  while (start < name.size() && IsSlash(name[start])) ++start;
  out.append(name.substr(start));
  return out;
}

std::wstring AsDirectory(std::wstring_view dir) {
  std::wstring out(dir);
  if (!out.empty() && !IsSlash(out.back())) out.push_back(kPathSeparator);
  return out;
}

bool IsSafeRelativeName(std::wstring_view name) {
  if (name.empty() || IsSlash(name.front())) return false;
  if (name.find(L':') != std::wstring_view::npos) return false;  // drive letters and alternate streams
  if (name.find(L'\0') != std::wstring_view::npos) return false;
  // U+FFFD stands for bytes that were not valid text: such a name cannot be the one the service meant.
  if (name.find(L'\uFFFD') != std::wstring_view::npos) return false;
  size_t start = 0;
  while (start <= name.size()) {
    size_t end = start;
    while (end < name.size() && !IsSlash(name[end])) ++end;
    const std::wstring_view segment = name.substr(start, end - start);
    if (segment == L"..") return false;
    // Windows ignores trailing dots and spaces, so "..." or ".. " would also climb a level.
    if (!segment.empty() && segment.find_first_not_of(L". ") == std::wstring_view::npos && segment != L".") return false;
    if (end == name.size()) break;
    start = end + 1;
  }
  return true;
}

std::wstring ToNativeSeparators(std::wstring_view name) {
  std::wstring out(name);
  for (auto& c : out) {
    if (IsSlash(c)) c = kPathSeparator;
  }
  return out;
}

}  // namespace nimbrook
