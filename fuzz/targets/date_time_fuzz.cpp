// ParseDateTime on any text: -1, or a time inside the years it accepts.
#include "core/time_helpers.h"
#include "fuzz_support.h"

using namespace nimbrook;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::wstring input = text::FromUtf8(fuzz::Bytes(data, size));
  const int64_t t = ParseDateTime(input);
  // 1970-01-01 minus a day of time zones to 3000-12-31 plus one.
  FUZZ_CHECK(t == -1 || (t >= -86400 && t <= 32535302400LL + 86400));
  if (t != -1) {
    const int hours = HoursBetween(t, 0);
    FUZZ_CHECK(hours >= -24);
  }
  return 0;
}
