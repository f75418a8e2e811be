// "nimbrook-cli routes parse FILE": the routes our cmroute.dll would apply from a route file, as a
// JSON array; a malformed file is reported with its line number and a non-zero exit status.
#include <string>

#include <nlohmann/json.hpp>

#include "cmroute/route_file.h"
#include "command_registry.h"
#include "core/file_io.h"
#include "core/text.h"

namespace nimbrook::cli {
namespace {

nlohmann::json RouteJson(const cmroute::RouteEntry& e) {
  using cmroute::DottedQuad;
  nlohmann::json route = {{"action", cmroute::ActionName(e.action)},
                          {"destination", DottedQuad(e.destination)},
                          {"mask", DottedQuad(e.mask)},
                          {"gateway", cmroute::GatewayText(e)},
                          {"line", e.line}};
  if (e.action == cmroute::RouteAction::kDelete) {
    route["metric"] = nullptr;
    route["interface"] = nullptr;
  } else {
    route["metric"] = e.metric ? nlohmann::json(*e.metric) : nlohmann::json("default");
    route["interface"] = e.interfaceIndex ? nlohmann::json(*e.interfaceIndex) : nlohmann::json("default");
  }
  return route;
}

int RunRoutes(const Arguments& args) {
  if (args.size() != 2 || args[0] != "parse") {
    PrintError("usage: nimbrook-cli routes parse FILE");
    return 2;
  }
  std::string bytes;
  if (!ReadFileBytes(text::FromAnsi(args[1]), bytes)) {
    PrintError("cannot read " + args[1]);
    return 1;
  }
  const cmroute::RouteFileResult file = cmroute::ParseRouteFile(bytes);
  if (!file.ok) {
    if (file.errorLine > 0) {
      PrintError(args[1] + ": line " + std::to_string(file.errorLine) + ": " + file.error);
    } else {
      PrintError(args[1] + ": " + file.error);
    }
    return 1;
  }
  nlohmann::json routes = nlohmann::json::array();
  for (const auto& e : file.routes) routes.push_back(RouteJson(e));
  PrintLine(routes.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace));
  return 0;
}

const CommandRegistration kRoutes("routes",
                                  "routes parse FILE    print the routes of a route file (cmroute.dll's format) "
                                  "as JSON",
                                  RunRoutes);

}  // namespace
}  // namespace nimbrook::cli
