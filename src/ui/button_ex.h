// Custom controls the client's layouts name through CDialogBuilderCallbackEx (dialog_builder_callback_ex.h).
// CButtonExUI is a button that keeps the arrow cursor: used where a hand would suggest a link.
#pragma once

#include "toolkit/button.h"

namespace nimbrook {

class CButtonExUI : public toolkit::CButtonUI {
 public:
  // Reports "ButtonUI" like its base, so the caption hit test treats it as a button.
  void DoEvent(toolkit::TEventUI& event) override;
};

}  // namespace nimbrook
