// Delivers a resolved resource as the HTTP answer, in the way a fault asks for: whole with its
// Content-Length, chunked without one, cut off after about half, replaced by 404/empty/another
// status, or held without any answer.
#pragma once

#include <httplib.h>

#include <atomic>

#include "fault_plan.h"
#include "resource.h"
#include "stop_signal.h"

namespace nimbrook::service {

struct DeliveryContext {
  const StopSignal& stop;
  int stallSeconds = 120;
  // Requests waiting in a stall or delay right now, and how many may wait at once: each holds a
  // request thread, and some threads must stay free for everything else.
  std::atomic<int>& held;
  int maxHeld = 40;
};

// Header that names the fault applied to an answer (also read by the request log).
constexpr const char* kFaultHeader = "X-Nimbrook-Fault";

// Fills res from resource under fault. May wait on the request's thread (delay, stall); a stop of
// the service ends every wait and transfer at once.
void Deliver(const httplib::Request& req, httplib::Response& res, const Resource& resource, const Fault& fault,
             const DeliveryContext& context);

}  // namespace nimbrook::service
