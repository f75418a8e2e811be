// CHorizontalLayoutUI: places its children left to right. Fixed widths are taken as given (within
// min/max); the width that is left is shared evenly by the children without a fixed width.
#pragma once

#include "toolkit/linear_layout.h"

namespace nimbrook::toolkit {

class CHorizontalLayoutUI : public CLinearLayoutUI {
 public:
  CHorizontalLayoutUI() : CLinearLayoutUI(Axis::Horizontal) {}
  std::wstring GetClass() const override;
};

}  // namespace nimbrook::toolkit
