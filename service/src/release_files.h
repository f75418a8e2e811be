// The releases of the data directory: data/releases/<name>/ holds the files of one release as they
// lie in the program directory; data/current-release (or --release) names the one being served.
// Their stamps (MD5 of the content) fill the descriptor's FILES section, their SHA-256 digests its
// DIGESTS section. A release may be a variant of another: "[RELEASE] files=<name>" in
// data/releases/<release>.ini serves that release's files under its own name.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "service_config.h"

namespace nimbrook::service {

struct ReleaseFile {
  std::string name;  // relative name as the descriptor lists it, "\" between directories
  std::filesystem::path path;
  std::uint64_t size = 0;
};

// A release or file-name segment: letters, digits, ".", "-", "_", "+" and not "." or "..".
bool IsSafeSegment(std::string_view segment);

// The release being served: config.release, or the first line of data/current-release. Empty when
// neither names one.
std::string CurrentRelease(const ServiceConfig& config);

// data/releases/<release>, or the directory of the release its "[RELEASE] files=" names.
std::filesystem::path ReleaseDirectory(const ServiceConfig& config, const std::string& release);

// Every regular file under the release directory (names beginning with "." skipped), sorted by
// name in byte order. False when the release directory does not exist.
[[nodiscard]] bool ListReleaseFiles(const std::filesystem::path& releaseDir, std::vector<ReleaseFile>& files);

// The stamp of a file: 32 lower-case hexadecimal digits of its MD5. False when it cannot be read.
[[nodiscard]] bool FileStamp(const std::filesystem::path& path, std::string& stamp);
// The same, computed once per file and kept while the file keeps its size and modification time, so
// a descriptor request does not read every release file again.
[[nodiscard]] bool CachedFileStamp(const std::filesystem::path& path, std::string& stamp);
// The stamp and the SHA-256 of a file (lower-case hex), kept the same way.
[[nodiscard]] bool CachedFileStampAndDigest(const std::filesystem::path& path, std::string& stamp,
                                            std::string& digest);

// Finds the file that a request names below the release directory ("language/chs.lng"; "\" is
// taken as "/"). Segments must be safe; a segment that does not match exactly is matched without
// regard to case, as a Windows server would. False when there is no such file.
[[nodiscard]] bool FindReleaseFile(const std::filesystem::path& releaseDir, std::string_view relative, ReleaseFile& file);

}  // namespace nimbrook::service
