// Numbering shared by the main window and the tunnel engines: protocol numbers and their names, route
// modes, connection states and the notification codes the engines send, and the engine kind that
// serves each protocol.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace nimbrook {

// Protocol numbers. The names are the texts of the protocol picker and of the stored choice
// (`UserChoosedProtocol`).
inline constexpr int32_t kProtocolPptp = 0;
inline constexpr int32_t kProtocolL2tp = 1;
inline constexpr int32_t kProtocolOvpnUdp = 2;
inline constexpr int32_t kProtocolOvpnTcp = 3;
inline constexpr int32_t kProtocolOvpnUdpPlus = 4;
inline constexpr int32_t kProtocolOvpnTcpPlus = 5;
inline constexpr int32_t kProtocolIpsec = 6;
inline constexpr int32_t kProtocolSstp = 7;
inline constexpr int32_t kProtocolAuto = 8;  // initial protocol of every engine; never dialled
inline constexpr int32_t kProtocolCount = 9;

// "PPTP", "L2TP", "OVPN-UDP", "OVPN-TCP", "OVPN-UDP+", "OVPN-TCP+", "IPSEC", "SSTP", "AUTO";
// empty for any other number.
std::wstring ProtocolName(int32_t protocol);
std::string ProtocolNameA(int32_t protocol);
// The number of a protocol name (exact, case-sensitive match); none for anything else, including
// names with surrounding blanks.
std::optional<int32_t> ProtocolFromName(const std::wstring& name);
std::optional<int32_t> ProtocolFromNameA(const std::string& name);
// 0-7: a protocol an engine can dial.
bool IsConcreteProtocol(int32_t protocol);
bool IsOpenVpnProtocol(int32_t protocol);
// Phonebook entry of a dial-up protocol ("nimbrookjsq-pptp", "nimbrookjsq-l2tp", "nimbrookjsq-ikev2",
// "nimbrookjsq-sstp"); empty for the OpenVPN protocols, "AUTO" and unknown numbers.
std::wstring DialUpEntryName(int32_t protocol);

// Route modes: what the engine does with the route files.
inline constexpr int32_t kRouteScopeAbroad = 0;  // route_ipscope, server outside China: addroute/delroute
inline constexpr int32_t kRouteScopeChina = 1;   // route_ipscope, server in China: china.tem once up
inline constexpr int32_t kRouteGlobal = 2;       // route_global: no route action
inline constexpr int32_t kRouteDomain = 3;       // route_domain: no route action
inline constexpr int32_t kRouteUnset = 4;        // initial value of every engine: no route action
inline constexpr wchar_t kRouteItemGlobal[] = L"route_global";
inline constexpr wchar_t kRouteItemIpScope[] = L"route_ipscope";
inline constexpr wchar_t kRouteItemDomain[] = L"route_domain";

// The route mode for a route picker item and the selected server's area text: route_ipscope gives 1
// when the area contains "中国" and 0 otherwise (also for an empty area); route_global 2;
// route_domain 3; any other item none.
std::optional<int32_t> RouteModeFor(const std::wstring& routeItem, const std::wstring& areaText);
// The picker item of a route mode (0 and 1 both "route_ipscope"); empty for 4 and unknown numbers.
std::wstring RouteItemName(int32_t routeMode);
bool IsValidRouteMode(int32_t routeMode);

// Connection states of an engine.
inline constexpr int32_t kStateIdle = 0;  // never connected, or the link has gone down
inline constexpr int32_t kStateConnecting = 1;
inline constexpr int32_t kStateFailed = 2;
inline constexpr int32_t kStateConnected = 3;
inline constexpr int32_t kStateDisconnecting = 4;

// Notification codes of the engines; each travels with the state noted.
inline constexpr int32_t kCodeDisconnected = 1;   // state 0, after a user request; message empty
inline constexpr int32_t kCodeProgress = 2;       // state 1; message: language id of the step
inline constexpr int32_t kCodeFailed = 3;         // state 2; language id or finished text
inline constexpr int32_t kCodeConnected = 4;      // state 3; "str_connect_ok" or the engine's text
inline constexpr int32_t kCodeDisconnecting = 5;  // state 4; "str_disconnecing"
inline constexpr int32_t kCodeDropped = 13;       // state 0, without a user request; message empty
// Codes 6 to 12 are never sent; observers ignore them.

// The state that travels with an engine code; none for codes engines never send.
std::optional<int32_t> StateForCode(int32_t code);
// True for the state/code pairs engines send.
bool IsEngineNotification(int32_t state, int32_t code);

// The engine kinds of the engine cache.
enum class EngineKind : int32_t {
  DialUp = 0,   // BaseVpner: PPTP, L2TP
  OpenVpn = 1,  // OpenVpner: the four OpenVPN variants
  Ipsec = 2,    // IpsecVpner
  Sstp = 3,     // SstpVpner
};

// 0, 1 -> DialUp; 2-5 -> OpenVpn; 6 -> Ipsec; 7 -> Sstp; anything else (AUTO included) none.
std::optional<EngineKind> EngineKindForProtocol(int32_t protocol);
// "BaseVpner", "OpenVpner", "IpsecVpner", "SstpVpner".
const char* EngineClassName(EngineKind kind);

// The main window's log line for a connection: server name, " | VPN_TYPE ", the protocol number,
// " | ROUTE_TYPE ", the route mode.
std::wstring ConnectionChoiceLine(const std::wstring& serverName, int32_t protocol, int32_t routeMode);

}  // namespace nimbrook
