#include "catalogue/login_answer.h"

#include <gtest/gtest.h>

namespace nimbrook {
namespace {

TEST(SplitLoginAnswer, HeadRunsFromIndexFourToTheFirstUnderscore) {
  const SplitAnswer split = SplitLoginAnswer(L"yes|srvtype,vip|expiration,2031-12-31 23:59:59|srvid,11_area,美国|nasname,a_b;x_y");
  EXPECT_EQ(split.head, L"srvtype,vip|expiration,2031-12-31 23:59:59|srvid,11");
  // Only the first "_" separates: the naslist keeps its own underscores.
  EXPECT_EQ(split.naslist, L"area,美国|nasname,a_b;x_y");
}

TEST(SplitLoginAnswer, UnderscoreRightAfterTheMarkerGivesAnEmptyHead) {
  const SplitAnswer split = SplitLoginAnswer(L"yes|_area,免费");
  EXPECT_EQ(split.head, L"");
  EXPECT_EQ(split.naslist, L"area,免费");
  const SplitAnswer noList = SplitLoginAnswer(L"yes|srvid,11_");
  EXPECT_EQ(noList.head, L"srvid,11");
  EXPECT_EQ(noList.naslist, L"");
}

TEST(SplitLoginAnswer, AnswerWithoutUnderscoreIsAllNaslist) {
  const SplitAnswer split = SplitLoginAnswer(L"yes|srvtype,vip|expiration,x|srvid,11");
  EXPECT_EQ(split.head, L"");
  EXPECT_EQ(split.naslist, L"srvtype,vip|expiration,x|srvid,11");
}

TEST(SplitLoginAnswer, ShortAndEmptyAnswersSplitIntoEmptyTexts) {
  for (const wchar_t* answer : {L"", L"y", L"yes", L"yes|", L"_", L"ye_s"}) {
    const SplitAnswer split = SplitLoginAnswer(answer);
    EXPECT_EQ(split.head, L"") << answer;
    EXPECT_EQ(split.naslist, L"") << answer;
  }
  // The underscore inside the skipped marker does not count as the separator.
  const SplitAnswer marker = SplitLoginAnswer(L"y_s|ab_cd");
  EXPECT_EQ(marker.head, L"ab");
  EXPECT_EQ(marker.naslist, L"cd");
}

TEST(EntryValue, ReadsFieldsInAnyOrder) {
  const std::wstring entry = L"area,香港|nasname,香港01|IP,127.0.4.1|allow,-1|connecttype,PPTP=1723#L2TP=1701";
  EXPECT_EQ(EntryValue(entry, L"area"), L"香港");
  EXPECT_EQ(EntryValue(entry, L"nasname"), L"香港01");
  EXPECT_EQ(EntryValue(entry, L"IP"), L"127.0.4.1");
  EXPECT_EQ(EntryValue(entry, L"allow"), L"-1");
  // The last field runs to the end of the entry; "=" and "#" are part of the value.
  EXPECT_EQ(EntryValue(entry, L"connecttype"), L"PPTP=1723#L2TP=1701");
}

TEST(EntryValue, AbsentKeyGivesEmptyText) {
  const std::wstring entry = L"area,美国|nasname,a|IP,1.2.3.4";
  EXPECT_EQ(EntryValue(entry, L"maxusers"), L"");
  EXPECT_EQ(EntryValue(entry, L""), L"");
  EXPECT_EQ(EntryValue(L"", L"area"), L"");
  // A key without its comma is not a field.
  EXPECT_EQ(EntryValue(L"area", L"area"), L"");
  EXPECT_EQ(EntryValue(L"nasname,x|area", L"area"), L"");
}

TEST(EntryValue, EmptyValues) {
  EXPECT_EQ(EntryValue(L"allow,|onlineusers,21", L"allow"), L"");
  EXPECT_EQ(EntryValue(L"area,美国|allow,", L"allow"), L"");
  // A value may hold further commas.
  EXPECT_EQ(EntryValue(L"info,a, b, c|allow,1", L"info"), L"a, b, c");
}

TEST(EntryValue, KeyInsideAnotherValueIsNotTakenForTheField) {
  // The service's edge catalogue: descriptions that mention other keys.
  const std::wstring noAllow = L"area,电信|nasname,缺字段|IP,127.0.10.3|info,no allow and no maxusers|onlineusers,5|connecttype,SSTP=443";
  EXPECT_EQ(EntryValue(noAllow, L"allow"), L"");
  EXPECT_EQ(EntryValue(noAllow, L"maxusers"), L"");
  EXPECT_EQ(EntryValue(noAllow, L"onlineusers"), L"5");
  const std::wstring noEquals = L"area,英国|nasname,无端口|IP,127.0.10.2|info,connecttype without =|allow,1|connecttype,PPTP";
  EXPECT_EQ(EntryValue(noEquals, L"connecttype"), L"PPTP");
  // "IP" inside a name, "users" inside "onlineusers" and "maxusers".
  const std::wstring names = L"area,美国|nasname,VIP, fast|IP,127.0.10.4|onlineusers,3|maxusers,9";
  EXPECT_EQ(EntryValue(names, L"IP"), L"127.0.10.4");
  EXPECT_EQ(EntryValue(names, L"users"), L"");
  EXPECT_EQ(EntryValue(names, L"maxusers"), L"9");
}

TEST(ReadAccountHead, ReadsTheThreeFields) {
  const AccountHead head = ReadAccountHead(L"srvtype,vip|expiration,2031-12-31 23:59:59|srvid,11");
  EXPECT_EQ(head.srvtype, L"vip");
  EXPECT_EQ(head.expiration, L"2031-12-31 23:59:59");
  EXPECT_EQ(head.srvid, L"11");
  const AccountHead partial = ReadAccountHead(L"srvid,7");
  EXPECT_EQ(partial.srvtype, L"");
  EXPECT_EQ(partial.expiration, L"");
  EXPECT_EQ(partial.srvid, L"7");
  const AccountHead garbage = ReadAccountHead(L"no fields at all, really");
  EXPECT_EQ(garbage.srvtype, L"");
  EXPECT_EQ(garbage.srvid, L"");
}

}  // namespace
}  // namespace nimbrook
