#include "update_window/auto_updater.h"

#include <windows.h>
#include <shellapi.h>

#include <chrono>
#include <thread>

#include "core/identity.h"
#include "core/languages.h"
#include "core/log.h"
#include "os/small_thread.h"
#include "ui/pop_box.h"
#include "update/update_check.h"

namespace nimbrook {

using namespace toolkit;

namespace {
constexpr int kWindowIconId = 16;
constexpr size_t kAnimationStack = 64 * 1024;

void SetIconFromResource(HWND window, int resourceId) {
  HINSTANCE instance = ::GetModuleHandleW(nullptr);
  for (const auto& [which, size] : {std::pair{ICON_BIG, SM_CXICON}, std::pair{ICON_SMALL, SM_CXSMICON}}) {
    const int pixels = ::GetSystemMetrics(size);
    auto* icon = static_cast<HICON>(
        ::LoadImageW(instance, MAKEINTRESOURCEW(resourceId), IMAGE_ICON, pixels, pixels, LR_SHARED));
    // Without the icon resource the class icon stays.
    if (icon != nullptr) ::SendMessageW(window, WM_SETICON, which, reinterpret_cast<LPARAM>(icon));
  }
}
}  // namespace

CAutoUpdater::CAutoUpdater(std::shared_ptr<UpdateCheck> check, OpenLogin openLogin)
    : check_(std::move(check)),
      openLogin_(std::move(openLogin)),
      controller_(m_pm, static_cast<UpdateWindowHost&>(*this), check_, animation_) {}

CAutoUpdater::~CAutoUpdater() { animation_->stop = true; }

CAutoUpdater* CAutoUpdater::Open(std::shared_ptr<UpdateCheck> check, OpenLogin openLogin) {
  auto* window = new CAutoUpdater(std::move(check), std::move(openLogin));
  if (window->Create(nullptr, Text(L"nimbrookjsq"), kWsPopup | kWsMinimizeBox | kWsSysMenu, kWsExAppWindow) ==
      nullptr) {
    WriteLog(L"更新窗口创建失败");
    return nullptr;
  }
  window->CenterWindow();
  window->ShowWindow(true, true);
  return window;
}

intptr_t CAutoUpdater::HandleMessage(unsigned msg, uintptr_t wParam, intptr_t lParam) {
  intptr_t result = 0;
  switch (msg) {
    case kWmCreate:
      SetIconFromResource(static_cast<HWND>(GetHWND()), kWindowIconId);
      if (!StandardCreate(*this, kUpdateLayout, nullptr, this)) WriteLog(L"更新窗口布局无法加载: update.xml");
      for (const auto& name : controller_.Bind()) WriteLog(L"更新窗口缺少控件: " + name);
      return 0;
    case kWmTimer:
      if (wParam == kUpdatePollTimerId) {
        controller_.OnPoll();
        return 0;
      }
      break;
    case kMsgAnimationFrame:
      controller_.ShowFrame();
      return 0;
    case kWmDestroy:
      animation_->stop = true;
      ::KillTimer(static_cast<HWND>(GetHWND()), kUpdatePollTimerId);
      // Closed before the check decided (Alt+F4): nothing is left open, so the program ends.
      if (!handedOver_) ::PostQuitMessage(0);
      break;
    default:
      break;
  }
  if (HandleNonClient(*this, msg, wParam, lParam, result)) return result;
  if (OfferToPaintManager(msg, wParam, lParam, result)) return result;
  return CWindowWnd::HandleMessage(msg, wParam, lParam);
}

void CAutoUpdater::Notify(TNotifyUI& msg) {
  if (msg.sType == notify::kWindowInit) OnWindowInit();
}

void CAutoUpdater::OnWindowInit() {
  if (!StartIdentityCollector()) WriteLog(L"机器信息线程无法启动");
  ::SetTimer(static_cast<HWND>(GetHWND()), kUpdatePollTimerId, kUpdatePollMs, nullptr);
  controller_.OnWindowInit();
  StartAnimation();
  // A check that cannot start reports state 3, so the timer still moves on to the login window.
  if (!UpdateCheck::StartCheckThread(check_)) WriteLog(L"更新检查线程无法启动");
}

void CAutoUpdater::StartAnimation() {
  std::shared_ptr<UpdateAnimation> animation = animation_;
  HWND window = static_cast<HWND>(GetHWND());
  const bool started = os::StartDetachedThread(
      [animation, window] {
        RunAnimation(
            *animation,
            [window] {
              if (!::IsWindow(window)) return false;
              (void)::SendMessageW(window, kMsgAnimationFrame, 0, 0);
              return true;
            },
            [] { std::this_thread::sleep_for(std::chrono::milliseconds(kAnimationStepMs)); });
      },
      kAnimationStack);
  if (!started) controller_.ShowFrame();
}

void CAutoUpdater::OnFinalMessage(WindowHandle) { delete this; }

void CAutoUpdater::StopPolling() { ::KillTimer(static_cast<HWND>(GetHWND()), kUpdatePollTimerId); }

bool CAutoUpdater::AskToUpdate() { return CPopBox::Show(GetHWND(), kPopBoxUpdateNow, Text(L"msg_need_update")) == kIdOk; }

bool CAutoUpdater::StartUpdater(const std::wstring& path, const std::wstring& language) {
  const auto code = reinterpret_cast<INT_PTR>(
      ::ShellExecuteW(static_cast<HWND>(GetHWND()), L"open", path.c_str(), language.c_str(), nullptr, SW_SHOWNORMAL));
  return code > 32;
}

void CAutoUpdater::QuitProgram() {
  handedOver_ = true;
  ::PostQuitMessage(0);
}

void CAutoUpdater::OpenLoginWindow(const std::wstring& noticeId) {
  handedOver_ = true;
  // The login window first, then this one goes (posted: the timer's handler is still running).
  if (openLogin_) openLogin_(noticeId);
  Close(kIdOk);
}

}  // namespace nimbrook
