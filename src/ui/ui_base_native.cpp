// Native side of CUIBase, for tests: the paint manager gets an in-memory host sized like the headless
// window, and the mouse, key and wake-up messages posted to the window reach it as they would on
// Windows.
#include "toolkit/fake_paint_host.h"
#include "ui/ui_base.h"

#include <map>

namespace nimbrook {

using namespace toolkit;

namespace {
// Which headless window each paint manager paints (CPaintManagerUI keeps no handle natively).
std::map<const CPaintManagerUI*, WindowHandle>& PaintWindows() {
  static std::map<const CPaintManagerUI*, WindowHandle> windows;
  return windows;
}
}  // namespace

CUIBase::~CUIBase() { PaintWindows().erase(&m_pm); }

WindowHandle PaintWindowOf(const CPaintManagerUI* manager) {
  auto it = PaintWindows().find(manager);
  return it == PaintWindows().end() ? nullptr : it->second;
}

void CUIBase::InitPaintManager(CWindowWnd& window) {
  PaintWindows()[&m_pm] = window.GetHWND();
  auto host = std::make_unique<FakePaintHost>();
  host->dpiScale = window.GetDpiScale();
  m_pm.SetHost(host.get());
  m_ownHost = std::move(host);
  // The headless modal loop delivers the queued notifications when it has nothing else to run.
  window.SetHeadlessIdleWork([this]() {
    if (m_pm.PendingNotifications() == 0) return false;
    m_pm.DeliverAsyncNotifications();
    return true;
  });
}

namespace {

// The client size in logical pixels of a headless window.
UiSize LogicalClientSize(CWindowWnd& window) {
  const double scale = window.GetDpiScale() > 0 ? window.GetDpiScale() : 1.0;
  const UiRect rect = window.GetClientRect();
  return {static_cast<int>(rect.Width() / scale), static_cast<int>(rect.Height() / scale)};
}

}  // namespace

void CUIBase::AfterAttach(CWindowWnd& window) {
  // As the Windows host does: a window created without a size takes its layout's size.
  const UiRect rect = window.GetClientRect();
  const UiSize init = m_pm.GetInitSize();
  if ((rect.Width() <= 0 || rect.Height() <= 0) && init.cx > 0 && init.cy > 0) {
    const double scale = window.GetDpiScale() > 0 ? window.GetDpiScale() : 1.0;
    window.ResizeClient(static_cast<int>(init.cx * scale), static_cast<int>(init.cy * scale));
  }
  const UiSize size = LogicalClientSize(window);
  static_cast<FakePaintHost*>(m_ownHost.get())->clientSize = size;
  m_pm.OnClientResize(size);
}

bool CUIBase::OfferToPaintManager(unsigned msg, uintptr_t wParam, intptr_t lParam, intptr_t& result) {
  const UiPoint pt{PointXFromLParam(lParam), PointYFromLParam(lParam)};
  result = 0;
  switch (msg) {
    case kWmMouseMove:
      m_pm.OnMouseMove(pt, static_cast<unsigned>(wParam));
      return true;
    case kWmLButtonDown:
      m_pm.OnButtonDown(pt, static_cast<unsigned>(wParam));
      return true;
    case kWmLButtonUp:
      m_pm.OnButtonUp(pt, static_cast<unsigned>(wParam));
      return true;
    case kWmLButtonDblClk:
      m_pm.OnDoubleClick(pt, static_cast<unsigned>(wParam));
      return true;
    case kWmMouseLeave:
      m_pm.OnMouseLeave();
      return true;
    case kWmKeyDown:
      return m_pm.OnKeyDown(static_cast<unsigned>(wParam));
    case kWmChar:
      return m_pm.OnChar(static_cast<wchar_t>(wParam));
    case kWmSize:
      if (m_ownHost) {
        const UiSize size{PointXFromLParam(lParam), PointYFromLParam(lParam)};
        static_cast<FakePaintHost*>(m_ownHost.get())->clientSize = size;
        m_pm.OnClientResize(size);
      }
      return false;   // the window's own handling goes on
    case kWmAsyncNotify:
      m_pm.DeliverAsyncNotifications();
      return true;
    default:
      return false;
  }
}

intptr_t SendToWindow(WindowHandle window, unsigned msg, uintptr_t wParam, intptr_t lParam) {
  CWindowWnd* target = CWindowWnd::FromHandle(window);
  return target ? target->SendMessage(msg, wParam, lParam) : 0;
}

bool IsLiveWindow(WindowHandle window) { return CWindowWnd::FromHandle(window) != nullptr; }

}  // namespace nimbrook
