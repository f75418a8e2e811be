// Applies a parsed route file to the route table: resolves "default" and "local", adds and deletes,
// and collects one result per line. Adding a route that is there, or deleting one that is gone,
// counts as done, so a file can be applied twice.
#pragma once

#include <string>
#include <vector>

#include "cmroute/route_file.h"
#include "cmroute/route_table.h"

namespace nimbrook::cmroute {

struct LineFailure {
  int line = 0;
  std::string reason;  // English
};

struct ApplyOutcome {
  int applied = 0;       // added, deleted, or found already as wanted
  int skipped = 0;       // deletes through a VPN adapter that is no longer up: its routes went with it
  int deniedIgnored = 0; // refused with "access denied" while that was allowed
  std::vector<LineFailure> failures;
  bool Succeeded() const { return failures.empty(); }
};

// Applies every entry in file order; a failing line does not stop the following ones.
ApplyOutcome ApplyRoutes(const std::vector<RouteEntry>& routes, RouteTable& table, bool accessDeniedOk);

}  // namespace nimbrook::cmroute
