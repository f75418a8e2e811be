#include "toolkit/check_box.h"

namespace nimbrook::toolkit {

std::wstring CCheckBoxUI::GetClass() const { return L"CheckBoxUI"; }

}  // namespace nimbrook::toolkit
