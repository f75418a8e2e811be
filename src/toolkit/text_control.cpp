#include "toolkit/text_control.h"

namespace nimbrook::toolkit {

CTextUI::CTextUI() { m_textStyle.multiline = true; }

std::wstring CTextUI::GetClass() const { return L"TextUI"; }

void CTextUI::DoEvent(TEventUI& event) {
  // A click on running text is worth telling the window about (links in notices and hints).
  if (event.Type == UiEvent::ButtonUp && IsEnabled() && m_pos.Contains(event.ptMouse)) {
    Notify(notify::kLink, event.wParam, event.lParam);
    return;
  }
  CLabelUI::DoEvent(event);
}

}  // namespace nimbrook::toolkit
