#include "toolkit/text_control.h"

namespace nimbrook::toolkit {

CTextUI::CTextUI() { m_textStyle.multiline = true; }

std::wstring CTextUI::GetClass() const { return L"TextUI"; }

void CTextUI::DoEvent(TEventUI& event) { CLabelUI::DoEvent(event); }

}  // namespace nimbrook::toolkit
