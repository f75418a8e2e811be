// Where layouts and images come from: a resource folder and, optionally, a zip archive (the skin's
// "skin.dll") inside it. The paint manager's static set-up fills the process-wide store once; the
// markup reader and the renderer read files by name. Names are relative ("main.xml", "img/x.png"),
// with "/" or "\\", matched without regard to letter case as Windows does.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

namespace nimbrook::toolkit {

class ZipArchive;

// One resource source. Thread-safe: every operation takes the store's lock; an archive that is being
// read stays alive while another thread replaces it.
class ResourceStore {
 public:
  ResourceStore();
  ~ResourceStore();
  ResourceStore(const ResourceStore&) = delete;
  ResourceStore& operator=(const ResourceStore&) = delete;

  // The folder resources are read from. False (and nothing changes) when it is not a directory.
  [[nodiscard]] bool SetResourcePath(const std::wstring& directory);
  // The zip archive to read from instead of the folder: a name relative to the resource folder or an
  // absolute path. An empty name goes back to the folder. False (and nothing changes) when the file
  // cannot be read or is not a zip archive.
  [[nodiscard]] bool SetResourceZip(const std::wstring& zipFile);
  // The same from an archive already in memory (one a program carries as a resource of its own).
  [[nodiscard]] bool SetResourceZipBytes(std::string bytes);
  // The bytes of a resource; none when it does not exist, cannot be read, or its name would leave the
  // resource folder ("..", absolute names, drive letters).
  std::optional<std::string> ReadResource(const std::wstring& name) const;

  std::wstring ResourcePath() const;
  bool HasZip() const;
  // Changes whenever the folder or the archive changes, so caches of decoded resources know when to
  // start over.
  uint64_t Generation() const;

 private:
  mutable std::mutex lock_;
  uint64_t generation_ = 0;
  std::wstring directory_;                     // with its trailing separator, or empty (current folder)
  std::shared_ptr<const ZipArchive> archive_;  // null when reading from the folder
};

// The process-wide store.
ResourceStore& Resources();
[[nodiscard]] bool SetResourcePath(const std::wstring& directory);
[[nodiscard]] bool SetResourceZip(const std::wstring& zipFile);
[[nodiscard]] bool SetResourceZipBytes(std::string bytes);
std::optional<std::string> ReadResource(const std::wstring& name);

}  // namespace nimbrook::toolkit
