// CProtocolWnd: the protocol picker (layout "protocol.xml"): one 25-pixel row per protocol name of
// the list it is given, each a button named and labelled by the protocol; a pick reaches the main
// window as a notification named after the protocol ("PPTP", "OVPN-UDP", "AUTO", ...).
#pragma once

#include <string>
#include <vector>

#include "toolkit/container.h"
#include "ui/drop_down_wnd.h"

namespace nimbrook {

class CProtocolWnd : public CDropDownWnd {
 public:
  CProtocolWnd(const std::wstring& current, const std::vector<std::wstring>& protocols);
  static bool Popup(toolkit::CControlUI* owner, toolkit::UiPoint screen, const std::wstring& current,
                    const std::vector<std::wstring>& protocols) {
    return PopupWith<CProtocolWnd>(owner, screen, current, protocols);
  }

  void ShowAt(toolkit::UiPoint screen) override;
  void Notify(toolkit::TNotifyUI& msg) override;

 protected:
  // Shares the menu's window class.
  const wchar_t* GetWindowClassName() const override { return L"MenuWnd"; }
  void OnCreated() override;

 private:
  std::wstring m_current;
  std::vector<std::wstring> m_protocols;
  toolkit::CContainerUI* m_list = nullptr;
};

}  // namespace nimbrook
