// An in-memory route table for the applier's tests: routes as a list, the VPN and local gateways as
// set by the test, and refusals to order.
#pragma once

#include <algorithm>
#include <set>
#include <vector>

#include "cmroute/route_table.h"

namespace nimbrook::cmroute {

class FakeRouteTable : public RouteTable {
 public:
  struct Row {
    uint32_t destination, mask, nextHop, interfaceIndex;
    std::optional<uint32_t> metric;
    bool operator==(const Row& o) const {
      return destination == o.destination && mask == o.mask && nextHop == o.nextHop && interfaceIndex == o.interfaceIndex;
    }
  };

  std::optional<GatewayChoice> vpn;
  std::optional<GatewayChoice> local;
  int vpnLookups = 0;
  bool denyAll = false;
  std::set<uint32_t> failingDestinations;  // Add and Delete fail with error 87 for these
  std::vector<Row> rows;

  std::optional<GatewayChoice> VpnGateway() override {
    ++vpnLookups;
    return vpn;
  }
  std::optional<GatewayChoice> LocalGateway() override { return local; }

  RouteStatus Add(const RouteRow& row, uint32_t& error) override {
    if (denyAll) return error = 5, RouteStatus::kAccessDenied;
    if (failingDestinations.count(row.destination)) return error = 87, RouteStatus::kFailed;
    const Row r{row.destination, row.mask, row.nextHop, row.interfaceIndex.value_or(99), row.metric};
    if (std::find(rows.begin(), rows.end(), r) != rows.end()) return RouteStatus::kAlreadyThere;
    rows.push_back(r);
    return RouteStatus::kOk;
  }

  RouteStatus Delete(const RouteRow& row, uint32_t& error) override {
    if (denyAll) return error = 5, RouteStatus::kAccessDenied;
    if (failingDestinations.count(row.destination)) return error = 87, RouteStatus::kFailed;
    const size_t before = rows.size();
    rows.erase(std::remove_if(rows.begin(), rows.end(),
                              [&](const Row& r) {
                                return r.destination == row.destination && r.mask == row.mask &&
                                       (row.anyNextHop || r.nextHop == row.nextHop) &&
                                       (!row.interfaceIndex || r.interfaceIndex == *row.interfaceIndex);
                              }),
               rows.end());
    return rows.size() < before ? RouteStatus::kOk : RouteStatus::kNotFound;
  }
};

}  // namespace nimbrook::cmroute
