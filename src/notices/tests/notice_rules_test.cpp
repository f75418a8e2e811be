// Which pop-up a new main window shows, and how the remembered marks keep each to its frequency.
#include "notices/notice_rules.h"

#include <gtest/gtest.h>

#include "core/time_helpers.h"

namespace nimbrook {
namespace {

NoticeInputs Notice(const std::wstring& frequency) {
  NoticeInputs in;
  in.notice = {L"1", L"spring", frequency, L"Spring offer"};
  in.user = "alice";
  in.today = "2030-03-01";
  in.accountType = L"vip";
  in.expiration = L"2031-01-01 00:00:00";
  in.now = ParseDateTime(L"2030-03-01 12:00:00");
  return in;
}

TEST(NoticeRules, DailyNoticeOncePerDayAndUser) {
  NoticeInputs in = Notice(L"day");
  const NoticeDecision first = ChooseNotice(in);
  ASSERT_TRUE(first.show);
  EXPECT_EQ(first.show->kind, NoticeKind::Ads);
  EXPECT_EQ(first.show->page, L"spring");
  EXPECT_EQ(first.show->mark, "alice_spring_2030-03-01");

  in.adsMark = first.show->mark;
  EXPECT_FALSE(ChooseNotice(in).show);  // shown today already; the paid account is far from its end
  in.today = "2030-03-02";
  EXPECT_TRUE(ChooseNotice(in).show);
  in.today = "2030-03-01";
  in.user = "bob";
  EXPECT_TRUE(ChooseNotice(in).show);
}

TEST(NoticeRules, OnceNoticeNeverAgainForThatKeyAndUser) {
  EXPECT_FALSE(ShouldShow(L"once", "alice_spring_2030-03-01", "alice_spring_2031-07-09"));
  EXPECT_TRUE(ShouldShow(L"once", "alice_spring_2030-03-01", "alice_summer_2030-03-01"));
  EXPECT_TRUE(ShouldShow(L"once", "alice_spring_2030-03-01", "bob_spring_2030-03-01"));
  EXPECT_TRUE(ShouldShow(L"once", "", "alice_spring_2030-03-01"));
  // Names and keys with "_" in them are compared whole: only the date is cut off.
  EXPECT_FALSE(ShouldShow(L"once", "a_b_c_2030-03-01", "a_b_c_2030-04-01"));
  EXPECT_TRUE(ShouldShow(L"once", "a_b_c_2030-03-01", "a_bc_2030-03-01"));
  EXPECT_FALSE(ShouldShow(L"weekly", "", "alice_spring_2030-03-01"));
}

TEST(NoticeRules, ANoticeThatMatchesWinsEvenWithoutATitle) {
  NoticeInputs in = Notice(L"day");
  in.notice.title.clear();
  in.accountType = L"free";
  EXPECT_FALSE(ChooseNotice(in).show);  // the reminder waits for another start
  in.notice.display = L"0";
  ASSERT_TRUE(ChooseNotice(in).show);
  EXPECT_EQ(ChooseNotice(in).show->kind, NoticeKind::Free);
}

TEST(NoticeRules, FreeAccountsAreRemindedOncePerDay) {
  NoticeInputs in = Notice(L"never");
  in.accountType = L"free";
  const NoticeDecision decision = ChooseNotice(in);
  ASSERT_TRUE(decision.show);
  EXPECT_EQ(decision.show->title, L"升级VIP提醒");
  EXPECT_EQ(decision.show->page, L"become_vip");
  in.freeMark = decision.show->mark;
  EXPECT_FALSE(ChooseNotice(in).show);
  in.user = "bob";
  EXPECT_TRUE(ChooseNotice(in).show);
}

TEST(NoticeRules, PaidAccountsEndingWithinThreeDays) {
  NoticeInputs in = Notice(L"never");
  const int64_t now = in.now;
  const auto at = [&](const std::wstring& expiration) {
    in.expiration = expiration;
    return ChooseNotice(in);
  };
  EXPECT_TRUE(at(L"2030-03-04 11").expiringSoon);   // 71 hours ahead
  EXPECT_FALSE(at(L"2030-03-04 12").expiringSoon);  // 72 hours
  EXPECT_TRUE(at(L"2030-02-01").expiringSoon);      // already over
  // A date alone counts from its midnight: 36 hours ahead.
  const NoticeDecision dateOnly = at(L"2030-03-03");
  ASSERT_TRUE(dateOnly.show);
  EXPECT_EQ(dateOnly.show->page, L"expire");
  EXPECT_FALSE(at(L"soon").show);
  in.now = now;
  in.expiration = L"2030-03-02";
  in.vipMark = "alice_vip_2030-03-01";
  EXPECT_FALSE(ChooseNotice(in).show);  // already reminded today
}

TEST(NoticeRules, Address) {
  EXPECT_EQ(NoticeAddress(L"http://s/notice.php?page", L"expire", L"srvid=1"), L"http://s/notice.php?page_expire&p=srvid=1");
  EXPECT_EQ(NoticeAddress(L"http://s/n", L"spring", L""), L"http://s/n_spring");
  EXPECT_EQ(NoticeAddress(L"", L"spring", L"x"), L"");
}

}  // namespace
}  // namespace nimbrook
