// Static route files as our cmroute.dll reads them ("addroute.tem", "delroute.tem", "china.tem" in
// the route directory). One route per line, in the syntax of the system's route command:
//   ADD dest MASK mask gateway [METRIC m] [IF i]
//   DELETE dest MASK mask [gateway] [METRIC m] [IF i]
// A DELETE without gateway removes every route to dest/mask; its METRIC and IF are checked and then
// ignored (a route is found without them). gateway is a dotted quad, "default" (the gateway of the VPN adapter that is up) or "local" (the
// gateway of the computer's own default route, outside the VPN); m and i are decimal numbers or
// "default" (the system chooses). Keywords are case-insensitive. Blank lines and comment lines
// (first word starting with ";" or "#", or the word "REM") are skipped. The parser is strict: the
// first malformed line makes the whole file an error, so a damaged file never half-applies.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace nimbrook::cmroute {

enum class RouteAction { kAdd, kDelete };

enum class GatewayKind {
  kAddress,  // the dotted quad in `gateway`
  kVpn,      // "default": the VPN adapter's gateway
  kLocal,    // "local": the gateway of the default route outside the VPN
  kAny,      // DELETE without a gateway: whatever the route's gateway is
};

struct RouteEntry {
  RouteAction action = RouteAction::kAdd;
  uint32_t destination = 0;  // host byte order
  uint32_t mask = 0;
  GatewayKind gatewayKind = GatewayKind::kAddress;
  uint32_t gateway = 0;                   // for kAddress
  std::optional<uint32_t> metric;         // none: "default" or not given
  std::optional<uint32_t> interfaceIndex; // none: "default" or not given
  int line = 0;                           // 1-based line in the file
};

struct RouteFileResult {
  bool ok = false;
  std::vector<RouteEntry> routes;  // empty when !ok
  int errorLine = 0;               // 1-based; 0 for errors of the file as a whole
  std::string error;               // English description, without the line number
};

// Files larger than this are refused: a route file is a few thousand lines at most.
inline constexpr size_t kMaxRouteFileSize = 4 * 1024 * 1024;
inline constexpr uint32_t kMaxRouteMetric = 9999;

// Parses a whole file (UTF-8 or ASCII; a UTF-8 byte-order mark and CR LF line ends are accepted).
RouteFileResult ParseRouteFile(std::string_view text);

// "a.b.c.d" with four decimal parts 0-255, no signs, blanks or leading zeros ("010" is refused:
// some readers take it as octal).
std::optional<uint32_t> ParseDottedQuad(std::string_view text);
std::string DottedQuad(uint32_t address);
// True for masks whose one bits are all at the top (255.255.240.0, 0.0.0.0, 255.255.255.255).
bool IsContiguousMask(uint32_t mask);
int PrefixLength(uint32_t mask);

// "ADD", "DELETE"; "default", "local", the dotted quad, or "" for a DELETE without gateway.
std::string ActionName(RouteAction action);
std::string GatewayText(const RouteEntry& entry);

}  // namespace nimbrook::cmroute
