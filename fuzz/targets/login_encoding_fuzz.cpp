// The login encodings: EncodeParams and its inverse agree for any text, every candidate reading of a
// "p" value encodes back to it, and the signature is always 32 lower-case hexadecimal characters.
#include "account/login_encoding.h"
#include "fuzz_support.h"

using namespace nimbrook;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view input = fuzz::Bytes(data, size);

  const std::string encoded = EncodeParams(input);
  std::string back;
  FUZZ_CHECK(DecodeParams(encoded, back));
  // An encoding that ends in "LGLGL" can read two ways; the text must be among the readings.
  const auto candidates = DecodeParamsCandidates(encoded);
  bool found = false;
  for (const auto& c : candidates) found = found || c == input;
  FUZZ_CHECK(found);

  // A hostile "p" value: whatever it decodes to encodes back to exactly that value.
  std::string text;
  if (DecodeParams(input, text)) FUZZ_CHECK(EncodeParams(text) == input);
  for (const auto& c : DecodeParamsCandidates(input)) FUZZ_CHECK(EncodeParams(c) == input);

  const std::string signature = SignParams(input);
  FUZZ_CHECK(signature.size() == 32);
  for (char c : signature) FUZZ_CHECK((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'));
  (void)LoginBody(input);
  return 0;
}
