// ICMP echo through IP Helper (IcmpCreateFile / IcmpSendEcho / IcmpCloseHandle).
#include <winsock2.h>
#include <windows.h>
#include <iphlpapi.h>
#include <icmpapi.h>

#include <vector>

#include "os/icmp_echo.h"

namespace nimbrook::os {
namespace {

class IpHelperEcho final : public IcmpEcho {
 public:
  explicit IpHelperEcho(HANDLE handle) : handle_(handle) {}
  ~IpHelperEcho() override { IcmpCloseHandle(handle_); }
  IpHelperEcho(const IpHelperEcho&) = delete;
  IpHelperEcho& operator=(const IpHelperEcho&) = delete;

  uint32_t Send(uint32_t address, const uint8_t* payload, size_t payloadSize, uint32_t timeoutMs,
                EchoReplyRecord& reply) override {
    // The reply buffer holds the reply record of this build (40 bytes on 64-bit Windows, 28 on
    // 32-bit), the echoed payload and room for an ICMP error message; a smaller buffer makes every
    // call fail.
    std::vector<unsigned char> buffer(sizeof(ICMP_ECHO_REPLY) + payloadSize + 8, 0x45);
    const DWORD replies =
        IcmpSendEcho(handle_, static_cast<IPAddr>(address), const_cast<uint8_t*>(payload),
                     static_cast<WORD>(payloadSize), nullptr, buffer.data(), static_cast<DWORD>(buffer.size()),
                     timeoutMs);
    if (replies == 0) return 0;
    const auto* record = reinterpret_cast<const ICMP_ECHO_REPLY*>(buffer.data());
    reply.address = record->Address;
    reply.status = record->Status;
    reply.roundTripTime = record->RoundTripTime;
    return replies;
  }

 private:
  HANDLE handle_;
};

}  // namespace

std::unique_ptr<IcmpEcho> OpenIcmpEcho() {
  HANDLE handle = IcmpCreateFile();
  if (handle == INVALID_HANDLE_VALUE) return nullptr;
  return std::make_unique<IpHelperEcho>(handle);
}

}  // namespace nimbrook::os
