// Faults the service can put on a request: answer 404, answer empty, send chunked without a length,
// close mid-body, stall without answering, answer with another status, or wait first. They are
// chosen by a path prefix ("/fault/close/gen/100") or armed for the next matching requests through
// the admin switch (for addresses the client builds itself).
#pragma once

#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "text_fields.h"

namespace nimbrook::service {

enum class FaultMode { None, NotFound, Empty, Chunked, Close, Stall, Status };

struct Fault {
  FaultMode mode = FaultMode::None;
  int delayMs = 0;  // waited before anything else
  int status = 0;   // for FaultMode::Status

  bool Any() const { return mode != FaultMode::None || delayMs > 0; }
  std::string Describe() const;  // "close", "delay=500", "delay=500+chunked"
};

constexpr int kMaxDelayMs = 120000;

// Strips the fault prefixes from path: "/fault/404/", "/fault/empty/", "/fault/chunked/",
// "/fault/close/", "/fault/stall/", "/fault/status/<code>/", "/fault/delay/<ms>/"; a delay may wrap
// another fault. inner is the wrapped path ("/" when nothing follows). "/fault/huge/<MB>" is a
// resource, not a prefix. False with an error text for a malformed prefix.
[[nodiscard]] bool ParseFaultPrefix(std::string_view path, Fault& fault, std::string& inner, std::string& error);

struct ArmedFault {
  Fault fault;
  std::string match;   // substring of the request path; empty matches every path
  int remaining = 1;   // requests still to fault; -1 until reset
};

// Parses the admin body "mode=close&match=/releases/&count=1" (also "ms=" for delay, "status=" for
// status, "count=always").
[[nodiscard]] bool ParseArmRequest(const Fields& fields, ArmedFault& armed, std::string& error);

// The faults armed for the next requests. Thread-safe.
class FaultSwitch {
 public:
  void Arm(ArmedFault armed);
  void Reset();
  // The first armed fault whose match is in path, using up one of its requests; a fault without
  // mode when none matches.
  Fault Take(std::string_view path);
  std::vector<ArmedFault> List() const;

 private:
  mutable std::mutex mutex_;
  std::vector<ArmedFault> armed_;
};

}  // namespace nimbrook::service
