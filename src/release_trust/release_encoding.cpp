#include "release_trust/release_encoding.h"

#include <algorithm>

#include "core/base64.h"

namespace nimbrook {
namespace {

int SextetOf(char c) {
  if (c >= 'A' && c <= 'Z') return c - 'A';
  if (c >= 'a' && c <= 'z') return c - 'a' + 26;
  if (c >= '0' && c <= '9') return c - '0' + 52;
  if (c == '+') return 62;
  if (c == '/') return 63;
  return -1;
}

}  // namespace

std::string EncodeBase64Line(std::string_view bytes) {
  // The stored-password codec, without the line breaks it puts after every 76 characters.
  std::string out = Base64().Encode(bytes);
  out.erase(std::remove_if(out.begin(), out.end(), [](char c) { return c == '\r' || c == '\n'; }), out.end());
  return out;
}

bool DecodeBase64Strict(std::string_view text, std::string& bytes) {
  bytes.clear();
  size_t padding = 0;
  while (!text.empty() && text.back() == '=' && padding < 2) {
    text.remove_suffix(1);
    ++padding;
  }
  const size_t tail = text.size() % 4;
  if (tail == 1) return false;
  // Padding, when present, must complete the last group exactly.
  if (padding > 0 && (tail == 0 || tail + padding != 4)) return false;
  unsigned buffer = 0;
  int bits = 0;
  for (const char c : text) {
    const int sextet = SextetOf(c);
    if (sextet < 0) return false;
    buffer = (buffer << 6) | static_cast<unsigned>(sextet);
    bits += 6;
    if (bits >= 8) {
      bits -= 8;
      bytes.push_back(static_cast<char>((buffer >> bits) & 0xFF));
    }
  }
  // The bits left over from a short last group must be zero (one encoding per byte string).
  return (buffer & ((1u << bits) - 1)) == 0;
}

std::string ToLowerHex(std::string_view bytes) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string out;
  out.reserve(bytes.size() * 2);
  for (const char c : bytes) {
    out += kDigits[(static_cast<unsigned char>(c) >> 4) & 15];
    out += kDigits[static_cast<unsigned char>(c) & 15];
  }
  return out;
}

std::string DigestHex(const Sha256Digest& digest) {
  return ToLowerHex(std::string_view(reinterpret_cast<const char*>(digest.data()), digest.size()));
}

bool DecodePublicKeyText(std::string_view text, std::string& publicKey) {
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r' || text.back() == '\n')) {
    text.remove_suffix(1);
  }
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  return DecodeBase64Strict(text, publicKey) && publicKey.size() == kP256PublicKeySize &&
         static_cast<unsigned char>(publicKey[0]) == 0x04;
}

}  // namespace nimbrook
