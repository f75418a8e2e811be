// CLinearLayoutUI: the row and column layouts' shared placement. Children follow one another along
// one axis; fixed extents are taken as given (within min/max) and what is left along the axis is
// shared evenly by the children without a fixed extent. CHorizontalLayoutUI and CVerticalLayoutUI
// only choose the axis.
#pragma once

#include "toolkit/container.h"

namespace nimbrook::toolkit {

class CLinearLayoutUI : public CContainerUI {
 public:
  enum class Axis { Horizontal, Vertical };

 protected:
  explicit CLinearLayoutUI(Axis axis) : m_axis(axis) {}
  void LayoutChildren(const UiRect& inner) override;

 private:
  Axis m_axis;
};

}  // namespace nimbrook::toolkit
