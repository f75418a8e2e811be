#include "ui/button_ex.h"

#include "toolkit/paint_host.h"
#include "toolkit/paint_manager.h"

namespace nimbrook {

using namespace toolkit;

void CButtonExUI::DoEvent(TEventUI& event) {
  if (event.Type == UiEvent::SetCursor && IsMouseEnabled()) {
    if (m_manager && m_manager->GetHost()) m_manager->GetHost()->SetCursor(UiCursor::Arrow);
    return;
  }
  CButtonUI::DoEvent(event);
}

}  // namespace nimbrook
