// The fault switch for addresses the client builds itself (descriptor, release files, login):
//   POST /admin/fault   body "mode=close&match=/releases/&count=1" arms a fault for the next
//                       requests whose path contains match (modes 404, empty, chunked, close,
//                       stall, status with status=N, delay with ms=N; count=N or always)
//   POST /admin/reset   clears every armed fault
//   GET  /admin/faults  lists the armed faults, one per line
// Admin requests are never faulted themselves.
#pragma once

#include <httplib.h>

#include "service_context.h"

namespace nimbrook::service {

constexpr const char* kAdminPrefix = "/admin/";

// Answers an admin request into res.
void HandleAdmin(const RouteRequest& request, ServiceContext& context, httplib::Response& res);

}  // namespace nimbrook::service
