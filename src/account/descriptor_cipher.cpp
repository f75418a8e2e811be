#include "account/descriptor_cipher.h"

#include <cstdint>

namespace nimbrook {

namespace {

// The descriptor key: start value of the key stream and its two constants. The service side
// enciphers with the same three values.
constexpr uint32_t kStart = 0x5C2B7;
constexpr uint32_t kMultiplier = 0x1B3A5;
constexpr uint32_t kIncrement = 0x6E41;


class KeyStream {
 public:
  // The mask for the next byte: the state arithmetic-shifted right by eight, taken modulo 256 (bits 8
  // to 15, whichever way the shift fills the top).
  uint8_t Mask() const { return static_cast<uint8_t>((state_ >> 8) & 0xFF); }

  // Advances with the enciphered byte b, taken as a signed 8-bit value; all arithmetic modulo 2^32.
  void Advance(uint8_t b) {
    const auto signedByte = static_cast<int32_t>(static_cast<int8_t>(b));
    state_ = (state_ + static_cast<uint32_t>(signedByte)) * kMultiplier + kIncrement;
  }

 private:
  uint32_t state_ = kStart;
};

uint8_t PairValue(unsigned char first, unsigned char second) {
  return static_cast<uint8_t>(first * 31u + second + 96u);
}

bool IsLetterOrDigit(unsigned char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

// A pair of printable characters (an upper-case letter and a letter or digit) whose value is b.
// Every byte value has one: 31 * 'A'..'Z' covers all residues within reach of the 62 seconds.
bool PairFor(uint8_t b, char& first, char& second) {
  for (unsigned char c0 = 'A'; c0 <= 'Z'; ++c0) {
    const auto c1 = static_cast<unsigned char>((b - 96u - 31u * c0) & 0xFF);
    if (IsLetterOrDigit(c1)) {
      first = static_cast<char>(c0);
      second = static_cast<char>(c1);
      return true;
    }
  }
  return false;
}

}  // namespace

std::string DecodeDescriptorValue(std::string_view enciphered) {
  std::string plain;
  plain.reserve(enciphered.size() / 2);
  KeyStream keys;
  for (size_t i = 0; i + 1 < enciphered.size(); i += 2) {
    const uint8_t b = PairValue(static_cast<unsigned char>(enciphered[i]), static_cast<unsigned char>(enciphered[i + 1]));
    const auto out = static_cast<uint8_t>(b ^ keys.Mask());
    keys.Advance(b);
    if (out == 0) break;
    plain.push_back(static_cast<char>(out));
  }
  return plain;
}

bool TryEncodeDescriptorValue(std::string_view plain, std::string& enciphered) {
  std::string out;
  out.reserve(plain.size() * 2);
  KeyStream keys;
  for (const char c : plain) {
    const auto p = static_cast<uint8_t>(c);
    if (p == 0) return false;
    const auto b = static_cast<uint8_t>(p ^ keys.Mask());
    char first = 0;
    char second = 0;
    if (!PairFor(b, first, second)) return false;
    out.push_back(first);
    out.push_back(second);
    keys.Advance(b);
  }
  enciphered = std::move(out);
  return true;
}

std::string EncodeDescriptorValue(std::string_view plain) {
  std::string enciphered;
  if (!TryEncodeDescriptorValue(plain, enciphered)) return {};
  return enciphered;
}

}  // namespace nimbrook
