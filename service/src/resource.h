// What a request resolves to before it is delivered: status, content type, length and a reader of
// the body bytes. Bodies are read in pieces, so files and generated streams are never built whole.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace nimbrook::service {

constexpr const char* kTextType = "text/plain; charset=utf-8";
constexpr const char* kHtmlType = "text/html; charset=utf-8";
constexpr const char* kBinaryType = "application/octet-stream";

struct Resource {
  int status = 200;
  std::string contentType = kTextType;
  std::uint64_t length = 0;
  // Appends bytes [offset, offset + count) of the body to out; false when they cannot be produced
  // (a file that vanished or shrank), which ends the transfer.
  std::function<bool(std::uint64_t offset, std::size_t count, std::string& out)> read;
  std::vector<std::pair<std::string, std::string>> headers;  // extra response headers

  // A body held in memory.
  static Resource Text(int status, std::string body, std::string contentType = kTextType);
  // A file's bytes, read from disk as they are sent; length is the file size when resolved.
  static Resource File(const std::filesystem::path& path, std::uint64_t size, std::string contentType);
  // Bytes computed from their offset: fill(offset, destination, count) writes count bytes.
  using Filler = std::function<void(std::uint64_t offset, char* destination, std::size_t count)>;
  static Resource Generated(std::uint64_t length, Filler fill, std::string contentType = kBinaryType);

  // The whole body (tests and small resources only).
  [[nodiscard]] bool ReadAll(std::string& out) const;
};

// The deterministic test stream: byte i is (i * 7 + 3) mod 256.
unsigned char PatternByte(std::uint64_t i);
void FillPattern(std::uint64_t offset, char* destination, std::size_t count);

// The UTF-8 test text of exactly size bytes: "网络加速ab\n" repeated, the last repetition cut on a
// character boundary and padded with "x".
unsigned char Utf8PatternByte(std::uint64_t i, std::uint64_t size);

}  // namespace nimbrook::service
