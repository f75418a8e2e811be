// CPopWnd: the notice pop-up: a titled window around an embedded web page of the service (notices,
// reminders, offers). Links that open a new window leave the pop-up: "inline:pay" asks the owner (the
// main window) for its payment page and closes the pop-up; web addresses open in the default browser.
//   auto* pop = new CPopWnd(title, url);
//   pop->ShowOn(mainWindow);                 // modal; the pop-up deletes itself
#pragma once

#include <string>

#include "toolkit/notify.h"
#include "toolkit/web_browser.h"
#include "toolkit/window_wnd.h"
#include "ui/ui_base.h"

namespace nimbrook {

namespace os {
class Shell;
}

// Sent (not posted) to the owner for the "inline:pay" link: the owner shows its payment page.
inline constexpr unsigned kMsgShowPayPage = 0x2252;
inline constexpr wchar_t kInlinePayUrl[] = L"inline:pay";
// The pause between the blank page and the notice (a timer, so the UI thread never waits).
inline constexpr uint32_t kNoticeNavigateDelayMs = 50;
inline constexpr uint32_t kNoticeNavigateTimer = 1;

class CPopWnd : public CUIBase,
                public toolkit::CWindowWnd,
                public toolkit::INotifyUI,
                public toolkit::CWebBrowserEventHandler {
 public:
  // shell opens ordinary links; null means the system's.
  CPopWnd(const std::wstring& title, const std::wstring& url, os::Shell* shell = nullptr);

  // Stores the owner, creates the window on it, centres it and runs it modally; returns the close
  // code (1), or kModalFailed when the window could not be created.
  unsigned ShowOn(toolkit::WindowHandle owner);
  // The first half of ShowOn: stores the owner, creates the window and centres it (null on failure,
  // and then the object is already gone).
  toolkit::WindowHandle CreateOn(toolkit::WindowHandle owner);

  intptr_t HandleMessage(unsigned msg, uintptr_t wParam, intptr_t lParam) override;
  void Notify(toolkit::TNotifyUI& msg) override;

  // Browser events.
  void NewWindow3(const std::wstring& url, bool& cancel) override;
  bool GetHostInfo(uint32_t& cbSize, uint32_t& flags, uint32_t& doubleClick) override;

  toolkit::CWebBrowserUI* GetBrowser() const { return m_browser; }

 protected:
  const wchar_t* GetWindowClassName() const override { return L"PopWnd"; }
  unsigned GetClassStyle() const override { return toolkit::kCsDblClks; }
  void OnFinalMessage(toolkit::WindowHandle hWnd) override;

 private:
  void OnCreate();

  toolkit::WindowHandle m_owner = nullptr;
  std::wstring m_url;
  std::wstring m_title;
  toolkit::CWebBrowserUI* m_browser = nullptr;
  os::Shell* m_shell;
};

// Whether a link from a notice page may be handed to the system to open: only web addresses
// (http, https) and mail links; anything else (files, programs, other schemes) is refused.
bool IsOpenableLink(const std::wstring& url);

}  // namespace nimbrook
