// The Base64 codec (standard alphabet, "=" padding) used for the stored password and for the
// login parameters. Encoded text carries CR LF after every 76 characters of complete groups;
// decoding is lenient about line breaks and stray characters and never reads past its input.
#pragma once

#include <string>
#include <string_view>

namespace nimbrook {

class Base64 {
 public:
  Base64();
  virtual ~Base64() = default;

  // Standard Base64 of bytes. After every 76 output characters produced by complete three-byte
  // groups the two characters CR LF follow; the final one- or two-byte group (with its padding) is
  // appended without that check, so an output whose complete groups fill an exact multiple of 76
  // characters ends that stretch with CR LF before the padded group.
  std::string Encode(std::string_view bytes) const;

  // The bytes of text. CR, LF and every character outside the alphabet are skipped; the remaining
  // characters form groups of four. A "=" ends the data: the characters of the current group that
  // precede it still give their whole bytes (two characters one byte, three characters two bytes),
  // so padding in the third or fourth place works as usual and a lone "=" just ends the text. A
  // group cut short by the end of the text is treated the same way.
  std::string Decode(std::string_view text) const;

 private:
  static constexpr unsigned char kInvalid = 255;

  const char* alphabet_;
  // Character -> six-bit value; kInvalid for characters outside the alphabet. Each alphabet
  // character is also entered with its high bit set.
  unsigned char reverse_[256];
};

}  // namespace nimbrook
