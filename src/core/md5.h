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

}  // namespace nimbrook
