#include "catalogue/server_entry.h"

#include <gtest/gtest.h>

#include <random>
#include <set>
#include <string>
#include <vector>

#include "catalogue/login_answer.h"
#include "core/text.h"

namespace nimbrook {
namespace {

using Names = std::vector<std::wstring>;

TEST(ParseServerEntry, ReadsEveryField) {
  const ServerEntry entry = ParseServerEntry(
      L"area,免费香港|nasname,边界_01|IP,127.0.10.1|info,load 17% (35/200)|allow,1|onlineusers,35|maxusers,200|"
      L"connecttype,PPTP=1723#OVPN-UDP=1000-1002");
  EXPECT_EQ(entry.area, L"免费香港");
  EXPECT_EQ(entry.nasname, L"边界_01");
  EXPECT_EQ(entry.ip, L"127.0.10.1");
  EXPECT_EQ(entry.info, L"load 17% (35/200)");
  EXPECT_EQ(entry.allow, L"1");
  EXPECT_EQ(entry.onlineusers, L"35");
  EXPECT_EQ(entry.maxusers, L"200");
  EXPECT_EQ(entry.connecttype, L"PPTP=1723#OVPN-UDP=1000-1002");
  ASSERT_EQ(entry.Ports().size(), 2u);
  EXPECT_EQ(entry.Ports()[0].name, L"PPTP");
  EXPECT_EQ(entry.Ports()[0].spec, L"1723");
  EXPECT_EQ(entry.Ports()[1].name, L"OVPN-UDP");
  EXPECT_EQ(entry.Ports()[1].spec, L"1000-1002");
}

TEST(ConnectTypeItems, ReadingRules) {
  EXPECT_TRUE(ConnectTypeItems(L"").empty());
  EXPECT_TRUE(ConnectTypeItems(L"PPTP").empty());  // no "=": no protocol at all
  // Reading stops at the first item without "=".
  auto items = ConnectTypeItems(L"PPTP=1723#L2TP#SSTP=443");
  ASSERT_EQ(items.size(), 2u);
  EXPECT_EQ(items[0].name, L"PPTP");
  EXPECT_EQ(items[1].name, L"L2TP#SSTP");
  EXPECT_EQ(items[1].spec, L"443");
  // The first "=" of an item splits; a trailing "#" adds nothing; empty names are left out.
  items = ConnectTypeItems(L"OVPN-TCP=443=1#=99#IPSEC=#");
  ASSERT_EQ(items.size(), 2u);
  EXPECT_EQ(items[0].spec, L"443=1");
  EXPECT_EQ(items[1].name, L"IPSEC");
  EXPECT_EQ(items[1].spec, L"");
}

TEST(LoadPercentage, ValuesAndText) {
  struct Case {
    const wchar_t* online;
    const wchar_t* max;
    int percent;
    const wchar_t* text;
    const wchar_t* bar;
  };
  const Case cases[] = {
      {L"0", L"200", 0, L"  0%", L"jdt0.png"},     {L"7", L"100", 7, L"  7%", L"jdt0.png"},
      {L"35", L"200", 17, L" 17%", L"jdt0.png"},   {L"21", L"100", 21, L" 21%", L"jdt0.png"},
      {L"22", L"100", 22, L" 22%", L"jdt1.png"},   {L"41", L"100", 41, L" 41%", L"jdt1.png"},
      {L"42", L"100", 42, L" 42%", L"jdt2.png"},   {L"61", L"100", 61, L" 61%", L"jdt2.png"},
      {L"62", L"100", 62, L" 62%", L"jdt3.png"},   {L"81", L"100", 81, L" 81%", L"jdt3.png"},
      {L"164", L"200", 82, L" 82%", L"jdt4.png"},  {L"200", L"200", 100, L"100%", L"jdt4.png"},
      {L"250", L"200", 125, L"125%", L"jdt4.png"}, {L"2", L"3", 66, L" 66%", L"jdt3.png"},
  };
  for (const Case& c : cases) {
    const int percent = LoadPercentage(c.online, c.max);
    EXPECT_EQ(percent, c.percent) << c.online << "/" << c.max;
    EXPECT_EQ(PercentText(percent), c.text) << c.online << "/" << c.max;
    EXPECT_EQ(LoadBarImage(percent), c.bar) << c.online << "/" << c.max;
  }
}

TEST(LoadPercentage, MalformedCountsGiveDefinedValues) {
  EXPECT_EQ(LoadPercentage(L"0", L"0"), 0);      // zero capacity
  EXPECT_EQ(LoadPercentage(L"50", L"0"), 0);
  EXPECT_EQ(LoadPercentage(L"", L"200"), 0);     // missing counts
  EXPECT_EQ(LoadPercentage(L"50", L""), 0);
  EXPECT_EQ(LoadPercentage(L"abc", L"200"), 0);  // garbage reads as 0
  EXPECT_EQ(LoadPercentage(L"50", L"abc"), 0);
  EXPECT_EQ(LoadPercentage(L" 50x", L"100y"), 50);  // leading blanks skipped, reading stops at a non-digit
  EXPECT_EQ(LoadPercentage(L"-50", L"100"), 0);  // negative counts
  EXPECT_EQ(LoadPercentage(L"50", L"-100"), 0);
  EXPECT_EQ(LoadPercentage(L"-50", L"-100"), 0);
  // Huge counts do not overflow: the share stays right and positive.
  EXPECT_EQ(LoadPercentage(L"99999999", L"99999999"), 100);
  EXPECT_EQ(LoadPercentage(L"999999999999999999999", L"1"), LoadPercentage(L"999999999", L"1"));
  EXPECT_GT(LoadPercentage(L"999999999", L"1"), 100);
  EXPECT_EQ(LoadBarImage(LoadPercentage(L"999999999", L"1")), L"jdt4.png");
  EXPECT_EQ(PercentText(1000), L"1000%");
}

TEST(FlagImage, EachKeywordAndItsOrder) {
  const std::pair<const wchar_t*, const wchar_t*> cases[] = {
      {L"香港", L"hongkong.png"}, {L"日本", L"jpa.png"},       {L"韩国", L"korea.png"},  {L"美国", L"usa.png"},
      {L"英国", L"uk.png"},       {L"台湾", L"taiwan.png"},     {L"电信", L"cha.png"},    {L"联通", L"unicom.png"},
      {L"中国", L"cn.png"},       {L"澳大利亚", L"au.png"},     {L"德国", L"de.png"},     {L"俄罗斯", L"ru.png"},
      {L"法国", L"fr.png"},       {L"菲律宾", L"ph.png"},       {L"荷兰", L"nl.png"},     {L"马来西亚", L"my.png"},
      {L"泰国", L"th.png"},       {L"新加坡", L"sg.png"},       {L"欧洲", L"unknown.png"}, {L"", L"unknown.png"},
      {L"免费", L"unknown.png"},
  };
  for (const auto& c : cases) EXPECT_EQ(FlagImage(c.first), c.second) << c.first;
  // Hong Kong is tested before the free keyword matters; China Telecom before China.
  EXPECT_EQ(FlagImage(L"免费香港"), L"hongkong.png");
  EXPECT_EQ(FlagImage(L"中国电信"), L"cha.png");
  EXPECT_EQ(FlagImage(L"美国香港"), L"hongkong.png");
  EXPECT_EQ(AreaCodeOf(L"免费香港"), kAreaFree);
}

TEST(OfferedProtocols, WindowsVersionsFiveAndTen) {
  const std::wstring all = L"PPTP=1723#L2TP=1701#OVPN-UDP=1194#OVPN-TCP=443#OVPN-UDP+=20000-20100#"
                           L"OVPN-TCP+=30000-30010#IPSEC=500#SSTP=443";
  EXPECT_EQ(OfferedProtocols(all, 10),
            (Names{L"AUTO", L"PPTP", L"L2TP", L"OVPN-UDP", L"OVPN-TCP", L"OVPN-UDP+", L"OVPN-TCP+", L"IPSEC", L"SSTP"}));
  EXPECT_EQ(OfferedProtocols(all, 6), OfferedProtocols(all, 10));
  EXPECT_EQ(OfferedProtocols(all, 5),
            (Names{L"AUTO", L"PPTP", L"L2TP", L"OVPN-UDP", L"OVPN-TCP", L"OVPN-UDP+", L"OVPN-TCP+"}));
  EXPECT_EQ(OfferedProtocols(L"PPTP=1723#IPSEC=500#SSTP=443", 5), (Names{L"AUTO", L"PPTP"}));
  EXPECT_EQ(OfferedProtocols(L"PPTP=1723#IPSEC=500#SSTP=443", 10), (Names{L"AUTO", L"PPTP", L"IPSEC", L"SSTP"}));
  // An unreadable version (0) counts as old.
  EXPECT_EQ(OfferedProtocols(L"SSTP=443", 0), Names{L"AUTO"});
}

TEST(OfferedProtocols, ConnectTypeWithoutProtocolsOffersAutoOnly) {
  EXPECT_EQ(OfferedProtocols(L"", 10), Names{L"AUTO"});
  EXPECT_EQ(OfferedProtocols(L"PPTP", 10), Names{L"AUTO"});
  EXPECT_EQ(OfferedProtocols(L"=#=", 5), Names{L"AUTO"});
  // Only whole names are excluded.
  EXPECT_EQ(OfferedProtocols(L"SEC=1#IPSEC=500", 5), (Names{L"AUTO", L"SEC"}));
}

TEST(ChooseProtocol, KeepsAnOfferedProtocolOtherwiseAuto) {
  const Names offered = OfferedProtocols(L"PPTP=1723#SSTP=443", 5);
  EXPECT_EQ(ChooseProtocol(offered, L"PPTP"), L"PPTP");
  EXPECT_EQ(ChooseProtocol(offered, L"SSTP"), L"AUTO");
  EXPECT_EQ(ChooseProtocol(offered, L""), L"AUTO");
  EXPECT_EQ(ChooseProtocol(Names{}, L"PPTP"), L"AUTO");
}

TEST(ResolvePort, SinglePortsAndRanges) {
  EXPECT_EQ(ResolvePortSpec(L"1194", 12345u), L"1194");
  EXPECT_EQ(ResolvePortSpec(L"", 3u), L"");
  EXPECT_EQ(ResolvePortSpec(L"1000-1002", 0u), L"1000");
  EXPECT_EQ(ResolvePortSpec(L"1000-1002", 1u), L"1001");
  EXPECT_EQ(ResolvePortSpec(L"1000-1002", 2u), L"1000");
  EXPECT_EQ(ResolvePortSpec(L"1000-1002", 4294967295u), L"1001");
  EXPECT_EQ(ResolvePortSpec(L"20000-20100", 150u), L"20050");
  std::set<std::wstring> seen;
  for (int i = 0; i < 200; ++i) seen.insert(ResolvePortSpec(L"1000-1002"));
  for (const std::wstring& port : seen) EXPECT_TRUE(port == L"1000" || port == L"1001") << port;
}

TEST(ResolvePort, DegenerateAndMalformedRanges) {
  // High not above low: the low port, never a division by zero.
  for (unsigned draw : {0u, 1u, 77u}) {
    EXPECT_EQ(ResolvePortSpec(L"500-500", draw), L"500");
    EXPECT_EQ(ResolvePortSpec(L"600-500", draw), L"600");
    EXPECT_EQ(ResolvePortSpec(L"-", draw), L"0");
    EXPECT_EQ(ResolvePortSpec(L"abc-xyz", draw), L"0");
    EXPECT_EQ(ResolvePortSpec(L"700-", draw), L"700");
  }
  EXPECT_EQ(ResolvePortSpec(L"-5", 7u), L"2");  // low reads as 0
  EXPECT_EQ(ResolvePortSpec(L"999999999999-1", 0u), L"999999999");
  EXPECT_EQ(ResolvePortSpec(L"1-999999999999", 5u), L"6");
}

TEST(ResolvePort, LooksUpTheProtocolOfTheEntry) {
  const ServerEntry entry = ParseServerEntry(L"area,美国|connecttype,PPTP=1723#OVPN-TCP=500-500#IPSEC=500");
  EXPECT_EQ(ResolvePort(entry, L"PPTP"), L"1723");
  EXPECT_EQ(ResolvePort(entry, L"OVPN-TCP"), L"500");
  EXPECT_EQ(ResolvePort(entry, L"IPSEC"), L"500");
  EXPECT_EQ(ResolvePort(entry, L"SSTP"), L"");
  EXPECT_EQ(ResolvePort(entry, L"AUTO"), L"");
}

TEST(IsAllowed, OnlyMinusOneRefuses) {
  EXPECT_FALSE(IsAllowed(L"-1"));
  EXPECT_FALSE(IsAllowed(L" -1"));
  EXPECT_TRUE(IsAllowed(L"1"));
  EXPECT_TRUE(IsAllowed(L"0"));
  EXPECT_TRUE(IsAllowed(L""));
  EXPECT_TRUE(IsAllowed(L"-2"));
  EXPECT_TRUE(IsAllowed(L"abc"));
  EXPECT_TRUE(IsAllowed(L"-11"));
}

}  // namespace
}  // namespace nimbrook

