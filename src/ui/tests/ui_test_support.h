// Shared set-up of the window tests: the skin's layouts as the resource folder, a language table
// with the texts the windows look up, an owner window that records the notifications it receives,
// and mouse helpers that click controls through a window's paint manager.
#pragma once

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "core/languages.h"
#include "core/text.h"
#include "toolkit/control.h"
#include "toolkit/fake_paint_host.h"
#include "toolkit/paint_manager.h"
#include "toolkit/window_wnd.h"
#include "ui/ui_base.h"

namespace nimbrook::testing_ui {

using namespace toolkit;

inline std::wstring SkinLayoutDir() {
  return text::FromUtf8(NIMBROOK_SOURCE_DIR) + L"/skin/layouts";
}

// Layouts from the source tree; a small English table with a marker on every text so that a test
// can tell a looked-up text from the id itself.
inline void UseSkinAndTexts() {
  (void)CPaintManagerUI::SetResourceZip(L"");
  ASSERT_TRUE(CPaintManagerUI::SetResourcePath(SkinLayoutDir()));
  ProcessLanguages().Assign({{L"msg_title", L"T:msg_title"},
                             {L"ok", L"T:ok"},
                             {L"cancel", L"T:cancel"},
                             {L"update_tip", L"T:update_tip"},
                             {L"update_now", L"T:update_now"},
                             {L"setting", L"T:setting"},
                             {L"home", L"T:home"},
                             {L"help", L"T:help"},
                             {L"navigater", L"T:navigater"},
                             {L"about", L"T:about"},
                             {L"route_ipscope", L"T:route_ipscope"},
                             {L"route_global", L"T:route_global"},
                             {L"PPTP", L"T:PPTP"},
                             {L"L2TP", L"T:L2TP"},
                             {L"OVPN-UDP", L"T:OVPN-UDP"},
                             {L"AUTO", L"T:AUTO"}});
}

inline UiPoint CenterOf(const CControlUI* control) {
  const UiRect& r = control->GetPos();
  return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

// A full click (down and up) on the named control, laid out first.
inline void Click(CPaintManagerUI& pm, const std::wstring& name) {
  pm.DoLayout();
  CControlUI* control = pm.FindControl(name);
  ASSERT_NE(control, nullptr) << text::ToUtf8(name);
  const UiPoint pt = CenterOf(control);
  pm.OnMouseMove(pt);
  pm.OnButtonDown(pt);
  pm.OnButtonUp(pt);
}

// The main-window side of the drop-downs: a window with a layout whose controls own the pop-ups,
// recording every notification it gets.
class OwnerWindow : public CUIBase, public CWindowWnd, public INotifyUI {
 public:
  struct Seen {
    std::wstring type;
    CControlUI* sender;
  };

  explicit OwnerWindow(std::wstring layout = L"okcancel.xml") : m_layout(std::move(layout)) {}

  intptr_t HandleMessage(unsigned msg, uintptr_t wParam, intptr_t lParam) override {
    if (msg == kWmCreate) {
      (void)StandardCreate(*this, m_layout, nullptr, this);
      return 0;
    }
    if (msg >= kWmUser && msg < kWmApp) messages.push_back(msg);
    intptr_t result = 0;
    if (OfferToPaintManager(msg, wParam, lParam, result)) return result;
    return CWindowWnd::HandleMessage(msg, wParam, lParam);
  }
  void Notify(TNotifyUI& msg) override { seen.push_back({msg.sType, msg.pSender}); }

  std::vector<Seen> seen;
  std::vector<unsigned> messages;

 protected:
  const wchar_t* GetWindowClassName() const override { return L"TestOwnerWnd"; }
  void OnFinalMessage(WindowHandle) override { delete this; }

 private:
  std::wstring m_layout;
};

inline FakePaintHost* HostOf(CPaintManagerUI& pm) { return static_cast<FakePaintHost*>(pm.GetHost()); }

}  // namespace nimbrook::testing_ui
