#include "toolkit/zip_archive.h"

#include <zlib.h>

#include <algorithm>
#include <limits>
#include <utility>

namespace nimbrook::toolkit {
namespace {

constexpr uint32_t kEndOfCentralDirectory = 0x06054b50;
constexpr uint32_t kZip64Locator = 0x07064b50;
constexpr uint32_t kZip64EndOfCentralDirectory = 0x06064b50;
constexpr uint32_t kCentralHeader = 0x02014b50;
constexpr uint32_t kLocalHeader = 0x04034b50;
constexpr size_t kEndRecordSize = 22;
constexpr size_t kCentralHeaderSize = 46;
constexpr size_t kLocalHeaderSize = 30;
constexpr uint16_t kFlagEncrypted = 0x0001;

// Little-endian reads that never pass the end of the bytes: callers check the range first, and a
// read that would not fit answers 0.
class Reader {
 public:
  explicit Reader(std::string_view bytes) : bytes_(bytes) {}
  bool Fits(uint64_t offset, uint64_t length) const {
    return offset <= bytes_.size() && length <= bytes_.size() - offset;
  }
  uint16_t U16(uint64_t at) const { return static_cast<uint16_t>(Le(at, 2)); }
  uint32_t U32(uint64_t at) const { return static_cast<uint32_t>(Le(at, 4)); }
  uint64_t U64(uint64_t at) const { return Le(at, 8); }
  std::string_view View(uint64_t at, uint64_t length) const {
    return Fits(at, length) ? bytes_.substr(static_cast<size_t>(at), static_cast<size_t>(length)) : std::string_view();
  }
  uint64_t Size() const { return bytes_.size(); }

