// The native build sends no ICMP: the handle opens, and every echo fails like an unreachable host,
// so the delay logic runs unchanged and reports time-outs.
#include "os/icmp_echo.h"

namespace nimbrook::os {
namespace {

class NoEcho final : public IcmpEcho {
 public:
  uint32_t Send(uint32_t, const uint8_t*, size_t, uint32_t, EchoReplyRecord&) override { return 0; }
};

}  // namespace

std::unique_ptr<IcmpEcho> OpenIcmpEcho() { return std::make_unique<NoEcho>(); }

}  // namespace nimbrook::os
