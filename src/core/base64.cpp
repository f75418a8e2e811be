#include "core/base64.h"

#include <cstdint>

namespace nimbrook {

namespace {
constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
constexpr size_t kLineLength = 76;
}  // namespace

Base64::Base64() : alphabet_(kAlphabet) {
  for (auto& entry : reverse_) entry = kInvalid;
  for (unsigned char value = 0; value < 64; ++value) {
    const auto c = static_cast<unsigned char>(alphabet_[value]);
    reverse_[c] = value;
    reverse_[c | 0x80] = value;
  }
  reverse_[static_cast<unsigned char>('=')] = kInvalid;
}

std::string Base64::Encode(std::string_view bytes) const {
  std::string out;
  const size_t groups = bytes.size() / 3;
  out.reserve((groups + 1) * 4 + (groups * 4 / kLineLength) * 2);
  const auto byte = [&bytes](size_t i) { return static_cast<uint32_t>(static_cast<unsigned char>(bytes[i])); };

  size_t lineLength = 0;
  for (size_t g = 0; g < groups; ++g) {
    const uint32_t v = (byte(3 * g) << 16) | (byte(3 * g + 1) << 8) | byte(3 * g + 2);
    out.push_back(alphabet_[(v >> 18) & 0x3F]);
    out.push_back(alphabet_[(v >> 12) & 0x3F]);
    out.push_back(alphabet_[(v >> 6) & 0x3F]);
    out.push_back(alphabet_[v & 0x3F]);
    lineLength += 4;
    if (lineLength >= kLineLength) {
      out += "\r\n";
      lineLength = 0;
    }
  }

  const size_t rest = bytes.size() - groups * 3;
  if (rest > 0) {
    uint32_t v = byte(3 * groups) << 16;
    if (rest == 2) v |= byte(3 * groups + 1) << 8;
    out.push_back(alphabet_[(v >> 18) & 0x3F]);
    out.push_back(alphabet_[(v >> 12) & 0x3F]);
    out.push_back(rest == 2 ? alphabet_[(v >> 6) & 0x3F] : '=');
    out.push_back('=');
  }
  return out;
}

std::string Base64::Decode(std::string_view text) const {
  std::string out;
  out.reserve(text.size() / 4 * 3 + 2);
  uint32_t group = 0;
  int count = 0;

  // The whole bytes held by the first `count` characters of a group.
  const auto flushPartial = [&out, &group, &count] {
    if (count == 2) {
      out.push_back(static_cast<char>((group >> 4) & 0xFF));
    } else if (count == 3) {
      out.push_back(static_cast<char>((group >> 10) & 0xFF));
      out.push_back(static_cast<char>((group >> 2) & 0xFF));
    }
  };

  for (const char ch : text) {
    if (ch == '=') break;
    const unsigned char value = reverse_[static_cast<unsigned char>(ch)];
    if (value == kInvalid) continue;  // CR, LF and stray characters
    group = (group << 6) | value;
    if (++count == 4) {
      out.push_back(static_cast<char>((group >> 16) & 0xFF));
      out.push_back(static_cast<char>((group >> 8) & 0xFF));
      out.push_back(static_cast<char>(group & 0xFF));
      group = 0;
      count = 0;
    }
  }
  flushPartial();
  return out;
}

}  // namespace nimbrook
