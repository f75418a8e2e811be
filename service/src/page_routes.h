// The account site's pages, shown by the client in embedded browsers and the system browser:
//   GET /                      the site's home page (data/pages/site.html)
//   GET /page/<name>           data/pages/<name>.html (my, pay, credit, nav, help, new, qq, reg, getpwd)
//   GET /page/notice?name=<n>  a notice page data/pages/<n>.html; the client builds the address as
//                              notifyURL + "_" + page + "&p=" + its parameters
// Pages are UTF-8 templates; {{base}}, {{username}}, {{srvtype}}, {{expiration}}, {{srvid}} are
// filled from the "p" parameter (the client's credential token, or the notices' plain parameters)
// when it names an account with its right password.
#pragma once

#include "resource.h"
#include "service_context.h"

namespace nimbrook::service {

[[nodiscard]] bool ResolvePageRoute(const RouteRequest& request, const ServiceContext& context, Resource& resource);

}  // namespace nimbrook::service
