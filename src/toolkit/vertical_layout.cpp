#include "toolkit/vertical_layout.h"

namespace nimbrook::toolkit {

std::wstring CVerticalLayoutUI::GetClass() const { return L"VerticalLayoutUI"; }

}  // namespace nimbrook::toolkit
