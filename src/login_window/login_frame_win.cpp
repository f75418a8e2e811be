#include "login_window/login_frame.h"

#include <windows.h>

#include "account/login_service.h"
#include "core/languages.h"
#include "core/log.h"
#include "core/system_facts.h"
#include "main_window/nimbrook_frame.h"

namespace nimbrook {

using namespace toolkit;

namespace {
constexpr int kWindowIconId = 16;
}  // namespace

CLoginFrame::CLoginFrame(LoginFrameContext context)
    : context_(std::move(context)), controller_(m_pm, static_cast<LoginWindowHost&>(*this), context_.window) {}

CLoginFrame::~CLoginFrame() = default;

CLoginFrame* CLoginFrame::Open(LoginFrameContext context) {
  auto* frame = new CLoginFrame(std::move(context));
  // The layout gives the size; a failed creation has deleted the frame.
  if (frame->Create(nullptr, Text(L"nimbrookjsq"), kWsPopup | kWsMinimizeBox | kWsSysMenu, kWsExAppWindow) ==
      nullptr) {
    WriteLog(L"登录窗口创建失败");
    return nullptr;
  }
  frame->CenterWindow();
  frame->ShowWindow(true, true);
  ::SetForegroundWindow(static_cast<HWND>(frame->GetHWND()));
  return frame;
}

void CLoginFrame::OnStateChanged(StateSubject* subject) {
  // The login worker waits here until the UI thread has taken the notification.
  (void)SendToWindow(GetHWND(), kMsgLoginState, 0, reinterpret_cast<intptr_t>(subject));
}

intptr_t CLoginFrame::HandleMessage(unsigned msg, uintptr_t wParam, intptr_t lParam) {
  intptr_t result = 0;
  switch (msg) {
    case kWmCreate: {
      SetWindowIconFromResource(GetHWND(), kWindowIconId);
      if (!StandardCreate(*this, kLoginLayout, nullptr, this)) WriteLog(L"登录窗口布局无法加载: LoginFrame.xml");
      for (const auto& name : controller_.Bind()) WriteLog(L"登录窗口缺少控件: " + name);
      return 0;
    }
    case kWmDestroy:
      if (context_.window.login) (void)context_.window.login->Detach(this);
      // Closed by other means than the hand-over (Alt+F4, the system): the program ends with it.
      if (!handedOver_) PostQuitToLoop(0);
      break;
    case kMsgLoginState: {
      auto* subject = reinterpret_cast<StateSubject*>(lParam);
      if (subject == nullptr || !context_.window.login) return 0;
      const int code = subject->Code();
      controller_.OnLoginState(code, code == kLoginSucceededCode ? context_.window.login->Answer() : std::wstring());
      return 0;
    }
    default:
      break;
  }
  if (HandleNonClient(*this, msg, wParam, lParam, result)) return result;
  if (OfferToPaintManager(msg, wParam, lParam, result)) return result;
  return CWindowWnd::HandleMessage(msg, wParam, lParam);
}

void CLoginFrame::Notify(TNotifyUI& msg) { controller_.Notify(msg); }

void CLoginFrame::OnFinalMessage(WindowHandle) { delete this; }

bool CLoginFrame::StartLogin() {
  if (!context_.window.login) return false;
  (void)context_.window.login->Attach(this);
  return context_.window.login->StartLogin();
}

bool CLoginFrame::OpenMainWindow(const std::wstring& answer, const std::wstring& siteAddress) {
  MainWindowContext context;
  context.settings = context_.window.settings;
  context.profile = context_.window.profile;
  context.login = context_.window.login;
  context.loginAnswer = answer;
  context.siteAddress = siteAddress;
  context.windowsMajor = context_.windowsMajor;
  context.delaySeams = DelayPass::SystemSeams();
  CNimbrookFrame* frame = CNimbrookFrame::Open(std::move(context));
  if (frame == nullptr) return false;
  if (context_.mainWindowOpened) context_.mainWindowOpened(*frame);
  frame->ShowAfterLogin();
  handedOver_ = true;
  if (context_.window.login) (void)context_.window.login->Detach(this);
  Close(kIdOk);
  return true;
}

void CLoginFrame::QuitProgram() { PostQuitToLoop(0); }

void CLoginFrame::Minimise() { (void)PostMessage(WM_SYSCOMMAND, SC_MINIMIZE, 0); }

void CLoginFrame::OpenInBrowser(const std::wstring& url) {
  (void)nimbrook::OpenInBrowser(url);
}

void CLoginFrame::LanguageChanged() { SetText(Text(L"nimbrookjsq")); }

}  // namespace nimbrook
