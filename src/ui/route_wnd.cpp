#include "ui/route_wnd.h"

#include "ui/window_texts.h"

namespace nimbrook {

using namespace toolkit;

CRouteWnd::CRouteWnd() : CDropDownWnd(L"route.xml") {}

void CRouteWnd::OnCreated() {
  m_list = dynamic_cast<CContainerUI*>(m_pm.FindControl(L"listRoute"));
  FillRouteTexts(m_pm);
}

void CRouteWnd::ShowAt(UiPoint screen) { ShowAsPicker(screen, m_list ? m_list->GetCount() : 0); }

void CRouteWnd::Notify(TNotifyUI& msg) {
  if (msg.sType == notify::kWindowInit) return;
  if (msg.sType == notify::kItemSelect) {
    HidePopup();
    return;
  }
  if ((msg.sType == notify::kItemClick || msg.sType == notify::kClick) && msg.pSender != nullptr) {
    const std::wstring item = msg.pSender->GetName();
    if (!item.empty()) SendPick(item);
    HidePopup();
  }
}

}  // namespace nimbrook
