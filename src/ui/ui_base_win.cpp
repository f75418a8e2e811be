// Windows side of CUIBase: the paint manager runs on the window's HWND.
#include <windows.h>

#include "ui/ui_base.h"

namespace nimbrook {

using namespace toolkit;

CUIBase::~CUIBase() = default;

void CUIBase::InitPaintManager(CWindowWnd& window) { m_pm.Init(window.GetHWND()); }

// The toolkit host sizes a default-sized window from the layout itself.
void CUIBase::AfterAttach(CWindowWnd& window) {}

bool CUIBase::OfferToPaintManager(unsigned msg, uintptr_t wParam, intptr_t lParam, intptr_t& result) {
  return m_pm.MessageHandler(msg, wParam, lParam, result);
}

intptr_t SendToWindow(WindowHandle window, unsigned msg, uintptr_t wParam, intptr_t lParam) {
  HWND hwnd = static_cast<HWND>(window);
  if (hwnd == nullptr || !::IsWindow(hwnd)) return 0;
  return ::SendMessageW(hwnd, msg, static_cast<WPARAM>(wParam), static_cast<LPARAM>(lParam));
}

WindowHandle PaintWindowOf(const CPaintManagerUI* manager) {
  return manager ? manager->GetPaintWindow() : nullptr;
}

bool IsLiveWindow(WindowHandle window) {
  return window != nullptr && ::IsWindow(static_cast<HWND>(window)) != FALSE;
}

}  // namespace nimbrook
