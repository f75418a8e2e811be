// CVerticalLayoutUI: stacks its children top to bottom. Fixed heights are taken as given (within
// min/max); the height that is left is shared evenly by the children without a fixed height.
#pragma once

#include "toolkit/linear_layout.h"

namespace nimbrook::toolkit {

class CVerticalLayoutUI : public CLinearLayoutUI {
 public:
  CVerticalLayoutUI() : CLinearLayoutUI(Axis::Vertical) {}
  std::wstring GetClass() const override;
};

}  // namespace nimbrook::toolkit
