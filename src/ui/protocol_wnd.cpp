#include "ui/protocol_wnd.h"

#include "core/languages.h"
#include "toolkit/button.h"
#include "toolkit/list.h"
#include "toolkit/list_elements.h"

namespace nimbrook {

using namespace toolkit;

namespace {

// The row and its button. Names and texts are set directly, not spliced into the attribute text, so
// a protocol name with quotes in it cannot change the other attributes.
constexpr wchar_t kRowAttributes[] = L"height=\"25\" align=\"center\"";
constexpr wchar_t kButtonAttributes[] =
    L"align=\"left\"  height=\"25\" textpadding=\"18,3,0,0\" font=\"0\" textcolor=\"#ff000000\" "
    L"hottextcolor=\"#ff000000\" pushedtextcolor=\"#ff000000\" ";
// The current protocol's row carries a check mark in the space the text padding leaves.
constexpr wchar_t kCurrentMark[] = L"bkimage=\"file='picker_check.png' dest='2,7,14,19'\"";

}  // namespace

CProtocolWnd::CProtocolWnd(const std::wstring& current, const std::vector<std::wstring>& protocols)
    : CDropDownWnd(L"protocol.xml"), m_current(current), m_protocols(protocols) {}

void CProtocolWnd::OnCreated() {
  m_list = dynamic_cast<CContainerUI*>(m_pm.FindControl(L"listProtocol"));
  if (m_list == nullptr) return;
  for (const std::wstring& name : m_protocols) {
    auto* row = new CListContainerElementUI();
    (void)row->ApplyAttributeList(kRowAttributes);   // align means nothing to a row; height does
    row->SetName(name);
    auto* button = new CButtonUI();
    (void)button->ApplyAttributeList(kButtonAttributes);
    button->SetName(name);
    button->SetText(Text(name));
    if (name == m_current) {
      (void)button->ApplyAttributeList(kCurrentMark);
      row->SetSelectedState(true);
    }
    row->Add(button);
    m_list->Add(row);
  }
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
