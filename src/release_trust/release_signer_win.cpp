// The Windows build verifies only: keys are made and descriptors signed on the operator's machine
// with the native companion program.
#include "release_trust/release_signer.h"

namespace nimbrook {
namespace {
constexpr char kUnavailable[] = "signing is not available in the Windows build; use the native nimbrook-cli";
}

bool SigningAvailable() { return false; }

bool GenerateReleaseKey(ReleaseKeyPair&, std::string& error) {
  error = kUnavailable;
  return false;
}

bool PublicKeyTextOf(const std::string&, std::string&, std::string& error) {
  error = kUnavailable;
  return false;
}

bool SignDigest(const std::string&, const Sha256Digest&, std::string&, std::string& error) {
  error = kUnavailable;
  return false;
}

}  // namespace nimbrook
