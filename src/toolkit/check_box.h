// CCheckBoxUI: an option without a group; each click toggles it.
#pragma once

#include "toolkit/option.h"

namespace nimbrook::toolkit {

class CCheckBoxUI : public COptionUI {
 public:
  std::wstring GetClass() const override;
  bool GetCheck() const { return IsSelected(); }
  void SetCheck(bool check, bool notify = true) { Selected(check, notify); }
};

}  // namespace nimbrook::toolkit
