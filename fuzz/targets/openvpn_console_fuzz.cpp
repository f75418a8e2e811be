// OpenVPN's console as the engine reads it: any output, cut into chunks at the places the input
// chooses, gives the same answer as far as the carried text goes, and the carry stays short.
#include "fuzz_support.h"
#include "openvpn/console_analysis.h"

using namespace nimbrook;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const std::string_view output = fuzz::Bytes(data + 1, size - 1);
  const size_t step = 1 + data[0] % 64;
  ConsoleContext context;
  context.routeMode = data[0] % 5;
  bool up = false;
  for (size_t at = 0; at < output.size(); at += step) {
    const std::string_view chunk = output.substr(at, step);
    const ChunkAnalysis a = AnalyseChunk(chunk, context);
    FUZZ_CHECK(a.inactivityCount >= 0);
    if (a.addChinaRoute) FUZZ_CHECK(a.tunnelUp && context.routeMode == 1);
    if (a.tunnelAdapterId) FUZZ_CHECK(a.tunnelAdapterId->front() == '{' && a.tunnelAdapterId->back() == '}');
    up = up || a.tunnelUp;
    context.inactivityCount = a.inactivityCount;
    context.carry = NextCarry(context.carry, chunk);
    FUZZ_CHECK(context.carry.size() < 64);
  }
  // The whole output in one chunk sees every text the pieces saw.
  const ChunkAnalysis whole = AnalyseChunk(output, ConsoleContext{});
  if (up && whole.kind == ChunkKind::Output) FUZZ_CHECK(whole.tunnelUp || whole.stop);
  (void)FindTunnelAdapterId(output);
  return 0;
}
