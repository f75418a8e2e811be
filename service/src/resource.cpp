// Resources: in-memory, file-backed and generated bodies.
#include "resource.h"

#include <fstream>
#include <memory>
#include <string_view>

namespace nimbrook::service {
namespace {

constexpr std::string_view kUtf8Unit = "\xE7\xBD\x91\xE7\xBB\x9C\xE5\x8A\xA0\xE9\x80\x9F" "ab\n";  // 网络加速ab\n

// Lengths of the characters of kUtf8Unit, in order, for cutting on a character boundary.
constexpr size_t kUnitCharLengths[] = {3, 3, 3, 3, 1, 1, 1};

}  // namespace

Resource Resource::Text(int status, std::string body, std::string contentType) {
  Resource r;
  r.status = status;
  r.contentType = std::move(contentType);
  r.length = body.size();
  auto shared = std::make_shared<const std::string>(std::move(body));
  r.read = [shared](std::uint64_t offset, std::size_t count, std::string& out) {
    if (offset > shared->size()) return false;
    out.append(*shared, static_cast<size_t>(offset), count);
    return true;
  };
  return r;
}

Resource Resource::File(const std::filesystem::path& path, std::uint64_t size, std::string contentType) {
  Resource r;
  r.contentType = std::move(contentType);
  r.length = size;
  // One stream per delivery; the reader is called from a single thread at a time.
  auto stream = std::make_shared<std::ifstream>(path, std::ios::binary);
  r.read = [stream](std::uint64_t offset, std::size_t count, std::string& out) {
    if (!*stream) return false;
    stream->seekg(static_cast<std::streamoff>(offset));
    const size_t before = out.size();
    out.resize(before + count);
    stream->read(out.data() + before, static_cast<std::streamsize>(count));
    const auto got = static_cast<size_t>(stream->gcount());
    out.resize(before + got);
    if (got != count) return false;
    return true;
  };
  return r;
}

Resource Resource::Generated(std::uint64_t length, Filler fill, std::string contentType) {
  Resource r;
  r.contentType = std::move(contentType);
  r.length = length;
  r.read = [length, fill = std::move(fill)](std::uint64_t offset, std::size_t count, std::string& out) {
    if (offset > length || count > length - offset) return false;
    const size_t before = out.size();
    out.resize(before + count);
    fill(offset, out.data() + before, count);
    return true;
  };
  return r;
}

bool Resource::ReadAll(std::string& out) const {
  out.clear();
  if (length == 0) return true;
  return read && read(0, static_cast<size_t>(length), out);
}

unsigned char PatternByte(std::uint64_t i) { return static_cast<unsigned char>((i * 7 + 3) % 256); }

void FillPattern(std::uint64_t offset, char* destination, std::size_t count) {
  auto value = static_cast<unsigned char>(PatternByte(offset));
  for (std::size_t k = 0; k < count; ++k) {
    destination[k] = static_cast<char>(value);
    value = static_cast<unsigned char>(value + 7);
  }
}

unsigned char Utf8PatternByte(std::uint64_t i, std::uint64_t size) {
  const std::uint64_t unit = kUtf8Unit.size();
  const std::uint64_t whole = size / unit * unit;
  if (i < whole) return static_cast<unsigned char>(kUtf8Unit[i % unit]);
  // The tail: as many whole characters of the unit as fit, then "x".
  const std::uint64_t room = size - whole;
  std::uint64_t kept = 0;
  for (const size_t len : kUnitCharLengths) {
    if (kept + len > room) break;
    kept += len;
  }
  const std::uint64_t k = i - whole;
  return k < kept ? static_cast<unsigned char>(kUtf8Unit[k]) : static_cast<unsigned char>('x');
}

}  // namespace nimbrook::service
