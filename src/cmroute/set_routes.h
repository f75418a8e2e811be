// One SetRoutes run of cmroute.dll, independent of rundll32: read the command line, read and check
// the whole route file, then apply it. Nothing is shown on the screen; every failure becomes a log
// line and the returned status.
#pragma once

#include <functional>
#include <string>

#include "cmroute/route_table.h"

namespace nimbrook::cmroute {

enum class SetRoutesStatus : int {
  kOk = 0,
  kBadCommandLine = 1,
  kUrlRequired = 2,     // no "/DONT_REQUIRE_URL": route lists from a URL are not supported
  kFileUnreadable = 3,
  kFileMalformed = 4,   // nothing was applied
  kRoutesFailed = 5,    // some lines could not be applied; the others were
};

using LogLine = std::function<void(const std::wstring& line)>;

SetRoutesStatus RunSetRoutes(const std::wstring& commandLine, RouteTable& table, const LogLine& log);

}  // namespace nimbrook::cmroute
