// What the client and the updater trust: with a release public key (a build value), only a
// descriptor signed by it, and only release files whose SHA-256 the signed descriptor lists in its
// DIGESTS section; without one, digests are still checked where a descriptor lists them (they catch
// a cut or corrupted download), but nothing needs a signature.
#pragma once

#include <map>
#include <string>

#include "os/profile_file.h"
#include "release_trust/crypto.h"
#include "release_trust/descriptor_signature.h"

namespace nimbrook {

// Section of a descriptor: one "name=SHA-256 in lower-case hex" line per FILES name.
inline constexpr wchar_t kDigestsSection[] = L"DIGESTS";
// A descriptor is a few kilobytes; anything far larger is refused before it is read whole.
inline constexpr size_t kMaxSignedDescriptorBytes = 4u << 20;

// Release file name (ASCII letters lower-cased, as the profile API matches keys) -> lower-case hex.
using DigestMap = std::map<std::wstring, std::string>;

// The DIGESTS section of a descriptor (empty when it has none).
DigestMap ReadDigests(os::ProfileFiles& profile, const std::wstring& descriptor);

// SHA-256 of a file's content in lower-case hex, read a piece at a time. False when it cannot be read.
[[nodiscard]] bool FileDigestHex(const std::wstring& path, Crypto& crypto, std::string& hex);

enum class FileTrust {
  kMatches,        // the file's digest is the listed one
  kUnchecked,      // no digest listed and no key: accepted as before
  kMissingDigest,  // a key is configured but the descriptor lists no digest for the name
  kMismatch,       // the file's digest differs from the listed one
  kUnreadable,     // the file cannot be read
};

inline bool Accepted(FileTrust trust) { return trust == FileTrust::kMatches || trust == FileTrust::kUnchecked; }
const char* FileTrustReason(FileTrust trust);

class ReleaseTrust {
 public:
  // publicKeyText: Base64 of the 65-byte uncompressed point; empty: no key. A text that is no key
  // still counts as configured, so every descriptor is refused rather than trusted.
  explicit ReleaseTrust(std::string publicKeyText, Crypto& crypto = SystemCrypto());

  // The build's key text (the CMake cache variable NIMBROOK_RELEASE_PUBLIC_KEY).
  static std::string BuiltInKeyText();

  bool HasKey() const { return configured_; }

  // kValid without a key; with one, the verdict on the file's signature line.
  [[nodiscard]] SignatureStatus CheckDescriptor(const std::wstring& path) const;
  // The verdict on file path, fetched for the release file name.
  [[nodiscard]] FileTrust CheckFile(const DigestMap& digests, const std::wstring& name, const std::wstring& path) const;

 private:
  bool configured_ = false;
  std::string publicKey_;  // the 65 raw bytes; empty when the text did not decode
  Crypto* crypto_;
};

}  // namespace nimbrook
