// The five-echo measurement and the delay text.
#include "delay/delay_result.h"

#include <cstring>

namespace nimbrook {
namespace {

constexpr int kEchoes = 5;
constexpr size_t kPayloadSize = 32;
constexpr uint8_t kFiller = 0x45;
constexpr uint32_t kFillerWord = 0x45454545;
constexpr uint32_t kEchoTimeoutMs = 1000;

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

std::string Trimmed(const std::string& text) {
  size_t begin = 0;
  size_t end = text.size();
  while (begin < end && IsBlank(text[begin])) ++begin;
  while (end > begin && IsBlank(text[end - 1])) --end;
  return text.substr(begin, end - begin);
}

}  // namespace

DelayResult MeasureDelay(os::IcmpEcho& echo, uint32_t address) {
  uint8_t payload[kPayloadSize];
  std::memset(payload, kFiller, sizeof payload);

  DelayResult result;
  uint64_t sum = 0;
  uint32_t largest = 0;
  int counted = 0;
  for (int i = 0; i < kEchoes; ++i) {
    // The record starts as filler each time, so a call that writes nothing reads as a failure.
    os::EchoReplyRecord reply{kFillerWord, kFillerWord, kFillerWord};
    (void)echo.Send(address, payload, sizeof payload, kEchoTimeoutMs, reply);
    if (reply.status != 0) continue;
    sum += reply.roundTripTime;
    if (reply.roundTripTime > largest) largest = reply.roundTripTime;
    ++counted;
  }

  result.address = address;
  if (counted == 0) {
    result.status = kEchoTimedOut;
    return result;
  }
  if (counted == kEchoes) {
    sum -= largest;
    --counted;
  }
  result.status = 0;
  result.roundTripTime = static_cast<uint32_t>(sum / static_cast<uint64_t>(counted));
  return result;
}

std::wstring DelayText(const DelayResult& result, const std::wstring& timeoutText) {
  if (result.status != 0) return timeoutText;
  if (result.roundTripTime == 0) return L"\u5C0F\u4E8E1ms";
  return std::to_wstring(result.roundTripTime) + L"ms";
}

uint32_t ParseDottedQuad(const std::string& text) {
  const std::string quad = Trimmed(text);
  const size_t end = quad.size();
  uint8_t bytes[4];
  int part = 0;
  size_t i = 0;
  while (true) {
    if (i >= end || quad[i] < '0' || quad[i] > '9') return kNoAddress;
    unsigned value = 0;
    int digits = 0;
    while (i < end && quad[i] >= '0' && quad[i] <= '9') {
      value = value * 10 + static_cast<unsigned>(quad[i] - '0');
      if (++digits > 3 || value > 255) return kNoAddress;
      ++i;
    }
    bytes[part++] = static_cast<uint8_t>(value);
    if (part == 4) break;
    if (i >= end || quad[i] != '.') return kNoAddress;
    ++i;
  }
  if (i != end) return kNoAddress;
  uint32_t address;  // network byte order: the first part is the first byte in memory
  std::memcpy(&address, bytes, sizeof address);
  return address;
}

uint32_t ResolveDelayTarget(const std::string& text, os::NameResolver& resolver) {
  const uint32_t quad = ParseDottedQuad(text);
  if (quad != kNoAddress) return quad;
  const std::string name = Trimmed(text);
  // Windows answers an empty name with this computer's own addresses; a row without an address
  // must not show this computer's delay.
  if (name.empty()) return kNoAddress;
  return resolver.FirstIpv4(name).value_or(kNoAddress);
}

}  // namespace nimbrook
