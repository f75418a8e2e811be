// The file-name rules for names from the network, after the UTF-8 decoding they go through: a name
// found safe never climbs out of its directory, names no stream and holds no replaced byte; and the
// decoder maps valid UTF-8 back to the same bytes.
#include "core/paths.h"
#include "fuzz_support.h"

using namespace nimbrook;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes = fuzz::Bytes(data, size);
  const std::wstring name = text::FromUtf8(bytes);
  const std::string again = text::ToUtf8(name);
  if (name.find(L'\uFFFD') == std::wstring::npos) FUZZ_CHECK(again == bytes);
  FUZZ_CHECK(text::FromUtf8(again) == name);

  if (!IsSafeRelativeName(name)) return 0;
  FUZZ_CHECK(!name.empty() && name.front() != L'/' && name.front() != L'\\');
  FUZZ_CHECK(name.find(L':') == std::wstring::npos && name.find(L'\uFFFD') == std::wstring::npos);
  const std::wstring native = ToNativeSeparators(name);
  FUZZ_CHECK(native.size() == name.size());
  int depth = 0;
  size_t start = 0;
  while (start <= native.size()) {
    size_t end = native.find(kPathSeparator, start);
    if (end == std::wstring::npos) end = native.size();
    const std::wstring segment = native.substr(start, end - start);
    // Windows drops trailing dots and blanks: what is left decides the level.
    const size_t kept = segment.find_last_not_of(L". ");
    if (segment.empty() || segment == L".") {
    } else if (kept == std::wstring::npos) {
      FUZZ_CHECK(false);  // "..", "...", ". ." would climb
    } else {
      ++depth;
    }
    FUZZ_CHECK(depth >= 0);
    start = end + 1;
  }
  const std::wstring joined = JoinPath(L"/program/", native);
  FUZZ_CHECK(joined.rfind(L"/program/", 0) == 0);
  return 0;
}
