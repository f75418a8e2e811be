// Key pairs and signatures through OpenSSL.
#include <openssl/bio.h>
#include <openssl/bn.h>
#include <openssl/core_names.h>
#include <openssl/ecdsa.h>
#include <openssl/evp.h>
#include <openssl/pem.h>

#include <memory>

#include "release_trust/release_encoding.h"
#include "release_trust/release_signer.h"

namespace nimbrook {
namespace {

struct PkeyFree {
  void operator()(EVP_PKEY* p) const { EVP_PKEY_free(p); }
};
struct PkeyCtxFree {
  void operator()(EVP_PKEY_CTX* p) const { EVP_PKEY_CTX_free(p); }
};
struct BioFree {
  void operator()(BIO* p) const { BIO_free(p); }
};
struct SigFree {
  void operator()(ECDSA_SIG* p) const { ECDSA_SIG_free(p); }
};
using Pkey = std::unique_ptr<EVP_PKEY, PkeyFree>;

bool IsP256(EVP_PKEY* key) {
  char group[64] = {};
  size_t length = 0;
  return EVP_PKEY_is_a(key, "EC") &&
         EVP_PKEY_get_utf8_string_param(key, OSSL_PKEY_PARAM_GROUP_NAME, group, sizeof group, &length) == 1 &&
         std::string(group, length) == "prime256v1";
}

Pkey ReadPrivateKey(const std::string& pem, std::string& error) {
  std::unique_ptr<BIO, BioFree> bio(BIO_new_mem_buf(pem.data(), static_cast<int>(pem.size())));
  Pkey key(bio ? PEM_read_bio_PrivateKey(bio.get(), nullptr, nullptr, nullptr) : nullptr);
  if (!key) {
    error = "not a PEM private key";
    return nullptr;
  }
  if (!IsP256(key.get())) {
    error = "not a P-256 (prime256v1) key";
    return nullptr;
  }
  return key;
}

bool PublicText(EVP_PKEY* key, std::string& text, std::string& error) {
  unsigned char point[kP256PublicKeySize];
  size_t length = 0;
  if (EVP_PKEY_get_octet_string_param(key, OSSL_PKEY_PARAM_ENCODED_PUBLIC_KEY, point, sizeof point, &length) != 1 ||
      length != kP256PublicKeySize || point[0] != 0x04) {
    error = "the public point cannot be read";
    return false;
  }
  text = EncodeBase64Line(std::string_view(reinterpret_cast<const char*>(point), length));
  return true;
}

}  // namespace

bool SigningAvailable() { return true; }

bool GenerateReleaseKey(ReleaseKeyPair& pair, std::string& error) {
  Pkey key(EVP_PKEY_Q_keygen(nullptr, nullptr, "EC", "P-256"));
  if (!key) {
    error = "key generation failed";
    return false;
  }
  std::unique_ptr<BIO, BioFree> bio(BIO_new(BIO_s_mem()));
  if (!bio || PEM_write_bio_PrivateKey(bio.get(), key.get(), nullptr, nullptr, 0, nullptr, nullptr) != 1) {
    error = "the private key cannot be written";
    return false;
  }
  char* data = nullptr;
  const long size = BIO_get_mem_data(bio.get(), &data);
  pair.privatePem.assign(data, static_cast<size_t>(size));
  return PublicText(key.get(), pair.publicKeyText, error);
}

bool PublicKeyTextOf(const std::string& privatePem, std::string& text, std::string& error) {
  Pkey key = ReadPrivateKey(privatePem, error);
  return key && PublicText(key.get(), text, error);
}

bool SignDigest(const std::string& privatePem, const Sha256Digest& digest, std::string& signature,
                std::string& error) {
  Pkey key = ReadPrivateKey(privatePem, error);
  if (!key) return false;
  std::unique_ptr<EVP_PKEY_CTX, PkeyCtxFree> ctx(EVP_PKEY_CTX_new(key.get(), nullptr));
  size_t derSize = 0;
  if (!ctx || EVP_PKEY_sign_init(ctx.get()) != 1 ||
      EVP_PKEY_sign(ctx.get(), nullptr, &derSize, digest.data(), digest.size()) != 1) {
    error = "signing failed";
    return false;
  }
  std::string der(derSize, '\0');
  auto* out = reinterpret_cast<unsigned char*>(der.data());
  if (EVP_PKEY_sign(ctx.get(), out, &derSize, digest.data(), digest.size()) != 1) {
    error = "signing failed";
    return false;
  }
  const auto* cursor = reinterpret_cast<const unsigned char*>(der.data());
  std::unique_ptr<ECDSA_SIG, SigFree> sig(d2i_ECDSA_SIG(nullptr, &cursor, static_cast<long>(derSize)));
  unsigned char raw[kP256SignatureSize];
  if (!sig || BN_bn2binpad(ECDSA_SIG_get0_r(sig.get()), raw, 32) != 32 ||
      BN_bn2binpad(ECDSA_SIG_get0_s(sig.get()), raw + 32, 32) != 32) {
    error = "the signature cannot be converted";
    return false;
  }
  signature.assign(reinterpret_cast<const char*>(raw), sizeof raw);
  return true;
}

}  // namespace nimbrook
