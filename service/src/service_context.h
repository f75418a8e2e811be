// What every route sees: the settings, the service's own address, the fault switch, the stop flag,
// and the request as the router hands it on (fault prefixes and query already taken off).
#pragma once

#include <atomic>
#include <string>

#include "fault_plan.h"
#include "service_config.h"
#include "stop_signal.h"

namespace nimbrook::service {

struct ServiceContext {
  ServiceConfig config;
  std::string baseUrl;  // "http://127.0.0.1:<port>", the {base} of the data files
  FaultSwitch faults;
  StopSignal stop;
  std::atomic<int> heldRequests{0};  // stalled or delayed right now
};

struct RouteRequest {
  std::string method;  // GET, HEAD or POST
  std::string path;    // decoded path without fault prefix and query
  std::string rawQuery;  // the target's text after "?", undecoded
  std::string body;    // POST body as received

  // The first query value of key, or fallback. The value runs from the first "=" after the key to
  // the next "&" (so it may itself hold "=" and ";", as the client's page parameters do); %XX
  // escapes are decoded and "+" is kept, since the client's tokens use it as a Base64 character.
  std::string Query(const std::string& key, const std::string& fallback = {}) const;
};

// A short note about the request for its log line (login outcome, data errors), kept per thread:
// the log line is written on the thread that handled the request.
std::string& RequestNote();

}  // namespace nimbrook::service
