// Releases, their files and stamps.
#include "release_files.h"

#include <algorithm>
#include <fstream>
#include <map>
#include <mutex>
#include <system_error>

#include "core/md5.h"
#include "ini_file.h"
#include "release_trust/crypto.h"
#include "release_trust/release_encoding.h"

namespace nimbrook::service {
namespace fs = std::filesystem;

bool IsSafeSegment(std::string_view segment) {
  if (segment.empty() || segment == "." || segment == ".." || segment.size() > 255) return false;
  for (const char c : segment) {
    const bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' ||
                    c == '-' || c == '_' || c == '+';
    if (!ok) return false;
  }
  return true;
}

std::string CurrentRelease(const ServiceConfig& config) {
  if (!config.release.empty()) return config.release;
  std::ifstream in(config.dataDir / "current-release", std::ios::binary);
  std::string line;
  if (!in || !std::getline(in, line)) return {};
  return Trim(line);
}

fs::path ReleaseDirectory(const ServiceConfig& config, const std::string& release) {
  IniFile overrides;
  if (LoadIni(config.dataDir / "releases" / (release + ".ini"), overrides)) {
    const std::string files = overrides.Value("RELEASE", "files");
    if (IsSafeSegment(files)) return config.dataDir / "releases" / files;
  }
  return config.dataDir / "releases" / release;
}

bool ListReleaseFiles(const fs::path& releaseDir, std::vector<ReleaseFile>& files) {
  files.clear();
  std::error_code ec;
  if (!fs::is_directory(releaseDir, ec)) return false;
  fs::recursive_directory_iterator it(releaseDir, ec), end;
  for (; !ec && it != end; it.increment(ec)) {
    const std::string leaf = it->path().filename().string();
    if (!leaf.empty() && leaf[0] == '.') {
      if (it->is_directory(ec)) it.disable_recursion_pending();
      continue;
    }
    if (!it->is_regular_file(ec)) continue;
    ReleaseFile file;
    file.path = it->path();
    file.size = it->file_size(ec);
    std::string name = it->path().lexically_relative(releaseDir).generic_string();
    std::replace(name.begin(), name.end(), '/', '\\');
    file.name = std::move(name);
    files.push_back(std::move(file));
  }
  std::sort(files.begin(), files.end(), [](const ReleaseFile& a, const ReleaseFile& b) { return a.name < b.name; });
  return !ec;
}

namespace {

// MD5 and SHA-256 in one pass over the file.
bool StampAndDigest(const fs::path& path, std::string& stamp, std::string& digest) {
  // Read a piece at a time: a release may hold files of hundreds of megabytes.
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  Md5Stream md5;
  const auto sha = SystemCrypto().NewSha256();
  if (!sha) return false;
  std::string piece(1 << 20, '\0');
  while (in) {
    in.read(piece.data(), static_cast<std::streamsize>(piece.size()));
    const auto got = static_cast<size_t>(in.gcount());
    if (got > 0) {
      md5.Update(std::string_view(piece.data(), got));
      if (!sha->Update(std::string_view(piece.data(), got))) return false;
    }
  }
  if (in.bad()) return false;
  Sha256Digest sum{};
  if (!sha->Finish(sum)) return false;
  stamp = md5.FinishHex();
  digest = DigestHex(sum);
  return true;
}

}  // namespace

bool FileStamp(const fs::path& path, std::string& stamp) {
  std::string digest;
  return StampAndDigest(path, stamp, digest);
}

bool CachedFileStamp(const fs::path& path, std::string& stamp) {
  std::string digest;
  return CachedFileStampAndDigest(path, stamp, digest);
}

bool CachedFileStampAndDigest(const fs::path& path, std::string& stamp, std::string& digest) {
  struct Known {
    std::uintmax_t size = 0;
    fs::file_time_type modified;
    std::string stamp;
    std::string digest;
  };
  static std::mutex lock;
  static std::map<std::string, Known> known;

  std::error_code ec;
  const std::uintmax_t size = fs::file_size(path, ec);
  if (ec) return false;
  const fs::file_time_type modified = fs::last_write_time(path, ec);
  if (ec) return false;
  const std::string key = path.string();
  {
    std::lock_guard<std::mutex> guard(lock);
    const auto it = known.find(key);
    if (it != known.end() && it->second.size == size && it->second.modified == modified) {
      stamp = it->second.stamp;
      digest = it->second.digest;
      return true;
    }
  }
  // Computed outside the lock: other descriptor requests go on meanwhile.
  if (!StampAndDigest(path, stamp, digest)) return false;
  std::lock_guard<std::mutex> guard(lock);
  known[key] = Known{size, modified, stamp, digest};
  return true;
}

bool FindReleaseFile(const fs::path& releaseDir, std::string_view relative, ReleaseFile& file) {
  std::string text(relative);
  std::replace(text.begin(), text.end(), '\\', '/');
  fs::path current = releaseDir;
  std::string name;
  size_t start = 0;
  std::error_code ec;
  while (start <= text.size()) {
    size_t end = text.find('/', start);
    if (end == std::string::npos) end = text.size();
    const std::string segment = text.substr(start, end - start);
    start = end + 1;
    if (segment.empty()) {
      if (end == text.size()) break;
      continue;  // doubled slashes
    }
    if (!IsSafeSegment(segment) || segment[0] == '.') return false;
    fs::path next = current / segment;
    if (!fs::exists(next, ec)) {
      bool matched = false;
      for (fs::directory_iterator it(current, ec), last; !ec && it != last; it.increment(ec)) {
        if (EqualsNoCase(it->path().filename().string(), segment)) {
          next = it->path();
          matched = true;
          break;
        }
      }
      if (!matched) return false;
    }
    current = next;
    if (!name.empty()) name += '\\';
    name += current.filename().string();
    if (end == text.size()) break;
  }
  if (name.empty() || !fs::is_regular_file(current, ec)) return false;
  file.name = name;
  file.path = current;
  file.size = fs::file_size(current, ec);
  return !ec;
}

}  // namespace nimbrook::service
