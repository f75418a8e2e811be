// The text forms of release-trust values: Base64 on one line (public keys, signatures) decoded
// strictly, so a cut or altered text is refused rather than read leniently, and lower-case hex
// (digests).
#pragma once

#include <string>
#include <string_view>

#include "release_trust/crypto.h"

namespace nimbrook {

// Standard alphabet with "=" padding, no line breaks.
std::string EncodeBase64Line(std::string_view bytes);
// Standard alphabet; padding may be left out, but nothing else is skipped: a character outside the
// alphabet, padding in the wrong place, a length that cannot be whole groups or non-zero bits
// after the last byte make it false.
[[nodiscard]] bool DecodeBase64Strict(std::string_view text, std::string& bytes);

std::string ToLowerHex(std::string_view bytes);
std::string DigestHex(const Sha256Digest& digest);

// The public key text of the build and of "release keygen": Base64 of the 65-byte uncompressed
// point. False unless it decodes to 65 bytes starting with 0x04 (whether the point lies on the
// curve is left to the verifier).
[[nodiscard]] bool DecodePublicKeyText(std::string_view text, std::string& publicKey);

}  // namespace nimbrook
