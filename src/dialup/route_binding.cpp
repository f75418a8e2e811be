// The route steps of the dial-up engines: the route tables' AddRoute and DeleteRoute.
#include "dialup/dial_up_seams.h"
#include "routes/route_table.h"

namespace nimbrook {

void BindRouteSteps(DialUpSeams& seams) {
  seams.addRoute = [](bool china) { AddRoute(china); };
  seams.deleteRoute = [] { return DeleteRoute(); };
}

}  // namespace nimbrook
