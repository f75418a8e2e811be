// MD5 message digest (RFC 1321), used to sign the login parameters. Not a security primitive here:
// the service checks the digest of the parameters and a fixed salt.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace nimbrook {

// The 16-byte digest of bytes.
std::array<uint8_t, 16> Md5(std::string_view bytes);

// The digest as 32 lower-case hexadecimal digits.
std::string Md5Hex(std::string_view bytes);

// The same digest over bytes that arrive in pieces (a file read a piece at a time).
class Md5Stream {
 public:
  void Update(std::string_view bytes);
  // The digest of everything passed to Update; the stream is finished afterwards.
  std::array<uint8_t, 16> Finish();
  std::string FinishHex();

 private:
  uint32_t state_[4] = {0x67452301, 0xefcdab89, 0x98badcfe, 0x10325476};
  uint8_t pending_[64] = {};
  size_t pendingSize_ = 0;
  uint64_t total_ = 0;
};

}  // namespace nimbrook
