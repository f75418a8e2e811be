#include "settings_window/setting_frame.h"

#include <thread>

#include "core/languages.h"
#include "core/log.h"
#include "openvpn/tap_adapter.h"
#include "ui/pop_box.h"

namespace nimbrook {

using namespace toolkit;

CSettingFrame::CSettingFrame(SettingContext context, std::function<void()> onLanguageChanged)
    : controller_(m_pm, static_cast<SettingHost&>(*this), std::move(context)),
      onLanguageChanged_(std::move(onLanguageChanged)) {}

unsigned CSettingFrame::Show(WindowHandle parent, SettingContext context, std::function<void()> onLanguageChanged) {
  auto* frame = new CSettingFrame(std::move(context), std::move(onLanguageChanged));
  // The window carries the title as its name: the taskbar and tools show it, the window draws its own.
  // A failed creation already delivered the final message, which deleted the frame.
  if (frame->Create(parent, Text(L"advanced_title"), kWsPopup, kWsExToolWindow) == nullptr) {
    WriteLog(L"设置窗口创建失败");
    return kIdCancel;
  }
  frame->CenterWindow();
  return frame->ShowModal();
}

intptr_t CSettingFrame::HandleMessage(unsigned msg, uintptr_t wParam, intptr_t lParam) {
  intptr_t result = 0;
  switch (msg) {
    case kWmCreate:
      if (!StandardCreate(*this, kSettingLayout, nullptr, this)) WriteLog(L"设置窗口布局无法加载: setting.xml");
      (void)controller_.Bind();
      return 0;
    case kWmKeyDown:
      if (wParam == kVkEscape) {
        controller_.StopTimer();
        Close(kIdCancel);
        return 0;
      }
      break;
    case kMsgSettingStatus:
      if (lParam != 0) controller_.ShowStatus(*reinterpret_cast<const std::wstring*>(lParam));
      return 0;
    default:
      break;
  }
  if (HandleNonClient(*this, msg, wParam, lParam, result)) return result;
  if (OfferToPaintManager(msg, wParam, lParam, result)) return result;
  return CWindowWnd::HandleMessage(msg, wParam, lParam);
}

void CSettingFrame::Notify(TNotifyUI& msg) { controller_.Notify(msg); }

void CSettingFrame::OnFinalMessage(WindowHandle) { delete this; }

unsigned CSettingFrame::ShowBox(const std::wstring& kind, const std::wstring& text) {
  return CPopBox::Show(GetHWND(), kind, text);
}

void CSettingFrame::ShowPlainMessage(const std::wstring& text) { ShowSystemMessage(text); }

void CSettingFrame::StartDriverRemoval() {
  // The worker knows the window by its handle only: once the window is gone its reports find no
  // window and are dropped.
  const WindowHandle window = GetHWND();
  try {
    std::thread([window] {
      (void)RemoveTapDriver([window](const std::wstring& id) {
        (void)SendToWindow(window, kMsgSettingStatus, 0, reinterpret_cast<intptr_t>(&id));
      });
    }).detach();
  } catch (const std::system_error&) {
    WriteLog(L"卸载虚拟网卡的线程无法启动");
  }
}

void CSettingFrame::LanguageChanged() {
  if (onLanguageChanged_) onLanguageChanged_();
}

void CSettingFrame::CloseWindow(unsigned code) { Close(code); }

}  // namespace nimbrook
