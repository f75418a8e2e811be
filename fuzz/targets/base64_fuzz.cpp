// Base64: decoding any text stays within its input; encoding any bytes decodes back to them, with
// CR LF after every 76 characters.
#include "core/base64.h"
#include "fuzz_support.h"

using namespace nimbrook;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view input = fuzz::Bytes(data, size);
  const Base64 codec;
  const std::string decoded = codec.Decode(input);
  FUZZ_CHECK(decoded.size() <= input.size() * 3 / 4 + 3);

  const std::string encoded = codec.Encode(input);
  FUZZ_CHECK(codec.Decode(encoded) == input);
  size_t lineLength = 0;
  for (size_t i = 0; i < encoded.size(); ++i) {
    if (encoded[i] == '\r') {
      FUZZ_CHECK(i + 1 < encoded.size() && encoded[i + 1] == '\n');
      FUZZ_CHECK(lineLength == 76);
      lineLength = 0;
      ++i;
    } else {
      ++lineLength;
    }
  }
  FUZZ_CHECK(lineLength <= 76);
  return 0;
}
