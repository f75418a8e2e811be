#include "toolkit/horizontal_layout.h"

namespace nimbrook::toolkit {

std::wstring CHorizontalLayoutUI::GetClass() const { return L"HorizontalLayoutUI"; }

}  // namespace nimbrook::toolkit
