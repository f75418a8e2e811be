#include "catalogue/catalogue.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "catalogue/login_answer.h"

namespace nimbrook {
namespace {

using Indices = std::vector<size_t>;

std::wstring Entry(const std::wstring& area, const std::wstring& name) {
  return L"area," + area + L"|nasname," + name + L"|IP,127.0.0.1|allow,1|connecttype,PPTP=1723";
}

TEST(AreaGroups, EachKeywordLandsInItsGroupAndInAll) {
  struct Case {
    const wchar_t* area;
    int code;
  };
  const Case cases[] = {{L"免费", 102}, {L"美国", 103}, {L"日本东京", 104}, {L"香港", 105},
                        {L"台湾", 106}, {L"韩国", 107}, {L"中国", 108},     {L"欧洲德国", 109}};
  std::wstring naslist;
  for (const Case& c : cases) naslist += Entry(c.area, c.area) + L";";
  Catalogue catalogue;
  catalogue.Rebuild(naslist);
  ASSERT_EQ(catalogue.Entries().size(), 8u);
  EXPECT_EQ(catalogue.Groups().Group(kAreaAll), (Indices{0, 1, 2, 3, 4, 5, 6, 7}));
  for (size_t i = 0; i < 8; ++i) {
    EXPECT_EQ(catalogue.Groups().Group(cases[i].code), Indices{i}) << cases[i].code;
    EXPECT_EQ(AreaCodeOf(catalogue.Entries()[i].area), cases[i].code);
  }
}

TEST(AreaGroups, MixedAndUnmatchedAreas) {
  Catalogue catalogue;
  catalogue.Rebuild(Entry(L"免费香港", L"a") + L";" + Entry(L"英国", L"b") + L";" + Entry(L"电信", L"c") + L";" +
                    Entry(L"香港免费", L"d"));
  // The free keyword is tested first, wherever it stands.
  EXPECT_EQ(catalogue.Groups().Group(kAreaFree), (Indices{0, 3}));
  EXPECT_EQ(catalogue.Groups().Group(kAreaHongKong), Indices{});
  EXPECT_EQ(catalogue.Groups().Group(kAreaAll), (Indices{0, 1, 2, 3}));
  for (int code = kAreaFree; code <= kAreaEurope; ++code) {
    for (size_t i : catalogue.Groups().Group(code)) EXPECT_TRUE(i == 0 || i == 3) << code;
  }
  EXPECT_EQ(AreaCodeOf(L"英国"), kNoAreaCode);
  EXPECT_EQ(AreaCodeOf(L"电信"), kNoAreaCode);
}

TEST(AreaGroups, GroupIsDecidedByTheFirstFieldOnly) {
  Catalogue catalogue;
  // The area field is not first: the first field (the name) decides the group.
  catalogue.Rebuild(L"nasname,日本01|area,美国|IP,1.1.1.1");
  EXPECT_EQ(catalogue.Groups().Group(kAreaJapan), Indices{0});
  EXPECT_EQ(catalogue.Groups().Group(kAreaAmerica), Indices{});
  EXPECT_EQ(catalogue.Entries()[0].area, L"美国");
}

TEST(AreaGroups, CodesOutsideTheTableHaveNoMembers) {
  Catalogue catalogue;
  catalogue.Rebuild(Entry(L"美国", L"a"));
  EXPECT_TRUE(catalogue.Groups().Group(100).empty());
  EXPECT_TRUE(catalogue.Groups().Group(110).empty());
  EXPECT_TRUE(catalogue.Groups().Group(kNoAreaCode).empty());
  EXPECT_TRUE(catalogue.Groups().Group(-1).empty());
  EXPECT_EQ(AreaCodeOfOption(L"allopt"), 101);
  EXPECT_EQ(AreaCodeOfOption(L"Europeopt"), 109);
  EXPECT_EQ(AreaCodeOfOption(L"hkopt"), 105);
  EXPECT_EQ(AreaCodeOfOption(L"nosuchopt"), kNoAreaCode);
}

TEST(Naslist, TrailingSemicolonMakesNoEntryAdjacentOnesMakeAnEmptyOne) {
  Catalogue catalogue;
  catalogue.Rebuild(Entry(L"美国", L"a") + L";" + Entry(L"日本", L"b") + L";");
  EXPECT_EQ(catalogue.Entries().size(), 2u);

  catalogue.Rebuild(Entry(L"美国", L"a") + L";;" + Entry(L"日本", L"b") + L";");
  ASSERT_EQ(catalogue.Entries().size(), 3u);
  EXPECT_EQ(catalogue.Entries()[1].raw, L"");
  EXPECT_EQ(catalogue.Entries()[2].nasname, L"b");
  EXPECT_EQ(catalogue.Groups().Group(kAreaAll), (Indices{0, 1, 2}));
  EXPECT_EQ(catalogue.Groups().Group(kAreaAmerica), Indices{0});
  EXPECT_EQ(catalogue.Groups().Group(kAreaJapan), Indices{2});
}

TEST(Naslist, RebuildReplacesThePreviousCatalogue) {
  Catalogue catalogue;
  catalogue.Rebuild(Entry(L"美国", L"a") + L";" + Entry(L"美国", L"b"));
  catalogue.Rebuild(Entry(L"日本", L"c"));
  ASSERT_EQ(catalogue.Entries().size(), 1u);
  EXPECT_EQ(catalogue.Entries()[0].nasname, L"c");
  EXPECT_TRUE(catalogue.Groups().Group(kAreaAmerica).empty());
  EXPECT_EQ(catalogue.Groups().Group(kAreaAll), Indices{0});
}

// The entries view the catalogue's own copy of the list: the list they were read from may go, the
// catalogue may move, and it may be rebuilt from one of its own entries.
TEST(Naslist, EntriesStayValidWithoutTheirSourceAcrossMovesAndSelfRebuilds) {
  Catalogue catalogue;
  {
    std::wstring naslist = Entry(L"美国", L"a") + L";" + Entry(L"日本", L"b");
    catalogue.Rebuild(naslist);
    naslist.assign(naslist.size(), L'x');
  }
  ASSERT_EQ(catalogue.Entries().size(), 2u);
  EXPECT_EQ(catalogue.Entries()[1].nasname, L"b");

  Catalogue moved = std::move(catalogue);
  ASSERT_EQ(moved.Entries().size(), 2u);
  EXPECT_EQ(moved.Entries()[0].nasname, L"a");
  EXPECT_EQ(moved.Entries()[1].ip, L"127.0.0.1");

  moved.Rebuild(moved.Entries()[1].raw);
  ASSERT_EQ(moved.Entries().size(), 1u);
  EXPECT_EQ(moved.Entries()[0].nasname, L"b");
  EXPECT_EQ(moved.Groups().Group(kAreaJapan), Indices{0});

  // A list short enough to be kept inside a string object itself.
  Catalogue small;
  {
    Catalogue source;
    source.Rebuild(L"ab");
    small = std::move(source);
  }
  ASSERT_EQ(small.Entries().size(), 1u);
  EXPECT_EQ(small.Entries()[0].raw, L"ab");
}

TEST(Naslist, MalformedListsGiveDefinedEntries) {
  Catalogue catalogue;
  catalogue.Rebuild(L"");
  EXPECT_TRUE(catalogue.Entries().empty());
  EXPECT_TRUE(catalogue.Groups().Group(kAreaAll).empty());

  catalogue.Rebuild(L";;;");
  EXPECT_EQ(catalogue.Entries().size(), 3u);
  EXPECT_EQ(catalogue.Groups().Group(kAreaAll).size(), 3u);

  catalogue.Rebuild(L"garbage without any field|||,,,|=#=#");
  ASSERT_EQ(catalogue.Entries().size(), 1u);
  const ServerEntry& entry = catalogue.Entries()[0];
  EXPECT_EQ(entry.area, L"");
  EXPECT_EQ(entry.nasname, L"");
  EXPECT_TRUE(entry.Ports().empty());
  EXPECT_EQ(LoadPercentage(entry.onlineusers, entry.maxusers), 0);
  EXPECT_TRUE(IsAllowed(entry.allow));
}

// The service's edge-case answer: descriptions that mention other keys, a missing allow field, a
// connecttype without "=", an empty entry, a range whose high port equals its low port.
TEST(Naslist, ServiceEdgeCatalogue) {
  const std::wstring answer =
      L"yes|srvtype,vip|expiration,2031-12-31 23:59:59|srvid,11_"
      L"area,免费香港|nasname,边界_01|IP,127.0.10.1|info,load 17% (35/200)|allow,1|onlineusers,35|maxusers,200|"
      L"connecttype,PPTP=1723#OVPN-UDP=1000-1002;;"
      L"area,英国|nasname,无端口|IP,127.0.10.2|info,connecttype without =|allow,1|onlineusers,abc|maxusers,200|"
      L"connecttype,PPTP;"
      L"area,电信|nasname,缺字段|IP,127.0.10.3|info,no allow and no maxusers|onlineusers,5|connecttype,SSTP=443;"
      L"area,美国|nasname,VIP美国|IP,127.0.10.4|info,high=low range, allow empty|allow,|onlineusers,21|"
      L"maxusers,100|connecttype,OVPN-TCP=500-500#IPSEC=500;"
      L"area,日本|nasname,满载|IP,127.0.10.5|info,load 82%|allow,-1|onlineusers,164|maxusers,200|connecttype,L2TP=1701;";
  const SplitAnswer split = SplitLoginAnswer(answer);
  EXPECT_EQ(ReadAccountHead(split.head).srvid, L"11");
  Catalogue catalogue;
  catalogue.Rebuild(split.naslist);
  const auto& e = catalogue.Entries();
  ASSERT_EQ(e.size(), 6u);
  EXPECT_EQ(catalogue.Groups().Group(kAreaAll), (Indices{0, 1, 2, 3, 4, 5}));
  EXPECT_EQ(catalogue.Groups().Group(kAreaFree), Indices{0});
  EXPECT_EQ(catalogue.Groups().Group(kAreaAmerica), Indices{4});
  EXPECT_EQ(catalogue.Groups().Group(kAreaJapan), Indices{5});
  EXPECT_EQ(catalogue.Groups().Group(kAreaHongKong), Indices{});

  EXPECT_EQ(e[0].nasname, L"边界_01");
  EXPECT_EQ(FlagImage(e[0].area), L"hongkong.png");
  EXPECT_EQ(PercentText(LoadPercentage(e[0].onlineusers, e[0].maxusers)), L" 17%");
  const std::wstring port = ResolvePort(e[0], L"OVPN-UDP");
  EXPECT_TRUE(port == L"1000" || port == L"1001") << port;

  EXPECT_EQ(e[2].connecttype, L"PPTP");
  EXPECT_TRUE(e[2].Ports().empty());
  EXPECT_EQ(OfferedProtocols(e[2].connecttype, 10), std::vector<std::wstring>{L"AUTO"});
  EXPECT_EQ(LoadPercentage(e[2].onlineusers, e[2].maxusers), 0);
  EXPECT_EQ(FlagImage(e[2].area), L"uk.png");

  EXPECT_EQ(e[3].allow, L"");
  EXPECT_EQ(e[3].maxusers, L"");
  EXPECT_TRUE(IsAllowed(e[3].allow));
  EXPECT_EQ(LoadPercentage(e[3].onlineusers, e[3].maxusers), 0);
  EXPECT_EQ(FlagImage(e[3].area), L"cha.png");
  EXPECT_EQ(OfferedProtocols(e[3].connecttype, 5), std::vector<std::wstring>{L"AUTO"});

  EXPECT_EQ(e[4].allow, L"");
  EXPECT_EQ(e[4].ip, L"127.0.10.4");
  EXPECT_EQ(ResolvePort(e[4], L"OVPN-TCP"), L"500");
  EXPECT_EQ(LoadBarImage(LoadPercentage(e[4].onlineusers, e[4].maxusers)), L"jdt0.png");

  EXPECT_FALSE(IsAllowed(e[5].allow));
  EXPECT_EQ(LoadBarImage(LoadPercentage(e[5].onlineusers, e[5].maxusers)), L"jdt4.png");
}

}  // namespace
}  // namespace nimbrook
