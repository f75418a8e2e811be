// Protocol, route-mode and notification numbering.
#include "tunnel/protocol.h"

#include <iterator>

namespace nimbrook {

namespace {

constexpr const char* kProtocolNames[kProtocolCount] = {
    "PPTP", "L2TP", "OVPN-UDP", "OVPN-TCP", "OVPN-UDP+", "OVPN-TCP+", "IPSEC", "SSTP", "AUTO",
};

bool InRange(int32_t protocol) { return protocol >= 0 && protocol < kProtocolCount; }

std::wstring Widen(const char* ascii) { return std::wstring(ascii, ascii + std::char_traits<char>::length(ascii)); }

}  // namespace

std::wstring ProtocolName(int32_t protocol) {
  return InRange(protocol) ? Widen(kProtocolNames[protocol]) : std::wstring();
}

std::string ProtocolNameA(int32_t protocol) {
  return InRange(protocol) ? std::string(kProtocolNames[protocol]) : std::string();
}

std::optional<int32_t> ProtocolFromNameA(const std::string& name) {
  for (int32_t p = 0; p < kProtocolCount; ++p) {
    if (name == kProtocolNames[p]) return p;
  }
  return std::nullopt;
}

std::optional<int32_t> ProtocolFromName(const std::wstring& name) {
  for (int32_t p = 0; p < kProtocolCount; ++p) {
    if (name == Widen(kProtocolNames[p])) return p;
  }
  return std::nullopt;
}

bool IsConcreteProtocol(int32_t protocol) { return protocol >= kProtocolPptp && protocol <= kProtocolSstp; }

bool IsOpenVpnProtocol(int32_t protocol) {
  return protocol >= kProtocolOvpnUdp && protocol <= kProtocolOvpnTcpPlus;
}

std::wstring DialUpEntryName(int32_t protocol) {
  switch (protocol) {
    case kProtocolPptp: return L"nimbrookjsq-pptp";
    case kProtocolL2tp: return L"nimbrookjsq-l2tp";
    case kProtocolIpsec: return L"nimbrookjsq-ikev2";
    case kProtocolSstp: return L"nimbrookjsq-sstp";
    default: return std::wstring();
  }
}

std::optional<int32_t> RouteModeFor(const std::wstring& routeItem, const std::wstring& areaText) {
  if (routeItem == kRouteItemIpScope) {
    return areaText.find(L"中国") != std::wstring::npos ? kRouteScopeChina : kRouteScopeAbroad;
  }
  if (routeItem == kRouteItemGlobal) return kRouteGlobal;
  if (routeItem == kRouteItemDomain) return kRouteDomain;
  return std::nullopt;
}

std::wstring RouteItemName(int32_t routeMode) {
  switch (routeMode) {
    case kRouteScopeAbroad:
    case kRouteScopeChina: return kRouteItemIpScope;
    case kRouteGlobal: return kRouteItemGlobal;
    case kRouteDomain: return kRouteItemDomain;
    default: return std::wstring();
  }
}

bool IsValidRouteMode(int32_t routeMode) { return routeMode >= kRouteScopeAbroad && routeMode <= kRouteUnset; }

std::optional<int32_t> StateForCode(int32_t code) {
  switch (code) {
    case kCodeDisconnected: return kStateIdle;
    case kCodeProgress: return kStateConnecting;
    case kCodeFailed: return kStateFailed;
    case kCodeConnected: return kStateConnected;
    case kCodeDisconnecting: return kStateDisconnecting;
    case kCodeDropped: return kStateIdle;
    default: return std::nullopt;
  }
}

bool IsEngineNotification(int32_t state, int32_t code) {
  const std::optional<int32_t> expected = StateForCode(code);
  return expected && *expected == state;
}

std::optional<EngineKind> EngineKindForProtocol(int32_t protocol) {
  switch (protocol) {
    case kProtocolPptp:
    case kProtocolL2tp: return EngineKind::DialUp;
    case kProtocolOvpnUdp:
    case kProtocolOvpnTcp:
    case kProtocolOvpnUdpPlus:
    case kProtocolOvpnTcpPlus: return EngineKind::OpenVpn;
    case kProtocolIpsec: return EngineKind::Ipsec;
    case kProtocolSstp: return EngineKind::Sstp;
    default: return std::nullopt;
  }
}

const char* EngineClassName(EngineKind kind) {
  switch (kind) {
    case EngineKind::DialUp: return "BaseVpner";
    case EngineKind::OpenVpn: return "OpenVpner";
    case EngineKind::Ipsec: return "IpsecVpner";
    case EngineKind::Sstp: return "SstpVpner";
  }
  return "";
}

std::wstring ConnectionChoiceLine(const std::wstring& serverName, int32_t protocol, int32_t routeMode) {
  return serverName + L" | VPN_TYPE " + std::to_wstring(protocol) + L" | ROUTE_TYPE " +
         std::to_wstring(routeMode);
}

}  // namespace nimbrook
