// The delay of one server: five ICMP echoes averaged into one result, the text the server list
// shows for it, and the address a row's serv_ip text names. Measuring runs on a worker thread.
#pragma once

#include <cstdint>
#include <string>

#include "os/icmp_echo.h"
#include "os/name_resolver.h"

namespace nimbrook {

inline constexpr uint32_t kEchoTimedOut = 11010;  // IP Helper's status for a request that timed out
inline constexpr uint32_t kNoAddress = 0xFFFFFFFFu;  // what a text that names no address yields

struct DelayResult {
  uint32_t address = 0;  // network byte order
  uint32_t status = kEchoTimedOut;
  uint32_t roundTripTime = 0;  // milliseconds, valid when status is 0
};

// Five echoes, one after the other, each with a 32-byte payload and a 1000 ms time-out. The
// slowest reply is dropped only when all five replied; the rest are averaged (integer division).
// Status 0 when at least one reply counted, else kEchoTimedOut.
[[nodiscard]] DelayResult MeasureDelay(os::IcmpEcho& echo, uint32_t address);

// "小于1ms" for a reply under one millisecond, the time followed by "ms", else timeoutText.
[[nodiscard]] std::wstring DelayText(const DelayResult& result, const std::wstring& timeoutText);

// The address of a dotted quad ("a.b.c.d", each part 0-255); kNoAddress for any other text.
[[nodiscard]] uint32_t ParseDottedQuad(const std::string& text);

// The dotted quad of the text; failing that, the first IPv4 address the resolver gives for it;
// kNoAddress when it does not resolve. An empty text is not looked up.
[[nodiscard]] uint32_t ResolveDelayTarget(const std::string& text, os::NameResolver& resolver);

}  // namespace nimbrook
