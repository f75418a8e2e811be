// Crypto over CNG: SHA-256 through BCryptCreateHash / BCryptHashData / BCryptFinishHash (the one-call
// BCryptHash exists only from Windows 10 on, and the programs still start on Windows 7), ECDSA P-256
// through BCryptImportKeyPair and BCryptVerifySignature.
#include <windows.h>
#include <bcrypt.h>

#include <cstring>
#include <vector>

#include "release_trust/crypto.h"

namespace nimbrook {
namespace {

bool Succeeded(NTSTATUS status) { return status >= 0; }

// An algorithm provider, opened once per use (cheap; no state shared between threads).
class Provider {
 public:
  Provider(const wchar_t* algorithm, ULONG flags = 0) {
    if (!Succeeded(::BCryptOpenAlgorithmProvider(&handle_, algorithm, nullptr, flags))) handle_ = nullptr;
  }
  ~Provider() {
    if (handle_) ::BCryptCloseAlgorithmProvider(handle_, 0);
  }
  Provider(const Provider&) = delete;
  Provider& operator=(const Provider&) = delete;
  BCRYPT_ALG_HANDLE get() const { return handle_; }

 private:
  BCRYPT_ALG_HANDLE handle_ = nullptr;
};

class CngSha256 : public Sha256Hasher {
 public:
  CngSha256() : provider_(BCRYPT_SHA256_ALGORITHM) {
    if (provider_.get() && !Succeeded(::BCryptCreateHash(provider_.get(), &hash_, nullptr, 0, nullptr, 0, 0))) {
      hash_ = nullptr;
    }
  }
  ~CngSha256() override {
    if (hash_) ::BCryptDestroyHash(hash_);
  }
  bool Update(std::string_view bytes) override {
    // BCryptHashData takes a ULONG length: large pieces go in several calls.
    while (hash_ && !finished_ && !bytes.empty()) {
      const ULONG piece = static_cast<ULONG>(bytes.size() > 0x40000000u ? 0x40000000u : bytes.size());
      auto* data = reinterpret_cast<PUCHAR>(const_cast<char*>(bytes.data()));
      if (!Succeeded(::BCryptHashData(hash_, data, piece, 0))) return false;
      bytes.remove_prefix(piece);
    }
    return hash_ && !finished_;
  }
  bool Finish(Sha256Digest& digest) override {
    if (!hash_ || finished_) return false;
    finished_ = true;
    return Succeeded(::BCryptFinishHash(hash_, digest.data(), static_cast<ULONG>(digest.size()), 0));
  }

 private:
  Provider provider_;
  BCRYPT_HASH_HANDLE hash_ = nullptr;
  bool finished_ = false;
};

class CngCrypto : public Crypto {
 public:
  bool Sha256(std::string_view bytes, Sha256Digest& digest) override {
    CngSha256 hasher;
    return hasher.Update(bytes) && hasher.Finish(digest);
  }

  std::unique_ptr<Sha256Hasher> NewSha256() override { return std::make_unique<CngSha256>(); }

  bool VerifyP256(std::string_view publicKey, const Sha256Digest& digest, std::string_view signature) override {
    if (publicKey.size() != kP256PublicKeySize || signature.size() != kP256SignatureSize) return false;
    if (static_cast<unsigned char>(publicKey[0]) != 0x04) return false;
    Provider provider(BCRYPT_ECDSA_P256_ALGORITHM);
    if (!provider.get()) return false;

    // BCRYPT_ECCPUBLIC_BLOB: the header, then X and Y.
    std::vector<unsigned char> blob(sizeof(BCRYPT_ECCKEY_BLOB) + 64);
    BCRYPT_ECCKEY_BLOB header{};
    header.dwMagic = BCRYPT_ECDSA_PUBLIC_P256_MAGIC;
    header.cbKey = 32;
    std::memcpy(blob.data(), &header, sizeof header);
    std::memcpy(blob.data() + sizeof header, publicKey.data() + 1, 64);
    BCRYPT_KEY_HANDLE key = nullptr;
    if (!Succeeded(::BCryptImportKeyPair(provider.get(), nullptr, BCRYPT_ECCPUBLIC_BLOB, &key, blob.data(),
                                         static_cast<ULONG>(blob.size()), 0))) {
      return false;
    }
    Sha256Digest hash = digest;
    std::vector<unsigned char> sig(signature.begin(), signature.end());
    const NTSTATUS status = ::BCryptVerifySignature(key, nullptr, hash.data(), static_cast<ULONG>(hash.size()),
                                                    sig.data(), static_cast<ULONG>(sig.size()), 0);
    ::BCryptDestroyKey(key);
    return Succeeded(status);
  }
};

}  // namespace

Crypto& SystemCrypto() {
  static CngCrypto crypto;
  return crypto;
}

}  // namespace nimbrook
