// The IP Helper adapter list. The IP Helper headers appear in this file only.
#include <winsock2.h>
#include <windows.h>
#include <iphlpapi.h>

#include <cstdint>
#include <vector>

#include "os/adapters.h"

namespace nimbrook::os {
namespace {

constexpr ULONG kFirstTrySize = 648;

}  // namespace

std::vector<AdapterRecord> ListAdapters() {
  // Whole 8-byte cells: the records hold 64-bit times and must be aligned for them.
  ULONG size = kFirstTrySize;
  std::vector<std::uint64_t> buffer((size + 7) / 8);
  DWORD status = GetAdaptersInfo(reinterpret_cast<IP_ADAPTER_INFO*>(buffer.data()), &size);
  if (status == ERROR_BUFFER_OVERFLOW) {
    buffer.assign((size + 7) / 8, 0);
    status = GetAdaptersInfo(reinterpret_cast<IP_ADAPTER_INFO*>(buffer.data()), &size);
  }
  std::vector<AdapterRecord> adapters;
  if (status != NO_ERROR) return adapters;
  for (auto* adapter = reinterpret_cast<IP_ADAPTER_INFO*>(buffer.data()); adapter; adapter = adapter->Next) {
    AdapterRecord record;
    record.name = adapter->AdapterName;
    record.description = adapter->Description;
    for (const IP_ADDR_STRING* address = &adapter->IpAddressList; address; address = address->Next) {
      record.ipAddresses.emplace_back(address->IpAddress.String);
    }
    adapters.push_back(std::move(record));
  }
  return adapters;
}

}  // namespace nimbrook::os
