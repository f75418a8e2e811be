// CHorizontalLayoutUI: places its children left to right. Fixed widths are taken as given (within
// min/max); the width that is left is shared evenly by the children without a fixed width.
#pragma once

#include "toolkit/container.h"

namespace nimbrook::toolkit {

class CHorizontalLayoutUI : public CContainerUI {
 public:
  std::wstring GetClass() const override;
  UiSize EstimateSize(UiSize available) override;

 protected:
  void LayoutChildren(const UiRect& inner) override;
};

}  // namespace nimbrook::toolkit
