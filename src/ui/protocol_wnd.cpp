#include "ui/protocol_wnd.h"

#include "ui/window_texts.h"

namespace nimbrook {

using namespace toolkit;

CProtocolWnd::CProtocolWnd(const std::wstring& current, const std::vector<std::wstring>& protocols)
    : CDropDownWnd(L"protocol.xml"), m_current(current), m_protocols(protocols) {}

void CProtocolWnd::OnCreated() {
  m_list = dynamic_cast<CContainerUI*>(m_pm.FindControl(L"listProtocol"));
  if (m_list != nullptr) (void)FillProtocolRows(*m_list, m_current, m_protocols);
}

void CProtocolWnd::ShowAt(UiPoint screen) { ShowAsPicker(screen, m_list ? m_list->GetCount() : 0); }

void CProtocolWnd::Notify(TNotifyUI& msg) {
  if (msg.sType == notify::kWindowInit) return;
  if ((msg.sType == notify::kClick || msg.sType == notify::kItemClick) && msg.pSender != nullptr) {
    const std::wstring item = msg.pSender->GetName();
    if (!item.empty()) SendPick(item);
    HidePopup();
  }
}

}  // namespace nimbrook
