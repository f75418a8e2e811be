// Starting the route tool on one of the route files.
#include "routes/route_table.h"

#include <string>

#include "core/log.h"
#include "routes/launcher.h"

namespace nimbrook {
namespace {

LaunchResult LaunchRouteTool(const wchar_t* commandLine) {
  LaunchRequest request;
  request.fileName = kRouteLibrary;
  request.commandLine = commandLine;
  request.subDir = kRouteSubDir;
  return LaunchInDirectory(request);
}

}  // namespace

void AddRoute(bool china) {
  // The handle is dropped at once: routes may still be changing while the caller dials or reports.
  const LaunchResult launched = LaunchRouteTool(china ? kChinaRouteCommand : kAddRouteCommand);
  if (!launched.started()) WriteLog(L"Add route table error _code" + std::to_wstring(launched.error));
}

bool DeleteRoute() {
  const LaunchResult launched = LaunchRouteTool(kDeleteRouteCommand);
  if (launched.started()) return true;
  WriteLog(L"delete route table error _code" + std::to_wstring(launched.error));
  return false;
}

}  // namespace nimbrook
