// The admin fault switch.
#include "admin_routes.h"

#include "resource.h"
#include "text_fields.h"

namespace nimbrook::service {

void HandleAdmin(const RouteRequest& request, ServiceContext& context, httplib::Response& res) {
  const std::string& path = request.path;
  if (path == "/admin/faults" && request.method != "POST") {
    std::string text;
    for (const auto& armed : context.faults.List()) {
      text += armed.fault.Describe() + " match=" + armed.match +
              " remaining=" + (armed.remaining < 0 ? std::string("always") : std::to_string(armed.remaining)) + "\n";
    }
    res.status = 200;
    res.set_content(text, kTextType);
    return;
  }
  if (request.method != "POST") {
    res.status = path == "/admin/fault" || path == "/admin/reset" ? 405 : 404;
    res.set_content(res.status == 405 ? "admin switches take POST\n" : "no such admin switch\n", kTextType);
    return;
  }
  if (path == "/admin/reset") {
    context.faults.Reset();
    res.status = 200;
    res.set_content("ok\n", kTextType);
    RequestNote() = "faults reset";
    return;
  }
  if (path == "/admin/fault") {
    ArmedFault armed;
    std::string error;
    if (!ParseArmRequest(ParseFormBody(request.body), armed, error)) {
      res.status = 400;
      res.set_content(error + "\n", kTextType);
      return;
    }
    RequestNote() = "armed " + armed.fault.Describe() + " match=" + armed.match;
    context.faults.Arm(std::move(armed));
    res.status = 200;
    res.set_content("ok\n", kTextType);
    return;
  }
  res.status = 404;
  res.set_content("no such admin switch\n", kTextType);
}

}  // namespace nimbrook::service
