#include "cmroute/route_file.h"

#include "core/text.h"

namespace nimbrook::cmroute {
namespace {

std::vector<std::string_view> Words(std::string_view line) {
  std::vector<std::string_view> words;
  size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
    const size_t start = i;
    while (i < line.size() && line[i] != ' ' && line[i] != '\t') ++i;
    if (i > start) words.push_back(line.substr(start, i - start));
  }
  return words;
}

bool Is(std::string_view word, std::string_view keyword) { return text::EqualsIgnoreCase(word, keyword); }

std::optional<uint32_t> ParseNumber(std::string_view text, uint32_t max) {
  if (text.empty() || text.size() > 10) return std::nullopt;
  uint64_t value = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + static_cast<uint64_t>(c - '0');
  }
  if (value > max) return std::nullopt;
  return static_cast<uint32_t>(value);
}

// Reads "METRIC m" and "IF i" (in that order, each optional) from word i on.
std::string ParseMetricAndInterface(const std::vector<std::string_view>& w, size_t i, RouteEntry& entry) {
  if (i < w.size() && Is(w[i], "METRIC")) {
    if (i + 1 >= w.size()) return "METRIC without a value";
    if (!Is(w[i + 1], "default")) {
      entry.metric = ParseNumber(w[i + 1], kMaxRouteMetric);
      if (!entry.metric || *entry.metric == 0) {
        return "metric '" + std::string(w[i + 1]) + "' is not a number from 1 to " + std::to_string(kMaxRouteMetric);
      }
    }
    i += 2;
  }
  if (i < w.size() && Is(w[i], "IF")) {
    if (i + 1 >= w.size()) return "IF without a value";
    if (!Is(w[i + 1], "default")) {
      entry.interfaceIndex = ParseNumber(w[i + 1], 0xFFFFFFFFu);
      if (!entry.interfaceIndex || *entry.interfaceIndex == 0) {
        return "interface '" + std::string(w[i + 1]) + "' is not an interface number";
      }
    }
    i += 2;
  }
  if (i < w.size()) return "unexpected '" + std::string(w[i]) + "' (expected METRIC m, then IF i)";
  return "";
}

// Reads one route line into entry; an error text when it is malformed. The lines follow the system
// route command: DELETE takes the same optional METRIC and IF fields as ADD, and may leave out the
// gateway (every route to the destination goes).
std::string ParseLine(const std::vector<std::string_view>& w, RouteEntry& entry) {
  if (Is(w[0], "ADD")) {
    entry.action = RouteAction::kAdd;
  } else if (Is(w[0], "DELETE")) {
    entry.action = RouteAction::kDelete;
  } else {
    return "unknown command '" + std::string(w[0]) + "' (expected ADD or DELETE)";
  }
  const bool isDelete = entry.action == RouteAction::kDelete;
  if (w.size() < (isDelete ? 4u : 5u)) {
    return "too few words (expected: " + ActionName(entry.action) + " dest MASK mask gateway)";
  }

  const auto destination = ParseDottedQuad(w[1]);
  if (!destination) return "destination '" + std::string(w[1]) + "' is not a dotted-quad address";
  if (!Is(w[2], "MASK")) return "expected MASK after the destination, found '" + std::string(w[2]) + "'";
  const auto mask = ParseDottedQuad(w[3]);
  if (!mask) return "mask '" + std::string(w[3]) + "' is not a dotted-quad address";
  if (!IsContiguousMask(*mask)) return "mask " + std::string(w[3]) + " is not contiguous";
  if ((*destination & ~*mask) != 0) {
    return "destination " + std::string(w[1]) + " has bits outside the mask " + std::string(w[3]);
  }
  entry.destination = *destination;
  entry.mask = *mask;

  size_t i = 5;
  if (w.size() <= 4 || (isDelete && (Is(w[4], "METRIC") || Is(w[4], "IF")))) {
    entry.gatewayKind = GatewayKind::kAny;
    i = 4;
  } else if (Is(w[4], "default")) {
    entry.gatewayKind = GatewayKind::kVpn;
  } else if (Is(w[4], "local")) {
    entry.gatewayKind = GatewayKind::kLocal;
  } else if (const auto gateway = ParseDottedQuad(w[4])) {
    entry.gatewayKind = GatewayKind::kAddress;
    entry.gateway = *gateway;
  } else {
    return "gateway '" + std::string(w[4]) + "' is neither a dotted-quad address, 'default' nor 'local'";
  }

  const std::string error = ParseMetricAndInterface(w, i, entry);
  if (!error.empty()) return error;
  if (isDelete) {
    // A route is found by destination, mask and gateway; its metric and interface are not needed.
    entry.metric.reset();
    entry.interfaceIndex.reset();
  }
  return "";
}

