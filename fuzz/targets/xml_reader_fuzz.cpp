// The layout XML reader on arbitrary bytes: a tree or a located error, within the depth limit.
#include "fuzz_support.h"
#include "toolkit/xml_reader.h"

using namespace nimbrook;

namespace {

int Depth(const toolkit::XmlElement& e) {
  int deepest = 0;
  for (const auto& child : e.children) deepest = std::max(deepest, Depth(*child));
  return deepest + 1;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const toolkit::XmlResult result = toolkit::ParseXml(std::string(fuzz::Bytes(data, size)));
  if (!result.root) {
    FUZZ_CHECK(!result.error.empty());
    FUZZ_CHECK(result.errorLine >= 1);
    return 0;
  }
  FUZZ_CHECK(result.error.empty());
  FUZZ_CHECK(Depth(*result.root) <= toolkit::kXmlMaxDepth);
  FUZZ_CHECK(!result.root->name.empty());
  return 0;
}