 private:
  uint64_t Le(uint64_t at, int width) const {
    if (!Fits(at, static_cast<uint64_t>(width))) return 0;
    uint64_t value = 0;
    for (int i = width - 1; i >= 0; --i) {
      value = (value << 8) | static_cast<unsigned char>(bytes_[static_cast<size_t>(at) + i]);
    }
    return value;
  }
  std::string_view bytes_;
};

struct Directory {
  uint64_t entryCount = 0;
  uint64_t offset = 0;
  uint64_t size = 0;
};

// The end-of-central-directory record, searched backwards over the largest possible comment.
std::optional<Directory> FindDirectory(const Reader& in) {
  if (in.Size() < kEndRecordSize) return std::nullopt;
  const uint64_t lowest = in.Size() > kEndRecordSize + 0xFFFF ? in.Size() - kEndRecordSize - 0xFFFF : 0;
  for (uint64_t at = in.Size() - kEndRecordSize + 1; at-- > lowest;) {
    if (in.U32(at) != kEndOfCentralDirectory) continue;
    const uint16_t commentLength = in.U16(at + 20);
    if (!in.Fits(at + kEndRecordSize, commentLength)) continue;  // a stray signature inside the comment
    if (in.U16(at + 4) != 0 || in.U16(at + 6) != 0) return std::nullopt;  // split archives are not ours
    Directory dir;
    dir.entryCount = in.U16(at + 10);
    dir.size = in.U32(at + 12);
    dir.offset = in.U32(at + 16);
    const bool zip64 = dir.entryCount == 0xFFFF || dir.size == 0xFFFFFFFF || dir.offset == 0xFFFFFFFF;
    if (zip64 && at >= 20 && in.U32(at - 20) == kZip64Locator) {
      const uint64_t record = in.U64(at - 20 + 8);
      if (!in.Fits(record, 56) || in.U32(record) != kZip64EndOfCentralDirectory) return std::nullopt;
      dir.entryCount = in.U64(record + 32);
      dir.size = in.U64(record + 40);
      dir.offset = in.U64(record + 48);
    }
    if (!in.Fits(dir.offset, dir.size)) return std::nullopt;
    // Each central header takes at least 46 bytes: a count beyond that is a lie, not a reason to
    // reserve memory.
    if (dir.entryCount > dir.size / kCentralHeaderSize) return std::nullopt;
    return dir;
  }
  return std::nullopt;
}

// Values the 32-bit fields mark with 0xFFFFFFFF live in the Zip64 extra field, in this order.
void ApplyZip64Extra(std::string_view extra, ZipArchive::Entry& entry, bool& consistent) {
  const Reader in(extra);
  uint64_t at = 0;
  while (in.Fits(at, 4)) {
    const uint16_t id = in.U16(at);
    const uint16_t length = in.U16(at + 2);
    if (!in.Fits(at + 4, length)) {
      consistent = false;
      return;
    }
    if (id == 0x0001) {
      uint64_t field = at + 4;
      const uint64_t end = field + length;
      for (uint64_t* value : {&entry.size, &entry.compressedSize, &entry.localHeaderOffset}) {
        if (*value != 0xFFFFFFFF) continue;
        if (field + 8 > end) {
          consistent = false;
          return;
        }
        *value = in.U64(field);
        field += 8;
      }
      return;
    }
    at += 4 + length;
  }
}

std::string AsSlashes(std::string_view name) {
  std::string out(name);
  std::replace(out.begin(), out.end(), '\\', '/');
  return out;
}

}  // namespace

std::string ZipArchive::NormalizeName(std::string_view name) {
  std::string out = AsSlashes(name);
  for (auto& c : out) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  size_t start = 0;
  while (true) {
    if (out.compare(start, 1, "/") == 0) {
      ++start;
    } else if (out.compare(start, 2, "./") == 0) {
      start += 2;
    } else {
      break;
    }
  }
  return out.substr(start);
}

std::optional<ZipArchive> ZipArchive::Open(std::string bytes, ZipLimits limits) {
  ZipArchive archive;
  archive.bytes_ = std::move(bytes);
  archive.limits_ = limits;
  const Reader in(archive.bytes_);
  const auto dir = FindDirectory(in);
  if (!dir) return std::nullopt;

  archive.entries_.reserve(static_cast<size_t>(dir->entryCount));
  const uint64_t directoryEnd = dir->offset + dir->size;
  uint64_t at = dir->offset;
  for (uint64_t i = 0; i < dir->entryCount; ++i) {
    if (at + kCentralHeaderSize > directoryEnd || in.U32(at) != kCentralHeader) return std::nullopt;
    const uint16_t nameLength = in.U16(at + 28);
    const uint16_t extraLength = in.U16(at + 30);
    const uint16_t commentLength = in.U16(at + 32);
    const uint64_t next = at + kCentralHeaderSize + nameLength + extraLength + commentLength;
    if (next > directoryEnd) return std::nullopt;

    Entry entry;
    entry.flags = in.U16(at + 8);
    entry.method = in.U16(at + 10);
    entry.crc = in.U32(at + 16);
    entry.compressedSize = in.U32(at + 20);
    entry.size = in.U32(at + 24);
    entry.localHeaderOffset = in.U32(at + 42);
    entry.name = AsSlashes(in.View(at + kCentralHeaderSize, nameLength));
    bool consistent = true;
    ApplyZip64Extra(in.View(at + kCentralHeaderSize + nameLength, extraLength), entry, consistent);

    // The local header must be where the directory says, carry the same name, and the data must end
    // before the central directory starts.
    const uint64_t local = entry.localHeaderOffset;
    if (consistent && local < dir->offset && in.Fits(local, kLocalHeaderSize) && in.U32(local) == kLocalHeader) {
      const uint16_t localName = in.U16(local + 26);
      const uint16_t localExtra = in.U16(local + 28);
      const uint64_t data = local + kLocalHeaderSize + localName + localExtra;
      const bool sameName = NormalizeName(in.View(local + kLocalHeaderSize, localName)) == NormalizeName(entry.name) &&
                            in.Fits(local + kLocalHeaderSize, localName);
      if (sameName && data <= dir->offset && entry.compressedSize <= dir->offset - data) {
        entry.dataOffset = data;
        entry.readable = (entry.flags & kFlagEncrypted) == 0 && (entry.method == 0 || entry.method == 8);
      }
    }
    archive.entries_.push_back(std::move(entry));
    at = next;
  }

  // Entries whose bytes overlap share them with another entry: neither is trusted (a small archive
  // that expands many times over by pointing every entry at the same data is the classic bomb).
  std::vector<size_t> order;
  for (size_t i = 0; i < archive.entries_.size(); ++i) {
    if (archive.entries_[i].readable) order.push_back(i);
  }
  std::sort(order.begin(), order.end(), [&](size_t a, size_t b) {
    return archive.entries_[a].localHeaderOffset < archive.entries_[b].localHeaderOffset;
  });
  size_t furthest = 0;  // the entry whose bytes reach furthest so far
  for (size_t k = 0; k < order.size(); ++k) {
    Entry& current = archive.entries_[order[k]];
    if (k > 0) {
      Entry& reaching = archive.entries_[order[furthest]];
      if (reaching.dataOffset + reaching.compressedSize > current.localHeaderOffset) {
        reaching.readable = false;
        current.readable = false;
      }
      if (current.dataOffset + current.compressedSize <= reaching.dataOffset + reaching.compressedSize) continue;
    }
    furthest = k;
  }

  for (size_t i = 0; i < archive.entries_.size(); ++i) {
    archive.index_.emplace(NormalizeName(archive.entries_[i].name), i);  // the first of equal names wins
  }
  return archive;
}

bool ZipArchive::Contains(std::string_view name) const { return index_.count(NormalizeName(name)) != 0; }

std::optional<std::string> ZipArchive::Read(std::string_view name) const {
  const auto found = index_.find(NormalizeName(name));
  if (found == index_.end()) return std::nullopt;
  return ReadEntry(entries_[found->second]);
}

std::optional<std::string> ZipArchive::ReadEntry(const Entry& entry) const {
  if (!entry.readable || entry.name.empty() || entry.name.back() == '/') return std::nullopt;
  if (entry.size > limits_.maxEntrySize) return std::nullopt;
  const std::string_view packed(bytes_.data() + entry.dataOffset, static_cast<size_t>(entry.compressedSize));

  std::string out;
  if (entry.method == 0) {
    if (entry.compressedSize != entry.size) return std::nullopt;
    out.assign(packed);
  } else {
    // Deflate cannot expand more than about 1032 times; a larger claim is a lie about the sizes.
    if (entry.size > 4096 && entry.size / std::max<uint64_t>(entry.compressedSize, 1) > limits_.maxRatio) {
      return std::nullopt;
    }
    // One byte of room beyond the declared size shows a stream that is longer than it claims.
    out.resize(static_cast<size_t>(entry.size) + 1);
    z_stream stream{};
    if (inflateInit2(&stream, -MAX_WBITS) != Z_OK) return std::nullopt;
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(packed.data()));
    stream.next_out = reinterpret_cast<Bytef*>(out.data());
    size_t inLeft = packed.size();
    size_t outLeft = out.size();
    int status = Z_OK;
    while (status == Z_OK) {
      const uInt inChunk = static_cast<uInt>(std::min<size_t>(inLeft, std::numeric_limits<uInt>::max()));
      const uInt outChunk = static_cast<uInt>(std::min<size_t>(outLeft, std::numeric_limits<uInt>::max()));
      stream.avail_in = inChunk;
      stream.avail_out = outChunk;
      status = inflate(&stream, Z_NO_FLUSH);
      inLeft -= inChunk - stream.avail_in;
      outLeft -= outChunk - stream.avail_out;
      if (status == Z_OK && stream.avail_in == inChunk && stream.avail_out == outChunk) break;  // no progress
    }
    const uint64_t produced = entry.size + 1 - outLeft;
    inflateEnd(&stream);
    if (status != Z_STREAM_END || produced != entry.size) return std::nullopt;
    out.resize(static_cast<size_t>(entry.size));
  }

  uLong crc = crc32(0L, Z_NULL, 0);
  for (size_t done = 0; done < out.size();) {
    const uInt chunk = static_cast<uInt>(std::min<size_t>(out.size() - done, 1u << 30));
    crc = crc32(crc, reinterpret_cast<const Bytef*>(out.data() + done), chunk);
    done += chunk;
  }
  if (static_cast<uint32_t>(crc) != entry.crc) return std::nullopt;
  return out;
}

}  // namespace nimbrook::toolkit
