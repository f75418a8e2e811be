// CListContainerElementExUI: a list row that also reports a double click as "itemdbclick" (after the
// usual selection notifications), so windows can act on a row without a separate button.
#pragma once

#include "toolkit/list_elements.h"

namespace nimbrook {

class CListContainerElementExUI : public toolkit::CListContainerElementUI {
 public:
  void DoEvent(toolkit::TEventUI& event) override;
};

}  // namespace nimbrook
