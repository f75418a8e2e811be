#include "release_trust/release_trust.h"

#include <cstdio>

#include "build_config.h"
#include "core/file_io.h"
#include "core/text.h"
#include "release_trust/release_encoding.h"

namespace nimbrook {
namespace {

constexpr size_t kDigestsSectionCapacity = 32767;

std::wstring LowerAscii(std::wstring text) {
  for (wchar_t& c : text) {
    if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c - L'A' + L'a');
  }
  return text;
}

std::string LowerAscii(std::string text) {
  for (char& c : text) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return text;
}

std::string Trimmed(const std::wstring& text) {
  const size_t first = text.find_first_not_of(L" \t");
  if (first == std::wstring::npos) return {};
  const size_t last = text.find_last_not_of(L" \t");
  return text::ToUtf8(text.substr(first, last - first + 1));
}

}  // namespace

DigestMap ReadDigests(os::ProfileFiles& profile, const std::wstring& descriptor) {
  DigestMap digests;
  for (const std::wstring& line : profile.ReadSection(descriptor, kDigestsSection, kDigestsSectionCapacity)) {
    const size_t equals = line.find(L'=');
    if (equals == 0 || equals == std::wstring::npos) continue;
    // The first line of a name counts, as the profile API reads it.
    digests.emplace(LowerAscii(line.substr(0, equals)), LowerAscii(Trimmed(line.substr(equals + 1))));
  }
  return digests;
}

bool FileDigestHex(const std::wstring& path, Crypto& crypto, std::string& hex) {
  FileHandle file = OpenFile(path, "rb");
  if (!file) return false;
  std::unique_ptr<Sha256Hasher> hasher = crypto.NewSha256();
  if (!hasher) return false;
  std::string piece(1 << 20, '\0');
  for (;;) {
    const size_t got = std::fread(piece.data(), 1, piece.size(), file.get());
    if (got > 0 && !hasher->Update(std::string_view(piece.data(), got))) return false;
    if (got < piece.size()) break;
  }
  if (std::ferror(file.get())) return false;
  Sha256Digest digest{};
  if (!hasher->Finish(digest)) return false;
  hex = DigestHex(digest);
  return true;
}

const char* FileTrustReason(FileTrust trust) {
  switch (trust) {
    case FileTrust::kMatches: return "digest matches";
    case FileTrust::kUnchecked: return "no digest listed";
    case FileTrust::kMissingDigest: return "no digest listed in the signed descriptor";
    case FileTrust::kMismatch: return "digest does not match";
    case FileTrust::kUnreadable: return "the file cannot be read";
  }
  return "unknown";
}

ReleaseTrust::ReleaseTrust(std::string publicKeyText, Crypto& crypto) : crypto_(&crypto) {
  configured_ = !publicKeyText.empty();
  if (configured_ && !DecodePublicKeyText(publicKeyText, publicKey_)) publicKey_.clear();
}

std::string ReleaseTrust::BuiltInKeyText() { return NIMBROOK_RELEASE_PUBLIC_KEY; }

SignatureStatus ReleaseTrust::CheckDescriptor(const std::wstring& path) const {
  if (!configured_) return SignatureStatus::kValid;
  if (publicKey_.empty()) return SignatureStatus::kBadKey;
  FileHandle file = OpenFile(path, "rb");
  if (!file) return SignatureStatus::kUnreadable;
  std::string bytes;
  std::string piece(64 * 1024, '\0');
  for (;;) {
    const size_t got = std::fread(piece.data(), 1, piece.size(), file.get());
    bytes.append(piece.data(), got);
    if (bytes.size() > kMaxSignedDescriptorBytes) return SignatureStatus::kUnreadable;
    if (got < piece.size()) break;
  }
  if (std::ferror(file.get())) return SignatureStatus::kUnreadable;
  return VerifyDescriptorSignature(bytes, publicKey_, *crypto_);
}

FileTrust ReleaseTrust::CheckFile(const DigestMap& digests, const std::wstring& name, const std::wstring& path) const {
  const auto listed = digests.find(LowerAscii(name));
  if (listed == digests.end()) return configured_ ? FileTrust::kMissingDigest : FileTrust::kUnchecked;
  std::string actual;
  if (!FileDigestHex(path, *crypto_, actual)) return FileTrust::kUnreadable;
  return actual == listed->second ? FileTrust::kMatches : FileTrust::kMismatch;
}

}  // namespace nimbrook
