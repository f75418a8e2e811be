#include "release_trust/release_signer.h"

#include "release_trust/descriptor_signature.h"

namespace nimbrook {

bool SignDescriptor(std::string_view bytes, const std::string& privatePem, std::string& signedBytes,
                    std::string& error) {
  std::string content;
  if (!UnsignedContent(bytes, content, error)) return false;
  Sha256Digest digest{};
  if (!SystemCrypto().Sha256(content, digest)) {
    error = "SHA-256 failed";
    return false;
  }
  std::string signature;
  if (!SignDigest(privatePem, digest, signature, error)) return false;
  signedBytes = WithSignatureLine(content, signature);
  return true;
}

}  // namespace nimbrook
