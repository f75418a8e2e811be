#include "toolkit/resource_store.h"

#include <filesystem>
#include <system_error>
#include <utility>

#include "core/file_io.h"
#include "core/paths.h"
#include "core/text.h"
#include "toolkit/zip_archive.h"

namespace nimbrook::toolkit {
namespace {

// Resources are a few hundred kilobytes; a file beyond this is not one of ours.
constexpr uintmax_t kMaxResourceFile = 64ull * 1024 * 1024;

std::filesystem::path ToFsPath(const std::wstring& path) {
#ifdef _WIN32
  return std::filesystem::path(path);
#else
  return std::filesystem::path(text::ToUtf8(path));
#endif
}

bool IsAbsolute(const std::wstring& path) {
  if (path.empty()) return false;
  if (path[0] == L'/' || path[0] == L'\\') return true;
  return path.size() >= 2 && path[1] == L':';
}

std::optional<std::string> ReadWholeFile(const std::filesystem::path& path) {
  std::error_code ec;
  if (!std::filesystem::is_regular_file(path, ec)) return std::nullopt;
  const uintmax_t size = std::filesystem::file_size(path, ec);
  if (ec || size > kMaxResourceFile) return std::nullopt;
  std::string bytes;
#ifdef _WIN32
  if (!ReadFileBytes(path.wstring(), bytes)) return std::nullopt;
#else
  if (!ReadFileBytes(text::FromUtf8(path.string()), bytes)) return std::nullopt;
#endif
  return bytes;
}

// The file under directory named by the relative name's segments. Windows matches names without
// regard to case by itself; elsewhere each segment is looked up in its folder.
std::optional<std::filesystem::path> FindFile(const std::wstring& directory, const std::wstring& name) {
  const std::filesystem::path exact = ToFsPath(JoinPath(directory, ToNativeSeparators(name)));
  std::error_code ec;
  if (std::filesystem::is_regular_file(exact, ec)) return exact;
#ifdef _WIN32
  return std::nullopt;
#else
  std::filesystem::path current = ToFsPath(directory.empty() ? std::wstring(L".") : directory);
  size_t start = 0;
  while (start <= name.size()) {
    size_t end = name.find_first_of(L"/\\", start);
    if (end == std::wstring::npos) end = name.size();
    const std::wstring segment = name.substr(start, end - start);
    if (!segment.empty() && segment != L".") {
      bool found = false;
      for (std::filesystem::directory_iterator it(current, ec), last; !ec && it != last; it.increment(ec)) {
        if (text::EqualsIgnoreCase(text::FromUtf8(it->path().filename().string()), segment)) {
          current = it->path();
          found = true;
          break;
        }
      }
      if (!found) return std::nullopt;
    }
    if (end == name.size()) break;
    start = end + 1;
  }
  if (!std::filesystem::is_regular_file(current, ec)) return std::nullopt;
  return current;
#endif
}

}  // namespace

ResourceStore::ResourceStore() = default;
ResourceStore::~ResourceStore() = default;

bool ResourceStore::SetResourcePath(const std::wstring& directory) {
  if (!directory.empty() && !DirectoryExists(directory)) return false;
  std::lock_guard<std::mutex> guard(lock_);
  directory_ = AsDirectory(directory);
  ++generation_;
  return true;
}

bool ResourceStore::SetResourceZip(const std::wstring& zipFile) {
  if (zipFile.empty()) {
    std::lock_guard<std::mutex> guard(lock_);
    if (archive_) ++generation_;
    archive_.reset();
    return true;
  }
  const std::wstring path = IsAbsolute(zipFile) ? zipFile : JoinPath(ResourcePath(), ToNativeSeparators(zipFile));
  auto bytes = ReadWholeFile(ToFsPath(path));
  if (!bytes) return false;
  return SetResourceZipBytes(std::move(*bytes));
}

bool ResourceStore::SetResourceZipBytes(std::string bytes) {
  auto archive = ZipArchive::Open(std::move(bytes));
  if (!archive) return false;
  auto shared = std::make_shared<const ZipArchive>(std::move(*archive));
  std::lock_guard<std::mutex> guard(lock_);
  archive_ = std::move(shared);
  ++generation_;
  return true;
}

std::optional<std::string> ResourceStore::ReadResource(const std::wstring& name) const {
  if (!IsSafeRelativeName(name)) return std::nullopt;
  std::shared_ptr<const ZipArchive> archive;
  std::wstring directory;
  {
    std::lock_guard<std::mutex> guard(lock_);
    archive = archive_;
    directory = directory_;
  }
  // Reading happens outside the lock: a large image does not hold up other readers, and the archive
  // stays alive through its shared pointer even if another thread replaces it meanwhile.
  if (archive) return archive->Read(text::ToUtf8(name));
  const auto file = FindFile(directory, name);
  if (!file) return std::nullopt;
  return ReadWholeFile(*file);
}

std::wstring ResourceStore::ResourcePath() const {
  std::lock_guard<std::mutex> guard(lock_);
  return directory_;
}

bool ResourceStore::HasZip() const {
  std::lock_guard<std::mutex> guard(lock_);
  return archive_ != nullptr;
}

uint64_t ResourceStore::Generation() const {
  std::lock_guard<std::mutex> guard(lock_);
  return generation_;
}

ResourceStore& Resources() {
  static ResourceStore store;
  return store;
}

bool SetResourcePath(const std::wstring& directory) { return Resources().SetResourcePath(directory); }
bool SetResourceZip(const std::wstring& zipFile) { return Resources().SetResourceZip(zipFile); }
bool SetResourceZipBytes(std::string bytes) { return Resources().SetResourceZipBytes(std::move(bytes)); }
std::optional<std::string> ReadResource(const std::wstring& name) { return Resources().ReadResource(name); }

}  // namespace nimbrook::toolkit
