// Protocol names and numbers, route modes from the picker, the state that goes with each code, and
// the engine kind that serves each protocol.
#include "tunnel/protocol.h"

#include <gtest/gtest.h>

namespace nimbrook {
namespace {

TEST(Protocol, NamesAndNumbersRoundTrip) {
  const char* names[] = {"PPTP", "L2TP", "OVPN-UDP", "OVPN-TCP", "OVPN-UDP+", "OVPN-TCP+", "IPSEC", "SSTP", "AUTO"};
  for (int32_t p = 0; p < kProtocolCount; ++p) {
    EXPECT_EQ(ProtocolNameA(p), names[p]);
    EXPECT_EQ(ProtocolName(p), std::wstring(names[p], names[p] + std::string(names[p]).size()));
    EXPECT_EQ(ProtocolFromNameA(names[p]), p);
    EXPECT_EQ(ProtocolFromName(ProtocolName(p)), p);
  }
}

TEST(Protocol, UnknownNumbersAndNamesHaveNoCounterpart) {
  EXPECT_EQ(ProtocolName(-1), L"");
  EXPECT_EQ(ProtocolName(9), L"");
  EXPECT_EQ(ProtocolNameA(1000), "");
  EXPECT_FALSE(ProtocolFromName(L"pptp"));
  EXPECT_FALSE(ProtocolFromName(L" PPTP"));
  EXPECT_FALSE(ProtocolFromName(L"OVPN-UDP++"));
  EXPECT_FALSE(ProtocolFromNameA(""));
  EXPECT_FALSE(ProtocolFromNameA("not found"));
}

TEST(Protocol, ConcreteAndOpenVpnRanges) {
  for (int32_t p = 0; p <= 7; ++p) EXPECT_TRUE(IsConcreteProtocol(p)) << p;
  EXPECT_FALSE(IsConcreteProtocol(kProtocolAuto));
  EXPECT_FALSE(IsConcreteProtocol(-1));
  EXPECT_FALSE(IsOpenVpnProtocol(1));
  EXPECT_TRUE(IsOpenVpnProtocol(2));
  EXPECT_TRUE(IsOpenVpnProtocol(5));
  EXPECT_FALSE(IsOpenVpnProtocol(6));
}

TEST(Protocol, DialUpEntries) {
  EXPECT_EQ(DialUpEntryName(0), L"nimbrookjsq-pptp");
  EXPECT_EQ(DialUpEntryName(1), L"nimbrookjsq-l2tp");
  EXPECT_EQ(DialUpEntryName(6), L"nimbrookjsq-ikev2");
  EXPECT_EQ(DialUpEntryName(7), L"nimbrookjsq-sstp");
  for (int32_t p : {2, 3, 4, 5, 8, -1, 9}) EXPECT_EQ(DialUpEntryName(p), L"") << p;
}

TEST(RouteMode, FromPickerItemAndArea) {
  EXPECT_EQ(RouteModeFor(L"route_ipscope", L"日本东京"), 0);
  EXPECT_EQ(RouteModeFor(L"route_ipscope", L""), 0);
  EXPECT_EQ(RouteModeFor(L"route_ipscope", L"中国香港"), 1);
  EXPECT_EQ(RouteModeFor(L"route_ipscope", L"华东 中国 电信"), 1);
  EXPECT_EQ(RouteModeFor(L"route_global", L"中国香港"), 2);
  EXPECT_EQ(RouteModeFor(L"route_domain", L""), 3);
  EXPECT_FALSE(RouteModeFor(L"route_other", L""));
  EXPECT_FALSE(RouteModeFor(L"", L""));
}

TEST(RouteMode, ItemNamesAndValidity) {
  EXPECT_EQ(RouteItemName(0), L"route_ipscope");
  EXPECT_EQ(RouteItemName(1), L"route_ipscope");
  EXPECT_EQ(RouteItemName(2), L"route_global");
  EXPECT_EQ(RouteItemName(3), L"route_domain");
  EXPECT_EQ(RouteItemName(4), L"");
  EXPECT_EQ(RouteItemName(5), L"");
  EXPECT_TRUE(IsValidRouteMode(4));
  EXPECT_FALSE(IsValidRouteMode(5));
  EXPECT_FALSE(IsValidRouteMode(-1));
}

TEST(Notification, StatesTravelWithTheirCodes) {
  EXPECT_EQ(StateForCode(1), 0);
  EXPECT_EQ(StateForCode(2), 1);
  EXPECT_EQ(StateForCode(3), 2);
  EXPECT_EQ(StateForCode(4), 3);
  EXPECT_EQ(StateForCode(5), 4);
  EXPECT_EQ(StateForCode(13), 0);
  for (int32_t code = 6; code <= 12; ++code) EXPECT_FALSE(StateForCode(code)) << code;
  EXPECT_FALSE(StateForCode(0));
  EXPECT_FALSE(StateForCode(14));
  EXPECT_TRUE(IsEngineNotification(kStateFailed, kCodeFailed));
  EXPECT_TRUE(IsEngineNotification(kStateIdle, kCodeDropped));
  EXPECT_FALSE(IsEngineNotification(kStateConnected, kCodeFailed));
}

TEST(EngineKinds, ProtocolsMapToTheirEngineClass) {
  EXPECT_EQ(EngineKindForProtocol(0), EngineKind::DialUp);
  EXPECT_EQ(EngineKindForProtocol(1), EngineKind::DialUp);
  for (int32_t p = 2; p <= 5; ++p) EXPECT_EQ(EngineKindForProtocol(p), EngineKind::OpenVpn) << p;
  EXPECT_EQ(EngineKindForProtocol(6), EngineKind::Ipsec);
  EXPECT_EQ(EngineKindForProtocol(7), EngineKind::Sstp);
  for (int32_t p : {8, 9, -1, 100}) EXPECT_FALSE(EngineKindForProtocol(p)) << p;
  EXPECT_STREQ(EngineClassName(EngineKind::DialUp), "BaseVpner");
  EXPECT_STREQ(EngineClassName(EngineKind::OpenVpn), "OpenVpner");
  EXPECT_STREQ(EngineClassName(EngineKind::Ipsec), "IpsecVpner");
  EXPECT_STREQ(EngineClassName(EngineKind::Sstp), "SstpVpner");
  EXPECT_EQ(static_cast<int32_t>(EngineKind::Sstp), 3);
}

TEST(ConnectionChoice, LogLine) {
  EXPECT_EQ(ConnectionChoiceLine(L"东京1", 2, 0), L"东京1 | VPN_TYPE 2 | ROUTE_TYPE 0");
}

}  // namespace
}  // namespace nimbrook
