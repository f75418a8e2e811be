// Fault prefixes and the armed fault switch.
#include "fault_plan.h"

namespace nimbrook::service {
namespace {

// The next path segment after position (without slashes) and the position after its slash.
std::string_view NextSegment(std::string_view path, size_t& position) {
  const size_t end = path.find('/', position);
  std::string_view segment = path.substr(position, end == std::string_view::npos ? std::string_view::npos : end - position);
  position = end == std::string_view::npos ? path.size() : end + 1;
  return segment;
}

bool ModeFromName(std::string_view name, FaultMode& mode) {
  if (name == "404") mode = FaultMode::NotFound;
  else if (name == "empty") mode = FaultMode::Empty;
  else if (name == "chunked") mode = FaultMode::Chunked;
  else if (name == "close") mode = FaultMode::Close;
  else if (name == "stall") mode = FaultMode::Stall;
  else if (name == "status") mode = FaultMode::Status;
  else return false;
  return true;
}

const char* ModeName(FaultMode mode) {
  switch (mode) {
    case FaultMode::NotFound: return "404";
    case FaultMode::Empty: return "empty";
    case FaultMode::Chunked: return "chunked";
    case FaultMode::Close: return "close";
    case FaultMode::Stall: return "stall";
    case FaultMode::Status: return "status";
    case FaultMode::None: break;
  }
  return "none";
}

bool ParseStatus(std::string_view text, int& status) {
  unsigned long long value = 0;
  if (!ParseDecimal(text, value) || value < 100 || value > 599) return false;
  status = static_cast<int>(value);
  return true;
}

bool ParseDelay(std::string_view text, int& delayMs) {
  unsigned long long value = 0;
  if (!ParseDecimal(text, value) || value > static_cast<unsigned long long>(kMaxDelayMs)) return false;
  delayMs = static_cast<int>(value);
  return true;
}

}  // namespace

std::string Fault::Describe() const {
  std::string text;
  if (delayMs > 0) text = "delay=" + std::to_string(delayMs);
  if (mode != FaultMode::None) {
    if (!text.empty()) text += "+";
    text += ModeName(mode);
    if (mode == FaultMode::Status) text += "=" + std::to_string(status);
  }
  return text.empty() ? "none" : text;
}

bool ParseFaultPrefix(std::string_view path, Fault& fault, std::string& inner, std::string& error) {
  fault = Fault{};
  constexpr std::string_view kPrefix = "/fault/";
  while (path.substr(0, kPrefix.size()) == kPrefix) {
    size_t position = kPrefix.size();
    const std::string_view name = NextSegment(path, position);
    if (name == "huge") break;  // a resource of its own
    if (name == "delay") {
      int delay = 0;
      if (!ParseDelay(NextSegment(path, position), delay)) {
        error = "bad delay in " + std::string(path) + " (milliseconds, at most " + std::to_string(kMaxDelayMs) + ")";
        return false;
      }
      fault.delayMs += delay;
      if (fault.delayMs > kMaxDelayMs) fault.delayMs = kMaxDelayMs;
    } else {
      FaultMode mode = FaultMode::None;
      if (!ModeFromName(name, mode)) {
        error = "unknown fault: " + std::string(name);
        return false;
      }
      if (mode == FaultMode::Status && !ParseStatus(NextSegment(path, position), fault.status)) {
        error = "bad status in " + std::string(path) + " (100..599)";
        return false;
      }
      if (fault.mode != FaultMode::None) {
        error = "two faults in one path: " + std::string(path);
        return false;
      }
      fault.mode = mode;
    }
    // Keep the slash in front of what follows.
    path = position >= path.size() ? std::string_view("/") : path.substr(position - 1);
    if (path.empty() || path[0] != '/') path = "/";
  }
  inner = std::string(path);
  return true;
}

bool ParseArmRequest(const Fields& fields, ArmedFault& armed, std::string& error) {
  armed = ArmedFault{};
  const std::string* mode = FindField(fields, "mode");
  if (!mode) {
    error = "mode is missing (404, empty, chunked, close, stall, status, delay)";
    return false;
  }
  if (*mode == "delay") {
    const std::string* ms = FindField(fields, "ms");
    if (!ms || !ParseDelay(*ms, armed.fault.delayMs)) {
      error = "delay needs ms=<milliseconds> (at most " + std::to_string(kMaxDelayMs) + ")";
      return false;
    }
  } else if (!ModeFromName(*mode, armed.fault.mode)) {
    error = "unknown mode: " + *mode;
    return false;
  } else {
    if (const std::string* ms = FindField(fields, "ms")) {
      if (!ParseDelay(*ms, armed.fault.delayMs)) {
        error = "bad ms: " + *ms;
        return false;
      }
    }
    if (armed.fault.mode == FaultMode::Status) {
      const std::string* status = FindField(fields, "status");
      if (!status || !ParseStatus(*status, armed.fault.status)) {
        error = "status needs status=<100..599>";
        return false;
      }
    }
  }
  if (const std::string* match = FindField(fields, "match")) armed.match = *match;
  if (const std::string* count = FindField(fields, "count")) {
    unsigned long long value = 0;
    if (*count == "always") {
      armed.remaining = -1;
    } else if (ParseDecimal(*count, value) && value >= 1 && value <= 1000000) {
      armed.remaining = static_cast<int>(value);
    } else {
      error = "count must be 1..1000000 or always";
      return false;
    }
  }
  return true;
}

void FaultSwitch::Arm(ArmedFault armed) {
  std::lock_guard<std::mutex> lock(mutex_);
  armed_.push_back(std::move(armed));
}

void FaultSwitch::Reset() {
  std::lock_guard<std::mutex> lock(mutex_);
  armed_.clear();
}

Fault FaultSwitch::Take(std::string_view path) {
  std::lock_guard<std::mutex> lock(mutex_);
  for (auto it = armed_.begin(); it != armed_.end(); ++it) {
    if (path.find(it->match) == std::string_view::npos) continue;
    const Fault fault = it->fault;
    if (it->remaining > 0 && --it->remaining == 0) armed_.erase(it);
    return fault;
  }
  return Fault{};
}

std::vector<ArmedFault> FaultSwitch::List() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return armed_;
}

}  // namespace nimbrook::service
