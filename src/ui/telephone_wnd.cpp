#include "ui/telephone_wnd.h"

#include "toolkit/paint_host.h"
#include "toolkit/paint_manager.h"

namespace nimbrook {

using namespace toolkit;

CTelePhoneWndUI::CTelePhoneWndUI() { m_cursor = UiCursor::Hand; }

void CTelePhoneWndUI::SetChildImage(const wchar_t* attributes) {
  // A layout without the child simply shows no swap.
  if (CControlUI* child = FindSubControl(kTelephoneChild)) (void)child->ApplyAttributeList(attributes);
}

void CTelePhoneWndUI::DoEvent(TEventUI& event) {
  switch (event.Type) {
    case UiEvent::MouseMove:
    case UiEvent::SetCursor:
      if (m_manager && m_manager->GetHost()) m_manager->GetHost()->SetCursor(UiCursor::Hand);
      break;
    case UiEvent::MouseEnter:
      SetChildImage(kTelephoneHotImage);
      break;
    case UiEvent::MouseLeave:
      SetChildImage(kTelephoneImage);
      break;
    case UiEvent::ButtonDown: {
      auto life = GetLifeToken();
      Notify(notify::kClick, event.wParam, event.lParam);
      if (life.expired()) return;   // the handler removed the strip
      break;
    }
    default:
      break;
  }
  CHorizontalLayoutUI::DoEvent(event);
}

}  // namespace nimbrook
