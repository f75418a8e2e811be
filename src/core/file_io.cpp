#include "core/file_io.h"

#include <filesystem>
#include <system_error>

#include "core/text.h"

namespace nimbrook {
namespace {

std::filesystem::path ToFsPath(const std::wstring& path) {
#ifdef _WIN32
  return std::filesystem::path(path);
#else
  return std::filesystem::path(text::ToUtf8(path));
#endif
}

}  // namespace

FileHandle OpenFile(const std::wstring& path, const char* mode) {
#ifdef _WIN32
  const std::wstring wideMode = text::AsciiToWide(mode);
  return FileHandle(_wfopen(path.c_str(), wideMode.c_str()));
#else
  return FileHandle(std::fopen(text::ToUtf8(path).c_str(), mode));
#endif
}

bool ReadFileBytes(const std::wstring& path, std::string& bytes) {
  bytes.clear();
  FileHandle file = OpenFile(path, "rb");
  if (!file) return false;
  char buffer[16384];
  size_t got = 0;
  while ((got = std::fread(buffer, 1, sizeof buffer, file.get())) > 0) bytes.append(buffer, got);
  return !std::ferror(file.get());
}

bool WriteFileBytes(const std::wstring& path, const std::string& bytes) {
  FileHandle file = OpenFile(path, "wb");
  if (!file) return false;
  if (!bytes.empty() && std::fwrite(bytes.data(), 1, bytes.size(), file.get()) != bytes.size()) return false;
  return std::fclose(file.release()) == 0;
}

bool FileExists(const std::wstring& path) {
  std::error_code ec;
  return std::filesystem::is_regular_file(ToFsPath(path), ec);
}

bool DirectoryExists(const std::wstring& path) {
  std::error_code ec;
  return std::filesystem::is_directory(ToFsPath(path), ec);
}

bool CreateDirectoryIfMissing(const std::wstring& path) {
  std::error_code ec;
  const auto fsPath = ToFsPath(path);
  if (std::filesystem::is_directory(fsPath, ec)) return true;
  std::filesystem::create_directory(fsPath, ec);
  return std::filesystem::is_directory(fsPath, ec);
}

bool RemoveFile(const std::wstring& path) {
  std::error_code ec;
  return std::filesystem::remove(ToFsPath(path), ec);
}

}  // namespace nimbrook
