// The seam between the route applier and the system's IPv4 route table: the IP Helper API on
// Windows (route_table_win.cpp), an in-memory table in the tests.
#pragma once

#include <cstdint>
#include <optional>

namespace nimbrook::cmroute {

// A route as the table takes it. nextHop 0 means on-link through interfaceIndex.
struct RouteRow {
  uint32_t destination = 0;  // host byte order
  uint32_t mask = 0;
  uint32_t nextHop = 0;
  std::optional<uint32_t> interfaceIndex;  // none: the interface that reaches nextHop
  std::optional<uint32_t> metric;          // none: the system's choice
  bool anyNextHop = false;                 // Delete: every route to destination/mask, whatever nextHop
};

// Where "default" and "local" lead.
struct GatewayChoice {
  uint32_t nextHop = 0;  // 0: on-link
  uint32_t interfaceIndex = 0;
};

enum class RouteStatus {
  kOk,
  kAlreadyThere,  // add: the same route exists
  kNotFound,      // delete: no such route
  kAccessDenied,
  kFailed,
};

class RouteTable {
 public:
  virtual ~RouteTable() = default;
  // The VPN adapter's gateway: of the PPP and TAP adapters that are up, the one that appeared last
  // (the highest interface index, as the system numbers interfaces in order of arrival).
  virtual std::optional<GatewayChoice> VpnGateway() = 0;
  // The gateway of the computer's own default route: the default route with the lowest metric that
  // does not lead through a VPN adapter.
  virtual std::optional<GatewayChoice> LocalGateway() = 0;
  // error receives the system's error code of a kFailed or kAccessDenied result.
  virtual RouteStatus Add(const RouteRow& row, uint32_t& error) = 0;
  // Removes every route to destination/mask through nextHop (on interfaceIndex when given; for an
  // on-link row, the routes of that interface).
  virtual RouteStatus Delete(const RouteRow& row, uint32_t& error) = 0;
};

}  // namespace nimbrook::cmroute
