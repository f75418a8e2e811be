// Key generation and descriptor signing (native only) checked through the verifier: a fresh key
// signs in every encoding, re-signing replaces the line, and a key file of another kind is refused.
#include "release_trust/release_signer.h"

#include <gtest/gtest.h>

#include "release_trust/descriptor_signature.h"
#include "release_trust/release_encoding.h"
#include "release_trust_vectors.h"

namespace nimbrook {
namespace {

using namespace testing;

TEST(ReleaseSignerTest, SignsWhatTheVerifierAcceptsAndReplacesTheLine) {
  ReleaseKeyPair pair;
  std::string error;
  ASSERT_TRUE(GenerateReleaseKey(pair, error)) << error;
  std::string key, again;
  ASSERT_TRUE(DecodePublicKeyText(pair.publicKeyText, key));
  ASSERT_TRUE(PublicKeyTextOf(pair.privatePem, again, error)) << error;
  EXPECT_EQ(again, pair.publicKeyText);

  for (const std::string& text : {kSignedLf, WithCrLf(kSignedLf), SignedUtf16(), std::string("[URL]\r\na=1"),
                                  std::string()}) {
    std::string signedText;
    ASSERT_TRUE(SignDescriptor(text, pair.privatePem, signedText, error)) << error;
    EXPECT_EQ(VerifyDescriptorSignature(signedText, key, SystemCrypto()), SignatureStatus::kValid);
    std::string twice;
    ASSERT_TRUE(SignDescriptor(signedText, pair.privatePem, twice, error)) << error;
    EXPECT_EQ(LocateSignature(twice).signedLength, LocateSignature(signedText).signedLength);
    EXPECT_EQ(VerifyDescriptorSignature(twice, key, SystemCrypto()), SignatureStatus::kValid);
  }
  std::string ignored;
  EXPECT_FALSE(SignDescriptor(kSignedLf, "not a key", ignored, error));
}

}  // namespace
}  // namespace nimbrook
