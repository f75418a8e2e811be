// The signature line of a descriptor, on any bytes: locating it never reads past the input, and
// whatever a signer can sign (UnsignedContent) becomes, with a signature line appended, a file whose
// signature is found again with the same signed length and bytes.
#include "fuzz_support.h"
#include "release_trust/descriptor_signature.h"

using namespace nimbrook;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view input = fuzz::Bytes(data, size);
  const SignatureLocation found = LocateSignature(input);
  if (found.status == SignatureStatus::kValid) {
    FUZZ_CHECK(found.signedLength <= input.size());
    FUZZ_CHECK(found.signature.size() == kP256SignatureSize);
  }

  std::string content, error;
  if (!UnsignedContent(input, content, error)) return 0;
  FUZZ_CHECK(LocateSignature(content).status != SignatureStatus::kValid);
  const std::string signature(kP256SignatureSize, static_cast<char>(size & 0xFF));
  const SignatureLocation again = LocateSignature(WithSignatureLine(content, signature));
  FUZZ_CHECK(again.status == SignatureStatus::kValid);
  FUZZ_CHECK(again.signedLength == content.size());
  FUZZ_CHECK(again.signature == signature);
  return 0;
}
