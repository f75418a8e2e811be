// The skin archive reader on arbitrary bytes: every entry it lists is read or refused, and what it
// reads is the size the entry declares. A name stored twice reads as its first entry.
#include <set>

#include "fuzz_support.h"
#include "toolkit/zip_archive.h"

using namespace nimbrook;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const auto archive = toolkit::ZipArchive::Open(std::string(fuzz::Bytes(data, size)));
  if (!archive) return 0;
  std::set<std::string> seen;
  for (const auto& entry : archive->Entries()) {
    const auto bytes = archive->Read(entry.name);
    const bool first = seen.insert(toolkit::ZipArchive::NormalizeName(entry.name)).second;
    if (bytes && first) FUZZ_CHECK(bytes->size() == entry.size);
    FUZZ_CHECK(archive->Contains(entry.name));
  }
  (void)archive->Read("layouts/main.xml");
  return 0;
}
