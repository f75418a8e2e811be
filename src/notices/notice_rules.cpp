#include "notices/notice_rules.h"

#include "core/text.h"
#include "core/time_helpers.h"
#include "os/profile_file.h"

namespace nimbrook {

namespace {

constexpr size_t kNotifyValueCapacity = 256;

// A mark without its date: everything before the last "_".
std::string WithoutDate(const std::string& mark) {
  const size_t last = mark.rfind('_');
  return last == std::string::npos ? mark : mark.substr(0, last);
}

}  // namespace

NoticeSection ReadNoticeSection(os::ProfileFiles& profile, const std::wstring& versionIni) {
  const auto read = [&](const wchar_t* key) {
    return profile.ReadString(versionIni, L"NOTIFY", key, L"", kNotifyValueCapacity);
  };
  return {read(L"display"), read(L"key"), read(L"frequency"), read(L"title")};
}

bool ShouldShow(const std::wstring& frequency, const std::string& remembered, const std::string& current) {
  if (frequency == L"day") return remembered != current;
  // User names and notice keys may hold "_" themselves: only the date, which never does, is cut off.
  if (frequency == L"once") return WithoutDate(remembered) != WithoutDate(current);
  return false;
}

NoticeDecision ChooseNotice(const NoticeInputs& in) {
  NoticeDecision decision;
  if (in.notice.display == L"1") {
    const std::string mark = in.user + "_" + text::ToAnsi(in.notice.key) + "_" + in.today;
    if (ShouldShow(in.notice.frequency, in.adsMark, mark)) {
      // The notice wins even with an empty title, which then shows nothing.
      if (!in.notice.title.empty()) decision.show = NoticeChoice{NoticeKind::Ads, in.notice.title, in.notice.key, mark};
      return decision;
    }
  }
  if (in.accountType == L"free") {
    const std::string mark = in.user + "_free_" + in.today;
    if (in.freeMark != mark) decision.show = NoticeChoice{NoticeKind::Free, L"升级VIP提醒", L"become_vip", mark};
    return decision;
  }
  if (in.accountType == L"vip") {
    const std::string mark = in.user + "_vip_" + in.today;
    if (in.vipMark == mark) return decision;
    const std::wstring full = in.expiration + (in.expiration.size() < 11 ? L" 00:00:00" : L":00:00");
    const int64_t expiry = ParseDateTime(full);
    if (expiry != -1 && HoursBetween(expiry, in.now) < 72) {
      decision.expiringSoon = true;
      decision.show = NoticeChoice{NoticeKind::Vip, L"VIP到期提醒", L"expire", mark};
    }
  }
  return decision;
}

std::wstring NoticeAddress(const std::wstring& base, const std::wstring& page, const std::wstring& parameters) {
  if (base.empty()) return {};
  std::wstring address = base + L"_" + page;
  if (!parameters.empty()) address += L"&p=" + parameters;
  return address;
}

}  // namespace nimbrook
