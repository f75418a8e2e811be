// CVerticalLayoutUI: stacks its children top to bottom. Fixed heights are taken as given (within
// min/max); the height that is left is shared evenly by the children without a fixed height.
#pragma once

#include "toolkit/container.h"

namespace nimbrook::toolkit {

class CVerticalLayoutUI : public CContainerUI {
 public:
  std::wstring GetClass() const override;
  UiSize EstimateSize(UiSize available) override;

 protected:
  void LayoutChildren(const UiRect& inner) override;
};

}  // namespace nimbrook::toolkit
