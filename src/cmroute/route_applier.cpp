#include "cmroute/route_applier.h"

namespace nimbrook::cmroute {

ApplyOutcome ApplyRoutes(const std::vector<RouteEntry>& routes, RouteTable& table, bool accessDeniedOk) {
  ApplyOutcome outcome;
  // The gateways are looked up once per file: they do not change while a file is applied.
  std::optional<std::optional<GatewayChoice>> vpn;
  std::optional<std::optional<GatewayChoice>> local;

  for (const RouteEntry& entry : routes) {
    RouteRow row;
    row.destination = entry.destination;
    row.mask = entry.mask;
    row.interfaceIndex = entry.interfaceIndex;
    row.metric = entry.metric;
    const bool isAdd = entry.action == RouteAction::kAdd;

    if (entry.gatewayKind == GatewayKind::kAddress) {
      row.nextHop = entry.gateway;
    } else if (entry.gatewayKind == GatewayKind::kAny) {
      row.anyNextHop = true;
    } else {
      auto& cached = entry.gatewayKind == GatewayKind::kVpn ? vpn : local;
      if (!cached) cached = entry.gatewayKind == GatewayKind::kVpn ? table.VpnGateway() : table.LocalGateway();
      if (!*cached) {
        if (!isAdd && entry.gatewayKind == GatewayKind::kVpn) {
          ++outcome.skipped;
          continue;
        }
        outcome.failures.push_back({entry.line, entry.gatewayKind == GatewayKind::kVpn
                                                    ? "no VPN adapter is up for gateway 'default'"
                                                    : "no default route outside the VPN for gateway 'local'"});
        continue;
      }
      row.nextHop = (*cached)->nextHop;
      if (!row.interfaceIndex) row.interfaceIndex = (*cached)->interfaceIndex;
    }

    uint32_t error = 0;
    const RouteStatus status = isAdd ? table.Add(row, error) : table.Delete(row, error);
    switch (status) {
      case RouteStatus::kOk:
      case RouteStatus::kAlreadyThere:
      case RouteStatus::kNotFound:
        ++outcome.applied;
        break;
      case RouteStatus::kAccessDenied:
        if (accessDeniedOk) {
          ++outcome.deniedIgnored;
        } else {
          outcome.failures.push_back({entry.line, "access denied"});
        }
        break;
      case RouteStatus::kFailed:
        outcome.failures.push_back(
            {entry.line, std::string(isAdd ? "adding" : "deleting") + " failed with error " + std::to_string(error)});
        break;
    }
  }
  return outcome;
}

}  // namespace nimbrook::cmroute
