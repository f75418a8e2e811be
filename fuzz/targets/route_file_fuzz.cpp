// The route-file parser on any file: an accepted file holds only well-formed routes, written out
// again they parse to the same routes; a refused one names a line of the file.
#include <algorithm>

#include "cmroute/route_file.h"
#include "fuzz_support.h"

using namespace nimbrook;
using namespace nimbrook::cmroute;

namespace {

std::string Format(const RouteEntry& e) {
  std::string line = ActionName(e.action) + " " + DottedQuad(e.destination) + " MASK " + DottedQuad(e.mask);
  const std::string gateway = GatewayText(e);
  if (!gateway.empty()) line += " " + gateway;
  if (e.metric) line += " METRIC " + std::to_string(*e.metric);
  if (e.interfaceIndex) line += " IF " + std::to_string(*e.interfaceIndex);
  return line;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view input = fuzz::Bytes(data, size);
  const RouteFileResult result = ParseRouteFile(input);
  if (!result.ok) {
    FUZZ_CHECK(result.routes.empty());
    FUZZ_CHECK(!result.error.empty());
    const long lines = std::count(input.begin(), input.end(), '\n') + 1;
    FUZZ_CHECK(result.errorLine >= 0 && result.errorLine <= lines);
    return 0;
  }
  std::string again;
  int previousLine = 0;
  for (const RouteEntry& e : result.routes) {
    FUZZ_CHECK(IsContiguousMask(e.mask));
    FUZZ_CHECK((e.destination & ~e.mask) == 0);
    FUZZ_CHECK(e.line > previousLine);
    previousLine = e.line;
    if (e.metric) FUZZ_CHECK(*e.metric >= 1 && *e.metric <= kMaxRouteMetric);
    if (e.action == RouteAction::kDelete) FUZZ_CHECK(!e.metric && !e.interfaceIndex);
    if (e.gatewayKind == GatewayKind::kAny) FUZZ_CHECK(e.action == RouteAction::kDelete);
    FUZZ_CHECK(ParseDottedQuad(DottedQuad(e.destination)) == e.destination);
    again += Format(e) + "\n";
  }
  const RouteFileResult reparsed = ParseRouteFile(again);
  FUZZ_CHECK(reparsed.ok);
  FUZZ_CHECK(reparsed.routes.size() == result.routes.size());
  for (size_t i = 0; i < result.routes.size(); ++i) {
    const RouteEntry& a = result.routes[i];
    const RouteEntry& b = reparsed.routes[i];
    FUZZ_CHECK(a.action == b.action && a.destination == b.destination && a.mask == b.mask);
    FUZZ_CHECK(a.gatewayKind == b.gatewayKind && a.gateway == b.gateway);
    FUZZ_CHECK(a.metric == b.metric && a.interfaceIndex == b.interfaceIndex);
  }
  return 0;
}
