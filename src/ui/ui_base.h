// CUIBase: the base of every client window. It owns the window's paint manager and holds what all
// windows share: the standard creation (borderless style, paint manager on the window, layout built
// and attached, the window as notifier), the non-client handling of a borderless window (caption and
// size-box hit test, no non-client area) and the hand-over of other messages to the paint manager.
// Window classes derive from CUIBase, CWindowWnd and INotifyUI, in that order.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "toolkit/dialog_builder.h"
#include "toolkit/notify.h"
#include "toolkit/paint_host.h"
#include "toolkit/paint_manager.h"
#include "toolkit/window_wnd.h"
#include "tunnel/state_subject.h"

namespace nimbrook {

class CUIBase : public StateObserver {
 public:
  CUIBase();
  ~CUIBase() override;

  // Windows that follow the connection state (login, main window) override this.
  void OnStateChanged(StateSubject* subject) override {}

  toolkit::CPaintManagerUI& GetPaintManager() { return m_pm; }

 protected:
  // The standard creation on WM_CREATE. changeStyle false keeps the window style as created (menus
  // and pickers). Returns whether the layout was built; a window whose layout fails stays empty.
  bool StandardCreate(toolkit::CWindowWnd& window, const std::wstring& layoutFile,
                      toolkit::IDialogBuilderCallback* callback, toolkit::INotifyUI* notifier,
                      bool changeStyle = true);

  // The non-client messages of a borderless window (WM_NCHITTEST, WM_NCACTIVATE, WM_NCCALCSIZE,
  // WM_NCPAINT). True when the message was one of them; result is then its answer.
  bool HandleNonClient(toolkit::CWindowWnd& window, unsigned msg, uintptr_t wParam, intptr_t lParam,
                       intptr_t& result);
  // WM_NCHITTEST for a screen point (device pixels).
  int HitTest(toolkit::CWindowWnd& window, toolkit::UiPoint screen);

  // Offers the message to the paint manager; true when it handled it (result is then its answer).
  bool OfferToPaintManager(unsigned msg, uintptr_t wParam, intptr_t lParam, intptr_t& result);

  // The layout file last built by StandardCreate, and whether that build succeeded.
  const std::wstring& LayoutFile() const { return m_layoutFile; }
  bool LayoutBuilt() const { return m_layoutBuilt; }

  // Declared before the paint manager: the manager talks to its host until it is destroyed.
  std::unique_ptr<toolkit::PaintHost> m_ownHost;
  toolkit::CPaintManagerUI m_pm;

 private:
  // Puts the paint manager on the window (Windows: CPaintManagerUI::Init; natively a fake host).
  void InitPaintManager(toolkit::CWindowWnd& window);
  // After the layout is attached (natively: the window takes the layout's size).
  void AfterAttach(toolkit::CWindowWnd& window);

  std::wstring m_layoutFile;
  bool m_layoutBuilt = false;
};

// Sends a message to another window (the owner of a pop-up) and waits for its answer; 0 when the
// handle is not a window.
intptr_t SendToWindow(toolkit::WindowHandle window, unsigned msg, uintptr_t wParam, intptr_t lParam);
bool IsLiveWindow(toolkit::WindowHandle window);
// The window a paint manager paints (null when it is on none).
toolkit::WindowHandle PaintWindowOf(const toolkit::CPaintManagerUI* manager);

}  // namespace nimbrook
