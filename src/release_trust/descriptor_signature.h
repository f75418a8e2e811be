// The signature line of a service descriptor. A signed descriptor ends with the comment line
// ";signature=BASE64" (an ECDSA P-256 signature, r||s, over SHA-256 of every byte before that line);
// INI readers skip it as a comment. The rules: it is the last line (one line end may follow), it is
// the only signature line, CR LF and LF line ends both count, and a file with the UTF-16LE byte-order
// mark is read in 16-bit units (the service sends descriptors that way).
#pragma once

#include <string>
#include <string_view>

#include "release_trust/crypto.h"

namespace nimbrook {

inline constexpr char kSignaturePrefix[] = ";signature=";

enum class SignatureStatus {
  kValid,
  kMissing,     // no signature line (an empty file too)
  kNotLast,     // the signature line is followed by another line
  kDuplicated,  // more than one signature line
  kMalformed,   // the signature is not Base64 of 64 bytes, or the file cannot hold lines
  kMismatch,    // it does not verify under the key
  kBadKey,      // the configured public key is not a key
  kUnreadable,  // the file cannot be read or is too large to be a descriptor
};

// A short English reason for logs and the companion program ("signature does not match").
const char* SignatureReason(SignatureStatus status);

struct SignatureLocation {
  SignatureStatus status = SignatureStatus::kMissing;  // kValid: found and well-formed (not verified)
  size_t signedLength = 0;                             // the bytes before the signature line
  std::string signature;                               // the decoded 64 bytes
};

// Finds and decodes the signature line of bytes, applying every rule above but the verification.
SignatureLocation LocateSignature(std::string_view bytes);

// kValid when bytes carry a valid signature line for publicKey (65 raw bytes).
SignatureStatus VerifyDescriptorSignature(std::string_view bytes, std::string_view publicKey, Crypto& crypto);

// What a signer signs: bytes without a trailing signature line, ending with a line end (the file's
// own: CR LF unless its first line ends in a bare LF; units of the file's encoding). False with an
// error text when a signature line remains that the signer cannot replace (one not at the end).
[[nodiscard]] bool UnsignedContent(std::string_view bytes, std::string& content, std::string& error);

// content (from UnsignedContent) with the signature line and a line end appended.
std::string WithSignatureLine(const std::string& content, std::string_view signature);

}  // namespace nimbrook
