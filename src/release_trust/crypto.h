// The one seam over the system's cryptography that release trust needs: SHA-256 of bytes and of
// streams, and ECDSA P-256 verification of a raw r||s signature against an uncompressed public key.
// Windows uses CNG (bcrypt), native builds OpenSSL; the same tests run on both.
#pragma once

#include <array>
#include <cstddef>
#include <memory>
#include <string_view>

namespace nimbrook {

using Sha256Digest = std::array<unsigned char, 32>;

inline constexpr size_t kP256PublicKeySize = 65;  // 0x04, X, Y
inline constexpr size_t kP256SignatureSize = 64;  // r, s (32 bytes each, big-endian)

// A running SHA-256; Finish may be called once.
class Sha256Hasher {
 public:
  virtual ~Sha256Hasher() = default;
  [[nodiscard]] virtual bool Update(std::string_view bytes) = 0;
  [[nodiscard]] virtual bool Finish(Sha256Digest& digest) = 0;
};

class Crypto {
 public:
  virtual ~Crypto() = default;
  [[nodiscard]] virtual bool Sha256(std::string_view bytes, Sha256Digest& digest) = 0;
  // Null when the system cannot provide one.
  virtual std::unique_ptr<Sha256Hasher> NewSha256() = 0;
  // True only for a valid signature of digest under publicKey; false for a malformed key or
  // signature of any size, a point not on the curve, or a system failure.
  [[nodiscard]] virtual bool VerifyP256(std::string_view publicKey, const Sha256Digest& digest,
                                        std::string_view signature) = 0;
};

// The platform's implementation (stateless, usable from any thread).
Crypto& SystemCrypto();

}  // namespace nimbrook
