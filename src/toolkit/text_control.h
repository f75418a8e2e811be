// CTextUI: a label for running text ("TextUI"): wraps by default. Window hit tests treat it as client
// area, so text in a caption area can be selected and clicked rather than dragging the window.
#pragma once

#include "toolkit/label.h"

namespace nimbrook::toolkit {

class CTextUI : public CLabelUI {
 public:
  CTextUI();
  std::wstring GetClass() const override;
  void DoEvent(TEventUI& event) override;
};

}  // namespace nimbrook::toolkit