RouteFileResult Failure(int line, std::string error) {
  RouteFileResult result;
  result.errorLine = line;
  result.error = std::move(error);
  return result;
}

}  // namespace

RouteFileResult ParseRouteFile(std::string_view text) {
  if (text.size() > kMaxRouteFileSize) return Failure(0, "the file is larger than 4 MB");
  if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);

  RouteFileResult result;
  int lineNumber = 0;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find('\n', pos);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(pos, end - pos);
    pos = end + 1;
    ++lineNumber;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    for (const char c : line) {
      const auto u = static_cast<unsigned char>(c);
      if ((u < 0x20 && c != '\t') || u == 0x7F) return Failure(lineNumber, "control character in the line");
    }
    const auto words = Words(line);
    if (words.empty()) continue;
    if (words[0][0] == ';' || words[0][0] == '#' || Is(words[0], "REM")) continue;

    RouteEntry entry;
    entry.line = lineNumber;
    const std::string error = ParseLine(words, entry);
    if (!error.empty()) return Failure(lineNumber, error);
    result.routes.push_back(entry);
  }
  result.ok = true;
  return result;
}

std::optional<uint32_t> ParseDottedQuad(std::string_view text) {
  uint32_t address = 0;
  int parts = 0;
  size_t pos = 0;
  while (parts < 4) {
    const size_t dot = text.find('.', pos);
    const std::string_view part = text.substr(pos, dot == std::string_view::npos ? std::string_view::npos : dot - pos);
    if (part.empty() || part.size() > 3 || (part.size() > 1 && part[0] == '0')) return std::nullopt;
    const auto value = ParseNumber(part, 255);
    if (!value) return std::nullopt;
    address = (address << 8) | *value;
    ++parts;
    if (dot == std::string_view::npos) break;
    pos = dot + 1;
    if (parts == 4) return std::nullopt;  // a fifth part
  }
  if (parts != 4) return std::nullopt;
  return address;
}

std::string DottedQuad(uint32_t a) {
  return std::to_string(a >> 24) + "." + std::to_string((a >> 16) & 0xFF) + "." + std::to_string((a >> 8) & 0xFF) +
         "." + std::to_string(a & 0xFF);
}

bool IsContiguousMask(uint32_t mask) {
  const uint32_t inverted = ~mask;
  return (inverted & (inverted + 1)) == 0;
}

int PrefixLength(uint32_t mask) {
  int bits = 0;
  while (mask & 0x80000000u) {
    ++bits;
    mask <<= 1;
  }
  return bits;
}

std::string ActionName(RouteAction action) { return action == RouteAction::kAdd ? "ADD" : "DELETE"; }

std::string GatewayText(const RouteEntry& entry) {
  switch (entry.gatewayKind) {
    case GatewayKind::kAny:
      return "";
    case GatewayKind::kVpn:
      return "default";
    case GatewayKind::kLocal:
      return "local";
    case GatewayKind::kAddress:
      break;
  }
  return DottedQuad(entry.gateway);
}

}  // namespace nimbrook::cmroute
