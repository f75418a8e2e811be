#include "toolkit/tab_layout.h"

#include "toolkit/attribute_values.h"
#include "toolkit/paint_manager.h"

namespace nimbrook::toolkit {

std::wstring CTabLayoutUI::GetClass() const { return L"TabLayoutUI"; }

bool CTabLayoutUI::Add(CControlUI* control) { return AddAt(control, GetCount()); }

bool CTabLayoutUI::AddAt(CControlUI* control, int index) {
  if (!CContainerUI::AddAt(control, index)) return false;
  if (m_curSel >= index) ++m_curSel;
  const int wanted = m_initialSel >= 0 ? m_initialSel : 0;
  if (m_curSel < 0 && index == wanted) {
    m_curSel = index;
  }
  control->SetVisible(index == m_curSel);
  return true;
}

bool CTabLayoutUI::Remove(CControlUI* control) {
  const int index = GetItemIndex(control);
  if (index < 0) return false;
  const bool wasCurrent = index == m_curSel;
  if (!CContainerUI::RemoveAt(index)) return false;
  if (wasCurrent) {
    m_curSel = -1;
    // The neighbour takes over so the tab never shows nothing while it has pages.
    const int next = index < GetCount() ? index : GetCount() - 1;
    if (next >= 0) {
      m_curSel = next;
      ShowOnly(next);
    }
  } else if (index < m_curSel) {
    --m_curSel;
  }
  return true;
}

void CTabLayoutUI::RemoveAll() {
  m_curSel = -1;
  CContainerUI::RemoveAll();
}

bool CTabLayoutUI::SelectItem(int index) {
  if (index < 0 || index >= GetCount()) return false;
  if (index == m_curSel) return true;
  const int old = m_curSel;
  m_curSel = index;
  ShowOnly(index);
  NeedParentUpdate();
  if (m_manager) {
    CControlUI* focus = m_manager->GetFocus();
    if (focus && !focus->IsVisible()) m_manager->SetFocus(nullptr);
  }
  Notify(notify::kTabSelect, static_cast<uintptr_t>(m_curSel), static_cast<intptr_t>(old));
  return true;
}

void CTabLayoutUI::ShowOnly(int index) {
  for (int i = 0; i < GetCount(); ++i) m_items[i]->SetVisible(i == index);
}

bool CTabLayoutUI::SetAttribute(const std::wstring& name, const std::wstring& value) {
  if (name == L"selectedid") {
    int n = 0;
    if (!ParseInt(value, n) || n < 0) return false;
    m_initialSel = n;
    if (n < GetCount()) SelectItem(n);
    return true;
  }
  return CContainerUI::SetAttribute(name, value);
}

void CTabLayoutUI::SetInternVisible(bool visible) { CContainerUI::SetInternVisible(visible); }

void CTabLayoutUI::LayoutChildren(const UiRect& inner) {
  // Every page covers the whole inner rectangle; only the selected one is visible.
  for (auto& item : m_items) {
    if (item->IsFloat()) continue;
    const UiRect& pad = item->GetPadding();
    item->SetPos({inner.left + pad.left, inner.top + pad.top, inner.right - pad.right, inner.bottom - pad.bottom});
  }
  m_contentSize = {inner.Width(), inner.Height()};
}

}  // namespace nimbrook::toolkit
