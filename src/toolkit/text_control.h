// CTextUI: a label for running text ("TextUI"); it wraps by default. Windows whose hit test lists
// "TextUI" keep such text clickable inside their caption area.
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