namespace nimbrook {
namespace {

// The one-pass reader gives what a lookup per key gives, on entries built from the pieces that make
// lookups tricky: repeated keys, keys inside values, fields without a comma, empty names and values.
TEST(ParseServerEntry, AgreesWithEntryValueOnTrickyEntries) {
  const std::vector<std::wstring> pieces = {L"area,美国", L"area,日本", L"nasname,a|b", L"IP,1.2.3.4", L"IP",
                                            L"info,allow,9", L"allow,-1", L"allow,", L"onlineusers,5",
                                            L"maxusers,100", L",x", L"", L"connecttype,PPTP=1723#L2TP=1701",
                                            L"connecttype", L"xarea,1", L"area2,2", L"maxusers,,", L"|"};
  std::mt19937 random(15);
  for (int round = 0; round < 2000; ++round) {
    std::wstring entry;
    const int fields = static_cast<int>(random() % 8);
    for (int f = 0; f < fields; ++f) {
      if (f) entry += L'|';
      entry += pieces[random() % pieces.size()];
    }
    const ServerEntry parsed = ParseServerEntry(entry);
    const std::string where = text::ToUtf8(entry);
    EXPECT_EQ(parsed.raw, entry);
    EXPECT_EQ(parsed.area, EntryValue(entry, L"area")) << where;
    EXPECT_EQ(parsed.nasname, EntryValue(entry, L"nasname")) << where;
    EXPECT_EQ(parsed.ip, EntryValue(entry, L"IP")) << where;
    EXPECT_EQ(parsed.info, EntryValue(entry, L"info")) << where;
    EXPECT_EQ(parsed.allow, EntryValue(entry, L"allow")) << where;
    EXPECT_EQ(parsed.onlineusers, EntryValue(entry, L"onlineusers")) << where;
    EXPECT_EQ(parsed.maxusers, EntryValue(entry, L"maxusers")) << where;
    EXPECT_EQ(parsed.connecttype, EntryValue(entry, L"connecttype")) << where;
  }
}

}  // namespace
}  // namespace nimbrook
