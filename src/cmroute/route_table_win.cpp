// The system's IPv4 route table through the IP Helper API (the *IpForwardEntry2 family, Vista and
// later), and the adapter list that tells the VPN adapter from the others.
#include "cmroute/route_table_win.h"

#include <winsock2.h>
#include <ws2ipdef.h>
#include <iphlpapi.h>

#include <memory>
#include <vector>

#include "cmroute/route_file.h"

namespace nimbrook::cmroute {
namespace {

struct TableFree {
  void operator()(MIB_IPFORWARD_TABLE2* table) const {
    if (table) FreeMibTable(table);
  }
};
using ForwardTable = std::unique_ptr<MIB_IPFORWARD_TABLE2, TableFree>;

uint32_t ToHost(const SOCKADDR_INET& address) { return ntohl(address.Ipv4.sin_addr.s_addr); }

void SetIpv4(SOCKADDR_INET& address, uint32_t hostOrder) {
  address.si_family = AF_INET;
  address.Ipv4.sin_family = AF_INET;
  address.Ipv4.sin_addr.s_addr = htonl(hostOrder);
}

bool ContainsIgnoreCase(std::wstring haystack, std::wstring needle) {
  for (auto& c : haystack) c = static_cast<wchar_t>(towlower(c));
  for (auto& c : needle) c = static_cast<wchar_t>(towlower(c));
  return haystack.find(needle) != std::wstring::npos;
}

// PPP links (dial-up), and the virtual adapters OpenVPN drives.
bool IsVpnAdapter(const IP_ADAPTER_ADDRESSES& adapter) {
  if (adapter.IfType == IF_TYPE_PPP) return true;
  const std::wstring description = adapter.Description ? adapter.Description : L"";
  return ContainsIgnoreCase(description, L"TAP-Win") || ContainsIgnoreCase(description, L"Wintun") ||
         ContainsIgnoreCase(description, L"OpenVPN");
}

struct AdapterFacts {
  uint32_t index = 0;
  bool vpn = false;
  bool up = false;
  uint32_t address = 0;  // first IPv4 address, 0 when none
  uint32_t gateway = 0;  // first IPv4 gateway, 0 when none
};

std::vector<AdapterFacts> ReadAdapters() {
  std::vector<AdapterFacts> facts;
  ULONG size = 16 * 1024;
  std::vector<unsigned char> buffer;
  ULONG result = ERROR_BUFFER_OVERFLOW;
  for (int attempt = 0; attempt < 3 && result == ERROR_BUFFER_OVERFLOW; ++attempt) {
    buffer.resize(size);
    result = GetAdaptersAddresses(AF_INET, GAA_FLAG_INCLUDE_GATEWAYS | GAA_FLAG_SKIP_DNS_SERVER, nullptr,
                                  reinterpret_cast<IP_ADAPTER_ADDRESSES*>(buffer.data()), &size);
  }
  if (result != NO_ERROR) return facts;
  for (auto* a = reinterpret_cast<IP_ADAPTER_ADDRESSES*>(buffer.data()); a; a = a->Next) {
    AdapterFacts f;
    f.index = a->IfIndex;
    f.vpn = IsVpnAdapter(*a);
    f.up = a->OperStatus == IfOperStatusUp;
    for (auto* u = a->FirstUnicastAddress; u && !f.address; u = u->Next) {
      if (u->Address.lpSockaddr && u->Address.lpSockaddr->sa_family == AF_INET) {
        f.address = ntohl(reinterpret_cast<sockaddr_in*>(u->Address.lpSockaddr)->sin_addr.s_addr);
      }
    }
    for (auto* g = a->FirstGatewayAddress; g && !f.gateway; g = g->Next) {
      if (g->Address.lpSockaddr && g->Address.lpSockaddr->sa_family == AF_INET) {
        f.gateway = ntohl(reinterpret_cast<sockaddr_in*>(g->Address.lpSockaddr)->sin_addr.s_addr);
      }
    }
    facts.push_back(f);
  }
  return facts;
}

ForwardTable ReadRoutes() {
  MIB_IPFORWARD_TABLE2* table = nullptr;
  if (GetIpForwardTable2(AF_INET, &table) != NO_ERROR) return ForwardTable();
  return ForwardTable(table);
}

RouteStatus Classify(DWORD code, uint32_t& error) {
  error = code;
  if (code == NO_ERROR) return RouteStatus::kOk;
  if (code == ERROR_OBJECT_ALREADY_EXISTS) return RouteStatus::kAlreadyThere;
  if (code == ERROR_NOT_FOUND || code == ERROR_FILE_NOT_FOUND) return RouteStatus::kNotFound;
  if (code == ERROR_ACCESS_DENIED) return RouteStatus::kAccessDenied;
  return RouteStatus::kFailed;
}

}  // namespace

std::optional<GatewayChoice> IpHelperRouteTable::VpnGateway() {
  std::optional<GatewayChoice> best;
  for (const AdapterFacts& a : ReadAdapters()) {
    if (!a.vpn || !a.up || !a.address) continue;
    if (best && best->interfaceIndex > a.index) continue;
    // A TAP adapter with a gateway from its DHCP answer routes through it; a PPP link (and a TAP
    // adapter without one) carries the traffic on-link.
    best = GatewayChoice{a.gateway, a.index};
  }
  return best;
}

std::optional<GatewayChoice> IpHelperRouteTable::LocalGateway() {
  std::vector<uint32_t> vpnIndexes;
  for (const AdapterFacts& a : ReadAdapters()) {
    if (a.vpn) vpnIndexes.push_back(a.index);
  }
  const ForwardTable routes = ReadRoutes();
  if (!routes) return std::nullopt;
  std::optional<GatewayChoice> best;
  ULONG bestMetric = 0;
  for (ULONG i = 0; i < routes->NumEntries; ++i) {
    const MIB_IPFORWARD_ROW2& r = routes->Table[i];
    if (r.DestinationPrefix.PrefixLength != 0 || ToHost(r.NextHop) == 0) continue;
    bool viaVpn = false;
    for (const uint32_t index : vpnIndexes) viaVpn = viaVpn || index == r.InterfaceIndex;
    if (viaVpn) continue;
    if (!best || r.Metric < bestMetric) {
      best = GatewayChoice{ToHost(r.NextHop), r.InterfaceIndex};
      bestMetric = r.Metric;
    }
  }
  return best;
}

RouteStatus IpHelperRouteTable::Add(const RouteRow& row, uint32_t& error) {
  MIB_IPFORWARD_ROW2 entry;
  InitializeIpForwardEntry(&entry);
  if (row.interfaceIndex) {
    entry.InterfaceIndex = *row.interfaceIndex;
  } else {
    DWORD index = 0;
    const DWORD found = GetBestInterface(htonl(row.nextHop), &index);
    if (found != NO_ERROR) return Classify(found, error);
    entry.InterfaceIndex = index;
  }
  SetIpv4(entry.DestinationPrefix.Prefix, row.destination);
  entry.DestinationPrefix.PrefixLength = static_cast<UINT8>(PrefixLength(row.mask));
  SetIpv4(entry.NextHop, row.nextHop);
  entry.Metric = row.metric.value_or(0);
  entry.Protocol = static_cast<NL_ROUTE_PROTOCOL>(MIB_IPPROTO_NETMGMT);
  return Classify(CreateIpForwardEntry2(&entry), error);
}

RouteStatus IpHelperRouteTable::Delete(const RouteRow& row, uint32_t& error) {
  const ForwardTable routes = ReadRoutes();
  if (!routes) return Classify(ERROR_GEN_FAILURE, error);
  RouteStatus status = RouteStatus::kNotFound;
  for (ULONG i = 0; i < routes->NumEntries; ++i) {
    MIB_IPFORWARD_ROW2& r = routes->Table[i];
    if (ToHost(r.DestinationPrefix.Prefix) != row.destination ||
        r.DestinationPrefix.PrefixLength != PrefixLength(row.mask) || ToHost(r.NextHop) != row.nextHop) {
      continue;
    }
    if (row.interfaceIndex && r.InterfaceIndex != *row.interfaceIndex) continue;
    const RouteStatus one = Classify(DeleteIpForwardEntry2(&r), error);
    if (one != RouteStatus::kOk && one != RouteStatus::kNotFound) return one;
    status = RouteStatus::kOk;
  }
  if (status == RouteStatus::kNotFound) error = ERROR_NOT_FOUND;
  return status;
}

}  // namespace nimbrook::cmroute
