// CTelePhoneWndUI: the customer-service strip of the main window ("telephone" in layouts): a hand
// cursor, its child "jiasu_telephone" swaps to the highlighted image while hovered, and a press
// sends "click" at once (on button-down, before button-up).
#pragma once

#include "toolkit/horizontal_layout.h"

namespace nimbrook {

inline constexpr wchar_t kTelephoneChild[] = L"jiasu_telephone";
inline constexpr wchar_t kTelephoneHotImage[] = L"bkimage=\"file='main_telephone_hor.png'\"";
inline constexpr wchar_t kTelephoneImage[] = L"bkimage=\"file='main_telephone.png'\"";

class CTelePhoneWndUI : public toolkit::CHorizontalLayoutUI {
 public:
  CTelePhoneWndUI();
  void DoEvent(toolkit::TEventUI& event) override;

 private:
  void SetChildImage(const wchar_t* attributes);
};

}  // namespace nimbrook
