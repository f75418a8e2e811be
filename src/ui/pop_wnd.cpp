#include "ui/pop_wnd.h"

#include <cwctype>

#include "core/log.h"
#include "os/shell.h"
#include "toolkit/control.h"

namespace nimbrook {

using namespace toolkit;

namespace {

bool StartsWithNoCase(const std::wstring& text, const wchar_t* prefix) {
  size_t i = 0;
  for (; prefix[i] != 0; ++i) {
    if (i >= text.size() || std::towlower(text[i]) != std::towlower(prefix[i])) return false;
  }
  return true;
}

}  // namespace

bool IsOpenableLink(const std::wstring& url) {
  if (url.find_first_of(L"\r\n\t\"") != std::wstring::npos) return false;
  // A scheme and at least one more character after "//" (or after "mailto:").
  if (StartsWithNoCase(url, L"http://")) return url.size() > 7;
  if (StartsWithNoCase(url, L"https://")) return url.size() > 8;
  if (StartsWithNoCase(url, L"mailto:")) return url.size() > 7;
  return false;
}

CPopWnd::CPopWnd(const std::wstring& title, const std::wstring& url, os::Shell* shell)
    : m_url(url), m_title(title), m_shell(shell ? shell : &os::SystemShell()) {}

WindowHandle CPopWnd::CreateOn(WindowHandle owner) {
  m_owner = owner;
  WindowHandle handle = Create(owner, L"", kWsPopup, kWsExToolWindow);
  if (handle != nullptr) CenterWindow();
  return handle;
}

unsigned CPopWnd::ShowOn(WindowHandle owner) {
  if (CreateOn(owner) == nullptr) return kModalFailed;
  return ShowModal();
}

void CPopWnd::OnCreate() {
  (void)StandardCreate(*this, L"notify.xml", nullptr, this);
  m_browser = dynamic_cast<CWebBrowserUI*>(m_pm.FindControl(L"notifyweb"));
  if (m_browser != nullptr) m_browser->SetWebBrowserEventHandler(this);
  if (CControlUI* title = m_pm.FindControl(L"title")) title->SetText(m_title);
}

intptr_t CPopWnd::HandleMessage(unsigned msg, uintptr_t wParam, intptr_t lParam) {
  intptr_t result = 0;
  if (msg == kWmCreate) {
    OnCreate();
    return 0;
  }
  if (HandleNonClient(*this, msg, wParam, lParam, result)) return result;
  if (OfferToPaintManager(msg, wParam, lParam, result)) return result;
  return CWindowWnd::HandleMessage(msg, wParam, lParam);
}

void CPopWnd::Notify(TNotifyUI& msg) {
  if (msg.sType == notify::kWindowInit) {
    if (m_browser == nullptr) return;
    // A blank page first, then the notice a moment later; the pause runs on a timer.
    (void)m_browser->Navigate(L"about:blank");
    if (!m_pm.SetTimer(m_browser, kNoticeNavigateTimer, kNoticeNavigateDelayMs)) (void)m_browser->Navigate(m_url);
    return;
  }
  if (msg.sType == notify::kTimer && msg.pSender == m_browser && m_browser != nullptr &&
      msg.wParam == kNoticeNavigateTimer) {
    (void)m_pm.KillTimer(m_browser, kNoticeNavigateTimer);
    (void)m_browser->Navigate(m_url);
    return;
  }
  if (msg.sType == notify::kClick && msg.pSender != nullptr && msg.pSender->GetName() == L"closebtn") {
    Close(kIdOk);
  }
}

void CPopWnd::NewWindow3(const std::wstring& url, bool& cancel) {
  // The browser never opens a window of its own.
  cancel = true;
  if (url == kInlinePayUrl) {
    (void)SendToWindow(m_owner, kMsgShowPayPage, 0, 0);
    Close(kIdOk);
    return;
  }
  if (!IsOpenableLink(url)) {
    WriteLog(L"公告页面请求打开的地址不是网页地址,已忽略: " + url);
    return;
  }
  if (!m_shell->OpenWithDefaultProgram(url)) WriteLog(L"无法用默认浏览器打开: " + url);
}

bool CPopWnd::GetHostInfo(uint32_t& cbSize, uint32_t& flags, uint32_t& doubleClick) {
  cbSize = 20;
  flags = 14;       // no help menu, no 3-D border, no scroll bars
  doubleClick = 0;  // default double-click behaviour
  return true;
}

void CPopWnd::OnFinalMessage(WindowHandle hWnd) { delete this; }

}  // namespace nimbrook
