#include "ui/ui_base.h"

#include "toolkit/control.h"
#include "ui/window_rules.h"

namespace nimbrook {

using namespace toolkit;

CUIBase::CUIBase() = default;

bool CUIBase::StandardCreate(CWindowWnd& window, const std::wstring& layoutFile,
                             IDialogBuilderCallback* callback, INotifyUI* notifier, bool changeStyle) {
  if (changeStyle) window.SetStyle(StandardWindowStyle(window.GetStyle()));
  InitPaintManager(window);
  m_layoutFile = layoutFile;
  CDialogBuilder builder;
  CControlUI* root = builder.Create(layoutFile, callback, &m_pm, nullptr);
  m_layoutBuilt = root != nullptr;
  // A layout that cannot be built leaves the window empty; it still answers its keys.
  if (root != nullptr) (void)m_pm.AttachDialog(root);
  if (notifier != nullptr) (void)m_pm.AddNotifier(notifier);
  AfterAttach(window);
  return m_layoutBuilt;
}

bool CUIBase::HandleNonClient(CWindowWnd& window, unsigned msg, uintptr_t wParam, intptr_t lParam,
                              intptr_t& result) {
  switch (msg) {
    case kWmNcHitTest:
      result = HitTest(window, {PointXFromLParam(lParam), PointYFromLParam(lParam)});
      return true;
    case kWmNcActivate:
      result = NcActivateResult(window.IsMinimized(), wParam);
      return true;
    case kWmNcCalcSize:
    case kWmNcPaint:
      result = 0;
      return true;
    default:
      return false;
  }
}

int CUIBase::HitTest(CWindowWnd& window, UiPoint screen) {
  // The layout's caption and size box are logical pixels: the point and the client rectangle are
  // brought to the same scale before they are compared.
  double scale = window.GetDpiScale();
  if (scale <= 0) scale = 1.0;
  const UiPoint device = window.ScreenToClient(screen);
  const UiRect deviceClient = window.GetClientRect();
  const UiPoint pt{static_cast<int>(device.x / scale), static_cast<int>(device.y / scale)};
  const UiRect client{static_cast<int>(deviceClient.left / scale), static_cast<int>(deviceClient.top / scale),
                      static_cast<int>(deviceClient.right / scale),
                      static_cast<int>(deviceClient.bottom / scale)};
  CControlUI* control = m_pm.FindControl(pt);
  const CaptionTarget target =
      CaptionTargetForClass(control ? control->GetClass() : std::wstring(), control != nullptr);
  return CaptionHitTest(pt, client, m_pm.GetSizeBox(), m_pm.GetCaptionRect(), window.IsMaximized(), target);
}

}  // namespace nimbrook
