// CMenuWnd: the main window's menu (layout "menu.xml"): five items whose picks reach the main window
// as "menu_Setting", "menu_Home", "menu_Help", "menu_Navigater" and "menu_About". Shown at the mouse
// point and kept inside the work area of its monitor.
#pragma once

#include "ui/drop_down_wnd.h"

namespace nimbrook {

class CMenuWnd : public CDropDownWnd {
 public:
  CMenuWnd();
  static bool Popup(toolkit::CControlUI* owner, toolkit::UiPoint screen) {
    return PopupWith<CMenuWnd>(owner, screen);
  }

  void ShowAt(toolkit::UiPoint screen) override;
  void Notify(toolkit::TNotifyUI& msg) override;

 protected:
  const wchar_t* GetWindowClassName() const override { return L"MenuWnd"; }
};

// The menu's items: the text control, its language key, and the item (and notification) name.
struct MenuItem {
  const wchar_t* textControl;
  const wchar_t* item;
};
inline constexpr MenuItem kMenuItems[] = {
    {L"setting", L"menu_Setting"}, {L"home", L"menu_Home"},     {L"help", L"menu_Help"},
    {L"navigater", L"menu_Navigater"}, {L"about", L"menu_About"},
};

}  // namespace nimbrook
