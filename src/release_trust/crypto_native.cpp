// Crypto over OpenSSL (libcrypto).
#include <openssl/bn.h>
#include <openssl/ecdsa.h>
#include <openssl/evp.h>
#include <openssl/x509.h>

#include <string>

#include "release_trust/crypto.h"

namespace nimbrook {
namespace {

// DER SubjectPublicKeyInfo of a P-256 key up to its point: the 65 point bytes follow.
constexpr unsigned char kP256SpkiPrefix[] = {0x30, 0x59, 0x30, 0x13, 0x06, 0x07, 0x2a, 0x86, 0x48,
                                             0xce, 0x3d, 0x02, 0x01, 0x06, 0x08, 0x2a, 0x86, 0x48,
                                             0xce, 0x3d, 0x03, 0x01, 0x07, 0x03, 0x42, 0x00};

struct PkeyFree {
  void operator()(EVP_PKEY* p) const { EVP_PKEY_free(p); }
};
struct PkeyCtxFree {
  void operator()(EVP_PKEY_CTX* p) const { EVP_PKEY_CTX_free(p); }
};
struct MdCtxFree {
  void operator()(EVP_MD_CTX* p) const { EVP_MD_CTX_free(p); }
};
struct SigFree {
  void operator()(ECDSA_SIG* p) const { ECDSA_SIG_free(p); }
};

class OpenSslSha256 : public Sha256Hasher {
 public:
  OpenSslSha256() : ctx_(EVP_MD_CTX_new()) {
    ok_ = ctx_ && EVP_DigestInit_ex(ctx_.get(), EVP_sha256(), nullptr) == 1;
  }
  bool Update(std::string_view bytes) override {
    ok_ = ok_ && !finished_ && EVP_DigestUpdate(ctx_.get(), bytes.data(), bytes.size()) == 1;
    return ok_;
  }
  bool Finish(Sha256Digest& digest) override {
    unsigned int size = 0;
    ok_ = ok_ && !finished_ && EVP_DigestFinal_ex(ctx_.get(), digest.data(), &size) == 1 && size == digest.size();
    finished_ = true;
    return ok_;
  }

 private:
  std::unique_ptr<EVP_MD_CTX, MdCtxFree> ctx_;
  bool ok_ = false;
  bool finished_ = false;
};

class OpenSslCrypto : public Crypto {
 public:
  bool Sha256(std::string_view bytes, Sha256Digest& digest) override {
    OpenSslSha256 hasher;
    return hasher.Update(bytes) && hasher.Finish(digest);
  }

  std::unique_ptr<Sha256Hasher> NewSha256() override { return std::make_unique<OpenSslSha256>(); }

  bool VerifyP256(std::string_view publicKey, const Sha256Digest& digest, std::string_view signature) override {
    if (publicKey.size() != kP256PublicKeySize || signature.size() != kP256SignatureSize) return false;
    if (static_cast<unsigned char>(publicKey[0]) != 0x04) return false;

    std::string spki(reinterpret_cast<const char*>(kP256SpkiPrefix), sizeof kP256SpkiPrefix);
    spki.append(publicKey);
    const auto* cursor = reinterpret_cast<const unsigned char*>(spki.data());
    std::unique_ptr<EVP_PKEY, PkeyFree> key(d2i_PUBKEY(nullptr, &cursor, static_cast<long>(spki.size())));
    if (!key) return false;  // not a point on the curve

    std::unique_ptr<ECDSA_SIG, SigFree> sig(ECDSA_SIG_new());
    if (!sig) return false;
    const auto* raw = reinterpret_cast<const unsigned char*>(signature.data());
    BIGNUM* r = BN_bin2bn(raw, 32, nullptr);
    BIGNUM* s = BN_bin2bn(raw + 32, 32, nullptr);
    if (!r || !s || ECDSA_SIG_set0(sig.get(), r, s) != 1) {
      BN_free(r);
      BN_free(s);
      return false;
    }
    unsigned char* der = nullptr;
    const int derSize = i2d_ECDSA_SIG(sig.get(), &der);
    if (derSize <= 0) return false;
    std::unique_ptr<EVP_PKEY_CTX, PkeyCtxFree> ctx(EVP_PKEY_CTX_new(key.get(), nullptr));
    const bool valid = ctx && EVP_PKEY_verify_init(ctx.get()) == 1 &&
                       EVP_PKEY_verify(ctx.get(), der, static_cast<size_t>(derSize), digest.data(), digest.size()) == 1;
    OPENSSL_free(der);
    return valid;
  }
};

}  // namespace

Crypto& SystemCrypto() {
  static OpenSslCrypto crypto;
  return crypto;
}

}  // namespace nimbrook
