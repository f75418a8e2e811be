// A read-only zip archive held in memory: the skin archive the layouts and images are read from.
// Opening checks the central directory against the bytes; an entry is read only when its offsets,
// sizes, compression and checksum all hold, so a damaged or hostile archive costs at most one
// refused entry, never a crash or an allocation beyond the archive's declared limits.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace nimbrook::toolkit {

struct ZipLimits {
  uint64_t maxEntrySize = 64ull * 1024 * 1024;  // uncompressed bytes of one entry
  uint64_t maxRatio = 1100;                     // uncompressed : compressed (deflate itself stays under 1032)
};

class ZipArchive {
 public:
  struct Entry {
    std::string name;             // as stored, "\\" turned into "/"
    uint16_t method = 0;          // 0 stored, 8 deflate
    uint16_t flags = 0;
    uint32_t crc = 0;
    uint64_t compressedSize = 0;
    uint64_t size = 0;
    uint64_t localHeaderOffset = 0;
    uint64_t dataOffset = 0;      // start of the entry's bytes; valid when readable
    bool readable = false;        // headers consistent, inside the archive, not overlapping another entry
  };

  // Parses the archive; none when there is no valid end-of-central-directory record or the central
  // directory does not lie inside the bytes. Individual bad entries are kept but marked unreadable.
  static std::optional<ZipArchive> Open(std::string bytes, ZipLimits limits = {});

  // The uncompressed bytes of the entry with this name ("/" or "\\", any letter case); none when it
  // is missing, a directory, unreadable, over the limits, or fails to inflate or to match its CRC.
  std::optional<std::string> Read(std::string_view name) const;

  bool Contains(std::string_view name) const;
  const std::vector<Entry>& Entries() const { return entries_; }

  // The lookup key of a name: "\\" -> "/", ASCII letters lower-cased, leading "/" and "./" dropped.
  static std::string NormalizeName(std::string_view name);

 private:
  ZipArchive() = default;
  std::optional<std::string> ReadEntry(const Entry& entry) const;

  std::string bytes_;
  ZipLimits limits_;
  std::vector<Entry> entries_;
  std::unordered_map<std::string, size_t> index_;  // normalized name -> first entry with that name
};

}  // namespace nimbrook::toolkit
