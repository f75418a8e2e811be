// The one pop-up a new main window may show: the service's current notice (the descriptor's NOTIFY
// section), else an upgrade reminder for free accounts, else an expiry reminder for paid accounts
// whose subscription ends within three days. A mark per kind remembers what was last shown, so each
// appears at most once a day (or once at all, for notices that say so).
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace nimbrook {

namespace os {
class ProfileFiles;
}

enum class NoticeKind { Ads, Free, Vip };

// The NOTIFY section of "version.ini".
struct NoticeSection {
  std::wstring display;    // active only when exactly "1"
  std::wstring key;        // the notice's identifier and page name
  std::wstring frequency;  // "day", "once"; anything else: never
  std::wstring title;      // an empty title shows nothing
};
NoticeSection ReadNoticeSection(os::ProfileFiles& profile, const std::wstring& versionIni);

struct NoticeInputs {
  NoticeSection notice;
  std::wstring accountType;  // srvtype of the login answer: "free", "vip", ...
  std::wstring expiration;   // "Y-M-D" or "Y-M-D h" (and longer)
  std::string user;          // the stored user name (system code page)
  std::string adsMark, freeMark, vipMark;  // the remembered marks of the settings
  std::string today;         // "%Y-%m-%d"
  int64_t now = 0;           // seconds since 1970
};

struct NoticeChoice {
  NoticeKind kind = NoticeKind::Ads;
  std::wstring title;
  std::wstring page;  // the page name after the notice base and "_"
  std::string mark;   // stored into the kind's remembered value once the pop-up has closed
};

struct NoticeDecision {
  std::optional<NoticeChoice> show;  // nothing to show when empty
  bool expiringSoon = false;         // the connect flow's expiry check is armed
};

// "day": the marks differ. "once": the marks differ in anything but their date (a new user or a new
// notice key); the date is the part after the last "_". Any other frequency: never.
bool ShouldShow(const std::wstring& frequency, const std::string& remembered, const std::string& current);

NoticeDecision ChooseNotice(const NoticeInputs& in);

// The pop-up's address: base + "_" + page, then "&p=" + parameters when there are any; empty without
// a base.
std::wstring NoticeAddress(const std::wstring& base, const std::wstring& page, const std::wstring& parameters);

}  // namespace nimbrook
