// The skin archive reader on arbitrary bytes: every entry it lists is read or refused, and what it
// reads is never larger than the entry declares.
#include "fuzz_support.h"
#include "toolkit/zip_archive.h"

using namespace nimbrook;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const auto archive = toolkit::ZipArchive::Open(std::string(fuzz::Bytes(data, size)));
  if (!archive) return 0;
  for (const auto& entry : archive->Entries()) {
    const auto bytes = archive->Read(entry.name);
    if (bytes) FUZZ_CHECK(bytes->size() == entry.size);
    FUZZ_CHECK(archive->Contains(entry.name));
  }
  (void)archive->Read("layouts/main.xml");
  return 0;
}
