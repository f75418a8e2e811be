#include "toolkit/list.h"

#include <algorithm>

#include "toolkit/attribute_values.h"
#include "toolkit/list_header.h"
#include "toolkit/paint_manager.h"
#include "toolkit/scroll_bar.h"

namespace nimbrook::toolkit {
namespace {

IListItemUI* AsItem(CControlUI* control) { return dynamic_cast<IListItemUI*>(control); }

}  // namespace

CListUI::CListUI() {
  m_header = new CListHeaderUI;
  CVerticalLayoutUI::AddAt(m_header, 0);
  m_header->SetVisible(false);   // shown once it has items
  m_body = new CVerticalLayoutUI;
  m_body->EnableScrollBar(true);
  CVerticalLayoutUI::AddAt(m_body, 1);
}

CListUI::~CListUI() {
  m_header = nullptr;
  m_body = nullptr;
  m_items.clear();
}

std::wstring CListUI::GetClass() const { return L"ListUI"; }

bool CListUI::Add(CControlUI* control) {
  if (!control) return false;
  if (auto* header = dynamic_cast<CListHeaderUI*>(control)) {
    // A header from the layout replaces the built-in one (keeping its items).
    const bool visible = m_header->GetVisibleFlag() || header->GetCount() > 0;
    CVerticalLayoutUI::RemoveAt(GetItemIndexRaw(m_header));
    CVerticalLayoutUI::AddAt(header, 0);
    m_header = header;
    m_header->SetVisible(visible && m_headerWanted);
    return true;
  }
  if (dynamic_cast<CListHeaderItemUI*>(control)) {
    const bool ok = m_header->Add(control);
    m_header->SetVisible(m_headerWanted);
    return ok;
  }
  return AddAt(control, m_body->GetCount());
}

int CListUI::GetItemIndexRaw(CControlUI* control) const { return CVerticalLayoutUI::GetItemIndex(control); }

bool CListUI::AddAt(CControlUI* control, int index) {
  if (!control) return false;
  if (dynamic_cast<CListHeaderUI*>(control) || dynamic_cast<CListHeaderItemUI*>(control)) {
    return Add(control);
  }
  if (!m_body->AddAt(control, index)) return false;
  if (IListItemUI* item = AsItem(control)) item->SetOwner(this);
  if (m_curSel >= index) ++m_curSel;
  ReindexFrom(index);
  return true;
}

bool CListUI::Remove(CControlUI* control) {
  const int index = m_body->GetItemIndex(control);
  if (index >= 0) return RemoveAt(index);
  if (m_header && m_header->GetItemIndex(control) >= 0) return m_header->Remove(control);
  return false;
}

bool CListUI::RemoveAt(int index) {
  if (index < 0 || index >= m_body->GetCount()) return false;
  if (index == m_curSel) m_curSel = -1;
  else if (index < m_curSel) --m_curSel;
  if (!m_body->RemoveAt(index)) return false;
  ReindexFrom(index);
  return true;
}

void CListUI::RemoveAll() {
  m_curSel = -1;
  m_pendingVisible = -1;
  m_body->RemoveAll();
}

std::unique_ptr<CControlUI> CListUI::Detach(CControlUI* control) {
  const int index = m_body->GetItemIndex(control);
  if (index < 0) return nullptr;
  if (index == m_curSel) m_curSel = -1;
  else if (index < m_curSel) --m_curSel;
  std::unique_ptr<CControlUI> owned = m_body->Detach(control);
  if (IListItemUI* item = AsItem(owned.get())) {
    item->SetOwner(nullptr);
    item->SetIndex(-1);
    item->SetSelectedState(false);
  }
  ReindexFrom(index);
  return owned;
}

CControlUI* CListUI::GetItemAt(int index) const { return m_body->GetItemAt(index); }

int CListUI::GetItemIndex(CControlUI* control) const { return m_body->GetItemIndex(control); }

bool CListUI::SetItemIndex(CControlUI* control, int index) {
  CControlUI* selected = m_curSel >= 0 ? m_body->GetItemAt(m_curSel) : nullptr;
  if (!m_body->SetItemIndex(control, index)) return false;
  ReindexFrom(0);
  if (selected) m_curSel = m_body->GetItemIndex(selected);
  return true;
}

int CListUI::GetCount() const { return m_body->GetCount(); }

void CListUI::ReindexFrom(int index) {
  for (int i = std::max(0, index); i < m_body->GetCount(); ++i) {
    if (IListItemUI* item = AsItem(m_body->GetItemAt(i))) item->SetIndex(i);
  }
}

bool CListUI::SelectItem(int index, bool takeFocus) {
  if (index == m_curSel) {
    if (takeFocus && m_manager && index >= 0) m_manager->SetFocus(this);
    return true;
  }
  const int old = m_curSel;
  if (m_curSel >= 0) {
    if (IListItemUI* item = AsItem(m_body->GetItemAt(m_curSel))) item->SetSelectedState(false);
    m_curSel = -1;
  }
  // Clearing the selection is silent: "itemselect" always names a row that exists.
  if (index < 0) return true;
  CControlUI* control = m_body->GetItemAt(index);
  if (!control || !control->GetVisibleFlag() || !control->IsEnabled()) return false;
  IListItemUI* item = AsItem(control);
  if (!item) return false;
  item->SetSelectedState(true);
  m_curSel = index;
  EnsureVisible(index);
  if (takeFocus && m_manager) m_manager->SetFocus(this);
  Notify(notify::kItemSelect, static_cast<uintptr_t>(m_curSel), static_cast<intptr_t>(old));
  return true;
}

void CListUI::EnsureVisible(int index) {
  CControlUI* control = m_body->GetItemAt(index);
  if (!control) return;
  if (m_body->GetPos().IsEmpty() || (m_manager && m_manager->IsUpdateNeeded())) {
    m_pendingVisible = index;   // positions are stale: the next layout scrolls
    return;
  }
  m_pendingVisible = -1;
  m_body->EnsureVisible(control->GetPos());
}

void CListUI::SetPos(const UiRect& rect) {
  CVerticalLayoutUI::SetPos(rect);
  if (m_pendingVisible >= 0) {
    const int index = m_pendingVisible;
    m_pendingVisible = -1;
    if (CControlUI* control = m_body->GetItemAt(index)) m_body->EnsureVisible(control->GetPos());
  }
}

void CListUI::Scroll(int dx, int dy) {
  const UiSize pos = m_body->GetScrollPos();
  m_body->SetScrollPos({pos.cx + dx, pos.cy + dy});
}

bool CListUI::IsHeaderVisible() const { return m_header && m_header->GetVisibleFlag(); }

void CListUI::SetHeaderVisible(bool visible) {
  m_headerWanted = visible;
  if (m_header) m_header->SetVisible(visible && m_header->GetCount() > 0);
}

bool CListUI::SetAttribute(const std::wstring& name, const std::wstring& value) {
  UiColor c = 0;
  UiRect r{};
  int n = 0;
  bool b = false;
  if (name == L"header") {
    if (value == L"hidden") SetHeaderVisible(false);
    else if (value == L"visible" || value == L"true") SetHeaderVisible(true);
    else return false;
  } else if (name == L"itemfont") {
    if (!ParseInt(value, n)) return false;
    m_info.font = n;
  } else if (name == L"itemalign") {
    if (value == L"left") m_info.textStyle.align = TextAlign::Left;
    else if (value == L"center") m_info.textStyle.align = TextAlign::Center;
    else if (value == L"right") m_info.textStyle.align = TextAlign::Right;
    else return false;
  } else if (name == L"itemendellipsis") {
    if (!ParseBool(value, b)) return false;
    m_info.textStyle.endEllipsis = b;
  } else if (name == L"itemtextpadding") {
    if (!ParseRect(value, r)) return false;
    m_info.textPadding = r;
  } else if (name == L"itemtextcolor" || name == L"itembkcolor" || name == L"itemhotbkcolor" ||
             name == L"itemselectedbkcolor" || name == L"itemselectedtextcolor" ||
             name == L"itemlinecolor" || name == L"itemdisabledtextcolor") {
    if (!ParseColor(value, c)) return false;
    if (name == L"itemtextcolor") m_info.textColor = c;
    else if (name == L"itembkcolor") m_info.bkColor = c;
    else if (name == L"itemhotbkcolor") m_info.hotBkColor = c;
    else if (name == L"itemselectedbkcolor") m_info.selectedBkColor = c;
    else if (name == L"itemselectedtextcolor") m_info.selectedTextColor = c;
    else if (name == L"itemlinecolor") m_info.lineColor = c;
    else m_info.disabledTextColor = c;
  } else if (name == L"vscrollbar") {
    if (!ParseBool(value, b)) return false;
    m_body->EnableScrollBar(b, m_body->GetHorizontalScrollBar() != nullptr);
  } else if (name == L"hscrollbar") {
    if (!ParseBool(value, b)) return false;
    m_body->EnableScrollBar(m_body->GetVerticalScrollBar() != nullptr, b);
  } else if (name == L"childpadding") {
    if (!ParseInt(value, n)) return false;
    m_body->SetChildPadding(n);
  } else {
    return CVerticalLayoutUI::SetAttribute(name, value);
  }
  Invalidate();
  return true;
}

void CListUI::DoEvent(TEventUI& event) {
  if (event.Type == UiEvent::KeyDown && IsEnabled()) {
    const int count = GetCount();
    int target = -2;
    switch (event.chKey) {
      case kVkUp: target = m_curSel > 0 ? m_curSel - 1 : 0; break;
      case kVkDown: target = m_curSel + 1 < count ? m_curSel + 1 : count - 1; break;
      case kVkHome: target = 0; break;
      case kVkEnd: target = count - 1; break;
      default: break;
    }
    if (target >= 0 && count > 0) {
      // Hidden or disabled rows are stepped over in the direction of travel.
      const int step = (event.chKey == kVkUp || event.chKey == kVkEnd) ? -1 : 1;
      for (int i = target; i >= 0 && i < count; i += step) {
        if (SelectItem(i, true)) break;
      }
      return;
    }
  }
  if (event.Type == UiEvent::ScrollWheel) {
    m_body->DoEvent(event);
    return;
  }
  CVerticalLayoutUI::DoEvent(event);
}

}  // namespace nimbrook::toolkit
