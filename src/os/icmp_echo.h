// ICMP echo as a narrow seam: one echo request to an IPv4 address, its reply record and round-trip
// time. Windows sends it through IP Helper; the native build has no echo (every call fails), and
// tests script replies with FakeIcmpEcho (icmp_echo_fake.h).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

namespace nimbrook::os {

// The fields of an ICMP echo reply record that the program reads.
struct EchoReplyRecord {
  uint32_t address = 0;        // network byte order
  uint32_t status = 0;         // 0 = success, else an IP Helper status (11010: timed out)
  uint32_t roundTripTime = 0;  // milliseconds
};

// An open ICMP handle. Not shared between threads: each measuring worker opens its own.
class IcmpEcho {
 public:
  virtual ~IcmpEcho() = default;

  // Sends one echo request with the payload and waits up to timeoutMs for the reply. Returns the
  // number of replies received. When the call fails, `reply` keeps what the caller put there, so a
  // caller that pre-fills it with a non-zero status never mistakes a failed call for a reply.
  virtual uint32_t Send(uint32_t address, const uint8_t* payload, size_t payloadSize, uint32_t timeoutMs,
                        EchoReplyRecord& reply) = 0;
};

// Opens an ICMP handle of this system; null when none can be opened.
[[nodiscard]] std::unique_ptr<IcmpEcho> OpenIcmpEcho();

}  // namespace nimbrook::os
