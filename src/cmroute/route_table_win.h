// The Windows route table behind cmroute.dll: IP Helper (GetIpForwardTable, CreateIpForwardEntry,
// DeleteIpForwardEntry) and the adapter list (GetAdaptersAddresses). Windows builds only.
#pragma once

#include "cmroute/route_table.h"

namespace nimbrook::cmroute {

class IpHelperRouteTable : public RouteTable {
 public:
  std::optional<GatewayChoice> VpnGateway() override;
  std::optional<GatewayChoice> LocalGateway() override;
  RouteStatus Add(const RouteRow& row, uint32_t& error) override;
  RouteStatus Delete(const RouteRow& row, uint32_t& error) override;
};

}  // namespace nimbrook::cmroute
