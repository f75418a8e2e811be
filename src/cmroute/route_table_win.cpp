// The system's IPv4 route table through the IP Helper API. The first-generation calls
// (GetIpForwardTable, CreateIpForwardEntry, DeleteIpForwardEntry) serve every Windows version the
// client runs on, from XP; the adapter list (GetAdaptersAddresses) tells the VPN adapter from the
// others and gives the interface metric that Vista and later add to a route's own metric.
#include "cmroute/route_table_win.h"

#include <winsock2.h>
#include <ws2ipdef.h>
#include <iphlpapi.h>

#include <cstddef>
#include <vector>

#include "cmroute/route_file.h"

namespace nimbrook::cmroute {
namespace {

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
  uint32_t metric = 0;   // IPv4 interface metric (0 where the system does not report one)
};

uint32_t FirstIpv4(const SOCKET_ADDRESS& address) {
  if (!address.lpSockaddr || address.lpSockaddr->sa_family != AF_INET) return 0;
  return ntohl(reinterpret_cast<const sockaddr_in*>(address.lpSockaddr)->sin_addr.s_addr);
}

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
    for (auto* u = a->FirstUnicastAddress; u && !f.address; u = u->Next) f.address = FirstIpv4(u->Address);
    // Gateways and metrics exist only in the longer record of Vista and later.
    if (a->Length >= offsetof(IP_ADAPTER_ADDRESSES, Ipv4Metric) + sizeof(a->Ipv4Metric)) {
      for (auto* g = a->FirstGatewayAddress; g && !f.gateway; g = g->Next) f.gateway = FirstIpv4(g->Address);
      f.metric = a->Ipv4Metric;
    }
    facts.push_back(f);
  }
  return facts;
}

std::vector<MIB_IPFORWARDROW> ReadRoutes(bool& ok) {
  std::vector<MIB_IPFORWARDROW> rows;
  std::vector<unsigned char> buffer;
  ULONG size = 0;
  DWORD result = ERROR_INSUFFICIENT_BUFFER;
  for (int attempt = 0; attempt < 4 && result == ERROR_INSUFFICIENT_BUFFER; ++attempt) {
    buffer.resize(size ? size : sizeof(MIB_IPFORWARDTABLE));
    size = static_cast<ULONG>(buffer.size());
    result = GetIpForwardTable(reinterpret_cast<MIB_IPFORWARDTABLE*>(buffer.data()), &size, FALSE);
  }
  ok = result == NO_ERROR;
  if (!ok) return rows;
  const auto* table = reinterpret_cast<const MIB_IPFORWARDTABLE*>(buffer.data());
  rows.assign(table->table, table->table + table->dwNumEntries);
  return rows;
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
    // adapter without one) carries the traffic to its own address, which the system treats as on-link.
    best = GatewayChoice{a.gateway ? a.gateway : a.address, a.index};
  }
  return best;
}

std::optional<GatewayChoice> IpHelperRouteTable::LocalGateway() {
  std::vector<uint32_t> vpnIndexes;
  for (const AdapterFacts& a : ReadAdapters()) {
    if (a.vpn) vpnIndexes.push_back(a.index);
  }
  bool ok = false;
  std::optional<GatewayChoice> best;
  DWORD bestMetric = 0;
  for (const MIB_IPFORWARDROW& r : ReadRoutes(ok)) {
    if (r.dwForwardDest != 0 || r.dwForwardMask != 0 || r.dwForwardNextHop == 0) continue;
    bool viaVpn = false;
    for (const uint32_t index : vpnIndexes) viaVpn = viaVpn || index == r.dwForwardIfIndex;
    if (viaVpn) continue;
    if (!best || r.dwForwardMetric1 < bestMetric) {
      best = GatewayChoice{ntohl(r.dwForwardNextHop), r.dwForwardIfIndex};
      bestMetric = r.dwForwardMetric1;
    }
  }
  return best;
}

RouteStatus IpHelperRouteTable::Add(const RouteRow& row, uint32_t& error) {
  MIB_IPFORWARDROW entry;
  ZeroMemory(&entry, sizeof entry);
  entry.dwForwardDest = htonl(row.destination);
  entry.dwForwardMask = htonl(row.mask);
  entry.dwForwardNextHop = htonl(row.nextHop);
  if (row.interfaceIndex) {
    entry.dwForwardIfIndex = *row.interfaceIndex;
  } else {
    DWORD index = 0;
    const DWORD found = GetBestInterface(htonl(row.nextHop), &index);
    if (found != NO_ERROR) return Classify(found, error);
    entry.dwForwardIfIndex = index;
  }
  // A next hop that is the interface's own address (a PPP link) is a direct route; any other goes
  // through a router. Vista and later add the interface metric to the route's own metric.
  entry.dwForwardType = MIB_IPROUTE_TYPE_INDIRECT;
  uint32_t interfaceMetric = 0;
  for (const AdapterFacts& a : ReadAdapters()) {
    if (a.index != entry.dwForwardIfIndex) continue;
    if (a.address == row.nextHop) entry.dwForwardType = MIB_IPROUTE_TYPE_DIRECT;
    interfaceMetric = a.metric;
  }
  entry.dwForwardProto = MIB_IPPROTO_NETMGMT;
  entry.dwForwardMetric1 = interfaceMetric + row.metric.value_or(1);
  entry.dwForwardMetric2 = entry.dwForwardMetric3 = entry.dwForwardMetric4 = entry.dwForwardMetric5 =
      static_cast<DWORD>(-1);
  return Classify(CreateIpForwardEntry(&entry), error);
}

RouteStatus IpHelperRouteTable::Delete(const RouteRow& row, uint32_t& error) {
  bool ok = false;
  std::vector<MIB_IPFORWARDROW> routes = ReadRoutes(ok);
  if (!ok) return Classify(ERROR_GEN_FAILURE, error);
  RouteStatus status = RouteStatus::kNotFound;
  for (MIB_IPFORWARDROW& r : routes) {
    if (r.dwForwardDest != htonl(row.destination) || r.dwForwardMask != htonl(row.mask) ||
        (!row.anyNextHop && r.dwForwardNextHop != htonl(row.nextHop))) {
      continue;
    }
    if (row.interfaceIndex && r.dwForwardIfIndex != *row.interfaceIndex) continue;
    const RouteStatus one = Classify(DeleteIpForwardEntry(&r), error);
    if (one != RouteStatus::kOk && one != RouteStatus::kNotFound) return one;
    status = RouteStatus::kOk;
  }
  if (status == RouteStatus::kNotFound) error = ERROR_NOT_FOUND;
  return status;
}

}  // namespace nimbrook::cmroute
