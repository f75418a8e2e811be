// One server of the catalogue: its raw field texts and the values the server list shows for it
// (load percentage and bar, flag, area code), plus the rules the connect flow applies to it: the
// protocols offered on a Windows version, the port for a protocol, and the account's permission.
// An entry's texts are views into the text it was read from; they stay valid while that text does.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace nimbrook {

// Area codes of the nine area groups; the row tag of an area that matches no group is kNoAreaCode.
inline constexpr int kAreaAll = 101;
inline constexpr int kAreaFree = 102;
inline constexpr int kAreaAmerica = 103;
inline constexpr int kAreaJapan = 104;
inline constexpr int kAreaHongKong = 105;
inline constexpr int kAreaTaiwan = 106;
inline constexpr int kAreaKorea = 107;
inline constexpr int kAreaChina = 108;
inline constexpr int kAreaEurope = 109;
inline constexpr int kNoAreaCode = 0;

// One "NAME=PORTSPEC" item of a connecttype text (views into that text).
struct PortItem {
  std::wstring_view name;  // PPTP, L2TP, OVPN-UDP, ...
  std::wstring_view spec;  // "1194" or "1000-1002"
};

// The items of a connecttype text: each name runs from the start of the item to its first "=", the
// value from there to the next "#" or the end; reading stops when no further "=" follows. Items
// with an empty name are left out.
std::vector<PortItem> ConnectTypeItems(std::wstring_view connecttype);

struct ServerEntry {
  std::wstring_view raw;  // the entry text as the naslist holds it
  std::wstring_view area;
  std::wstring_view nasname;
  std::wstring_view ip;
  std::wstring_view info;
  std::wstring_view allow;
  std::wstring_view onlineusers;
  std::wstring_view maxusers;
  std::wstring_view connecttype;

  // The connecttype items, in order (read when asked for, not kept).
  std::vector<PortItem> Ports() const { return ConnectTypeItems(connecttype); }
};

// Reads every field as EntryValue reads it; absent fields are empty. The entry's texts are views
// into the given text.
ServerEntry ParseServerEntry(std::wstring_view entry);

// onlineusers * 100 / maxusers, truncated; 0 when either text is empty, maxusers reads as 0, or
// either count is negative. Counts are read as leading decimal integers (garbage reads as 0); the
// product is computed wide enough that huge counts never overflow.
int LoadPercentage(std::wstring_view onlineusers, std::wstring_view maxusers);
// "%3d%%": "  7%", " 17%", "100%", "125%".
std::wstring PercentText(int percent);
inline constexpr wchar_t kLoadBarBackImage[] = L"jdt_back.png";
// "jdt0.png" (up to 21) .. "jdt4.png" (above 81).
std::wstring LoadBarImage(int percent);

// The flag image for an area value ("hongkong.png", ..., "unknown.png"), without quotes.
std::wstring FlagImage(std::wstring_view area);
// The group an area text belongs to besides "all": 免费, 美国, 日本, 香港, 台湾, 韩国, 中国, 欧洲 tested
// in this order give 102..109; none gives kNoAreaCode.
int AreaCodeOf(std::wstring_view area);

inline constexpr wchar_t kAutoProtocol[] = L"AUTO";
// The protocols offered for a server on a Windows major version: "AUTO" first, then the names of
// the connecttype items in order, leaving out IPSEC and SSTP on version 5 and older.
std::vector<std::wstring> OfferedProtocols(std::wstring_view connecttype, int windowsMajor);
// The same names as views (into connecttype, and kAutoProtocol).
std::vector<std::wstring_view> OfferedProtocolNames(std::wstring_view connecttype, int windowsMajor);
// The protocol to announce: current when it is among the offered ones, otherwise "AUTO".
std::wstring ChooseProtocol(const std::vector<std::wstring>& offered, std::wstring_view current);

// The port for a concrete protocol: its port text unchanged when it is a single port, a
// port from [low, high) for a range "low-high", the low port when high is not above low. Empty when
// the server does not list the protocol (the first item of that name counts).
std::wstring ResolvePort(std::wstring_view connecttype, std::wstring_view protocol);
inline std::wstring ResolvePort(const ServerEntry& entry, std::wstring_view protocol) {
  return ResolvePort(entry.connecttype, protocol);
}
// The same for one port text; draw chooses within a range (draw mod (high - low)).
std::wstring ResolvePortSpec(std::wstring_view spec, unsigned draw);
std::wstring ResolvePortSpec(std::wstring_view spec);  // draws from a process-wide generator

// False only for an allow value that reads as -1 (the account may not use the server).
bool IsAllowed(std::wstring_view allow);

}  // namespace nimbrook
