// URL preparation and the portable URL cracker on any text, for both programs and both operations.
#include "fuzz_support.h"
#include "http/http_variant.h"
#include "http/url_parts.h"

using namespace nimbrook;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::wstring url = text::FromUtf8(fuzz::Bytes(data, size));
  for (const HttpVariant& variant : {HttpVariant::Client(), HttpVariant::Updater()}) {
    for (const HttpOperation op : {HttpOperation::kPostForm, HttpOperation::kDownload}) {
      const std::wstring prepared = PrepareUrl(url, variant, op, 1700000000);
      FUZZ_CHECK(prepared.size() >= url.size());
      if (variant.backslashesToSlashes) FUZZ_CHECK(prepared.find(L'\\') == std::wstring::npos);
      UrlParts parts;
      if (CrackUrlPortable(prepared, parts) == 0) {
        const std::wstring path = RequestPathOf(parts);
        FUZZ_CHECK(!path.empty() && path.front() == L'/');
      }
    }
  }
  UrlParts raw;
  (void)CrackUrlPortable(url, raw);
  return 0;
}
