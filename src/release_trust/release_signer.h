// Signing for operators and the reference service: a P-256 key pair, and the signature line of a
// descriptor. Natively through OpenSSL; the Windows build only verifies, so there SigningAvailable()
// is false and every call fails with an explanation.
#pragma once

#include <string>
#include <string_view>

#include "release_trust/crypto.h"

namespace nimbrook {

bool SigningAvailable();

struct ReleaseKeyPair {
  std::string privatePem;     // PKCS#8 PEM
  std::string publicKeyText;  // Base64 of the 65-byte uncompressed point
};

[[nodiscard]] bool GenerateReleaseKey(ReleaseKeyPair& key, std::string& error);
// The public key text of a PEM private key.
[[nodiscard]] bool PublicKeyTextOf(const std::string& privatePem, std::string& text, std::string& error);
// The 64-byte r||s signature of digest.
[[nodiscard]] bool SignDigest(const std::string& privatePem, const Sha256Digest& digest, std::string& signature,
                              std::string& error);

// The descriptor with its signature line appended, or its trailing one replaced (see UnsignedContent).
[[nodiscard]] bool SignDescriptor(std::string_view bytes, const std::string& privatePem, std::string& signedBytes,
                                  std::string& error);

}  // namespace nimbrook
