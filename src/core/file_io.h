// Small file helpers over the C run-time with wide paths (Windows) or UTF-8 paths (native).
// Files are closed by their owner type on every path.
#pragma once

#include <cstdio>
#include <memory>
#include <string>

namespace nimbrook {

struct FileCloser {
  void operator()(std::FILE* f) const {
    if (f) std::fclose(f);
  }
};
using FileHandle = std::unique_ptr<std::FILE, FileCloser>;

// fopen with a wide path; mode as for fopen ("rb", "wb", "a", ...). Null when it cannot be opened.
FileHandle OpenFile(const std::wstring& path, const char* mode);

[[nodiscard]] bool ReadFileBytes(const std::wstring& path, std::string& bytes);
[[nodiscard]] bool WriteFileBytes(const std::wstring& path, const std::string& bytes);

bool FileExists(const std::wstring& path);
bool DirectoryExists(const std::wstring& path);
// Creates one directory level; true when it exists afterwards.
bool CreateDirectoryIfMissing(const std::wstring& path);
bool RemoveFile(const std::wstring& path);

}  // namespace nimbrook
