// CRouteWnd: the route-mode picker (layout "route.xml"): the rows "route_ipscope" and "route_global";
// a pick reaches the main window as a notification named after the row.
#pragma once

#include "toolkit/container.h"
#include "ui/drop_down_wnd.h"

namespace nimbrook {

class CRouteWnd : public CDropDownWnd {
 public:
  CRouteWnd();
  static bool Popup(toolkit::CControlUI* owner, toolkit::UiPoint screen) {
    return PopupWith<CRouteWnd>(owner, screen);
  }

  void ShowAt(toolkit::UiPoint screen) override;
  void Notify(toolkit::TNotifyUI& msg) override;

 protected:
  const wchar_t* GetWindowClassName() const override { return L"RouteWnd"; }
  void OnCreated() override;

 private:
  toolkit::CContainerUI* m_list = nullptr;
};

}  // namespace nimbrook
