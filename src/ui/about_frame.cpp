#include "ui/about_frame.h"

#include "core/languages.h"
#include "core/log.h"
#include "os/system_actions.h"
#include "toolkit/control.h"

namespace nimbrook {

using namespace toolkit;

void FillAboutTexts(CPaintManagerUI& pm, const std::wstring& version) {
  for (const wchar_t* id : kAboutTextIds) {
    if (CControlUI* control = pm.FindControl(id)) control->SetText(Text(id));
  }
  if (CControlUI* line = pm.FindControl(L"about_version")) {
    line->SetText(version.empty() ? std::wstring() : Text(L"about_version") + L" " + version);
    line->SetVisible(!version.empty());
  }
}

CAboutFrame::CAboutFrame(std::wstring version) : m_version(std::move(version)) {}

unsigned CAboutFrame::Show(WindowHandle parent) {
  auto* frame = new CAboutFrame(os::ExecutableVersion());
  // The window carries the title as its name for the taskbar and tools; it draws its own.
  // A failed creation already delivered the final message, which deleted the frame.
  if (frame->Create(parent, Text(L"about_title"), kWsPopup, kWsExToolWindow) == nullptr) {
    WriteLog(L"关于窗口创建失败");
    return kIdOk;
  }
  frame->CenterWindow();
  (void)frame->ShowModal();
  return kIdOk;
}

intptr_t CAboutFrame::HandleMessage(unsigned msg, uintptr_t wParam, intptr_t lParam) {
  intptr_t result = 0;
  switch (msg) {
    case kWmCreate:
      if (!StandardCreate(*this, kAboutLayout, nullptr, this)) WriteLog(L"关于窗口布局无法加载: about.xml");
      return 0;
    case kWmKeyDown:
      if (wParam == kVkEscape) {
        Close(kIdOk);
        return 0;
      }
      break;
    default:
      break;
  }
  if (HandleNonClient(*this, msg, wParam, lParam, result)) return result;
  if (OfferToPaintManager(msg, wParam, lParam, result)) return result;
  return CWindowWnd::HandleMessage(msg, wParam, lParam);
}

void CAboutFrame::Notify(TNotifyUI& msg) {
  if (msg.sType == notify::kWindowInit) {
    FillAboutTexts(m_pm, m_version);
  } else if (msg.sType == notify::kClick && msg.pSender != nullptr && msg.pSender->GetName() == L"closebtn") {
    Close(kIdOk);
  }
}

void CAboutFrame::OnFinalMessage(WindowHandle) { delete this; }

}  // namespace nimbrook
