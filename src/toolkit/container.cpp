#include "toolkit/container.h"

#include <algorithm>
#include <unordered_map>

#include "toolkit/attribute_values.h"
#include "toolkit/paint_manager.h"
#include "toolkit/render_context.h"
#include "toolkit/scroll_bar.h"

namespace nimbrook::toolkit {

CContainerUI::CContainerUI() = default;

CContainerUI::~CContainerUI() {
  // Children go first, while this container is still whole: their destructors reach the manager.
  m_items.clear();
  m_vscroll.reset();
  m_hscroll.reset();
}

std::wstring CContainerUI::GetClass() const { return L"ContainerUI"; }

bool CContainerUI::Add(CControlUI* control) {
  if (!control) return false;
  return AddAt(control, static_cast<int>(m_items.size()));
}

bool CContainerUI::AddAt(CControlUI* control, int index) {
  std::unique_ptr<CControlUI> owned(control);
  if (!owned || index < 0 || index > static_cast<int>(m_items.size())) return false;
  m_items.insert(m_items.begin() + index, std::move(owned));
  control->SetInternVisible(IsVisible());
  control->SetManager(m_manager, this, m_manager != nullptr);
  NeedUpdate();
  return true;
}

bool CContainerUI::Remove(CControlUI* control) {
  const int index = GetItemIndex(control);
  if (index < 0) return false;
  return RemoveAt(index);
}

bool CContainerUI::RemoveAt(int index) {
  if (index < 0 || index >= static_cast<int>(m_items.size())) return false;
  // Out of the list first, then destroyed: the destructor may call back into this container.
  std::unique_ptr<CControlUI> gone = std::move(m_items[index]);
  m_items.erase(m_items.begin() + index);
  gone.reset();
  NeedUpdate();
  return true;
}

void CContainerUI::RemoveAll() {
  std::vector<std::unique_ptr<CControlUI>> gone;
  gone.swap(m_items);
  gone.clear();
  if (m_vscroll) m_vscroll->SetScrollPos(0);
  if (m_hscroll) m_hscroll->SetScrollPos(0);
  NeedUpdate();
}

std::unique_ptr<CControlUI> CContainerUI::Detach(CControlUI* control) {
  const int index = GetItemIndex(control);
  if (index < 0) return nullptr;
  std::unique_ptr<CControlUI> owned = std::move(m_items[index]);
  m_items.erase(m_items.begin() + index);
  if (m_manager) {
    CPaintManagerUI* manager = m_manager;
    owned->VisitControls([manager](CControlUI* c) { manager->ReapObjects(c); });
  }
  owned->SetManager(nullptr, nullptr, false);
  NeedUpdate();
  return owned;
}

CControlUI* CContainerUI::GetItemAt(int index) const {
  if (index < 0 || index >= static_cast<int>(m_items.size())) return nullptr;
  return m_items[index].get();
}

int CContainerUI::GetItemIndex(CControlUI* control) const {
  for (size_t i = 0; i < m_items.size(); ++i) {
    if (m_items[i].get() == control) return static_cast<int>(i);
  }
  return -1;
}

bool CContainerUI::ReorderItems(const std::vector<CControlUI*>& order) {
  if (order.size() != m_items.size()) return false;
  std::unordered_map<const CControlUI*, size_t> place;
  place.reserve(m_items.size());
  for (size_t i = 0; i < m_items.size(); ++i) place.emplace(m_items[i].get(), i);
  std::vector<size_t> from;
  from.reserve(order.size());
  for (CControlUI* control : order) {
    auto it = place.find(control);
    if (it == place.end()) return false;   // not a child, or named twice
    from.push_back(it->second);
    place.erase(it);
  }
  std::vector<std::unique_ptr<CControlUI>> items(m_items.size());
  for (size_t i = 0; i < from.size(); ++i) items[i] = std::move(m_items[from[i]]);
  m_items.swap(items);
  NeedUpdate();
  return true;
}

bool CContainerUI::SetItemIndex(CControlUI* control, int index) {
  const int from = GetItemIndex(control);
  if (from < 0) return false;
  const int last = static_cast<int>(m_items.size()) - 1;
  const int to = std::clamp(index, 0, last);
  if (from == to) return true;
  std::unique_ptr<CControlUI> moving = std::move(m_items[from]);
  m_items.erase(m_items.begin() + from);
  m_items.insert(m_items.begin() + to, std::move(moving));
  NeedUpdate();
  return true;
}

int CContainerUI::GetCount() const { return static_cast<int>(m_items.size()); }

void CContainerUI::SetInset(const UiRect& inset) {
  m_inset = {std::clamp(inset.left, 0, kMaxExtent), std::clamp(inset.top, 0, kMaxExtent),
             std::clamp(inset.right, 0, kMaxExtent), std::clamp(inset.bottom, 0, kMaxExtent)};
  NeedUpdate();
}

void CContainerUI::SetChildPadding(int padding) {
  m_childPadding = std::clamp(padding, 0, kMaxExtent);
  NeedUpdate();
}

void CContainerUI::EnableScrollBar(bool vertical, bool horizontal) {
  if (vertical && !m_vscroll) {
    m_vscroll = std::make_unique<CScrollBarUI>();
    m_vscroll->SetOwner(this);
    m_vscroll->SetScrollRange(0);
    m_vscroll->SetVisible(false);
    m_vscroll->SetManager(m_manager, this, false);
  } else if (!vertical && m_vscroll) {
    m_vscroll.reset();
  }
  if (horizontal && !m_hscroll) {
    m_hscroll = std::make_unique<CScrollBarUI>();
    m_hscroll->SetOwner(this);
    m_hscroll->SetHorizontal(true);
    m_hscroll->SetScrollRange(0);
    m_hscroll->SetVisible(false);
    m_hscroll->SetManager(m_manager, this, false);
  } else if (!horizontal && m_hscroll) {
    m_hscroll.reset();
  }
  NeedUpdate();
}

UiSize CContainerUI::GetScrollPos() const {
  return {m_hscroll ? m_hscroll->GetScrollPos() : 0, m_vscroll ? m_vscroll->GetScrollPos() : 0};
}

UiSize CContainerUI::GetScrollRange() const {
  return {m_hscroll ? m_hscroll->GetScrollRange() : 0, m_vscroll ? m_vscroll->GetScrollRange() : 0};
}

void CContainerUI::SetScrollPos(UiSize pos) {
  if (m_vscroll) m_vscroll->SetScrollPos(pos.cy);
  if (m_hscroll) m_hscroll->SetScrollPos(pos.cx);
}

void CContainerUI::LineUp() {
  if (m_vscroll) m_vscroll->LineUp();
}
void CContainerUI::LineDown() {
  if (m_vscroll) m_vscroll->LineDown();
}
void CContainerUI::PageUp() {
  if (m_vscroll) m_vscroll->SetScrollPos(m_vscroll->GetScrollPos() - std::max(1, GetInnerRect().Height()));
}
void CContainerUI::PageDown() {
  if (m_vscroll) m_vscroll->SetScrollPos(m_vscroll->GetScrollPos() + std::max(1, GetInnerRect().Height()));
}
void CContainerUI::HomeUp() {
  if (m_vscroll) m_vscroll->SetScrollPos(0);
}
void CContainerUI::EndDown() {
  if (m_vscroll) m_vscroll->SetScrollPos(m_vscroll->GetScrollRange());
}

void CContainerUI::EnsureVisible(const UiRect& rect) {
  if (!m_vscroll) return;
  const UiRect inner = GetInnerRect();
  int pos = m_vscroll->GetScrollPos();
  if (rect.top < inner.top || rect.Height() > inner.Height()) {
    pos -= inner.top - rect.top;
  } else if (rect.bottom > inner.bottom) {
    pos += rect.bottom - inner.bottom;
  }
  m_vscroll->SetScrollPos(pos);
}

UiRect CContainerUI::GetInnerRect() const {
  UiRect inner = m_pos.Deflate(m_inset);
  if (m_vscroll && m_vscroll->GetVisibleFlag()) inner.right = std::max(inner.left, inner.right - m_scrollBarWidth);
  if (m_hscroll && m_hscroll->GetVisibleFlag()) inner.bottom = std::max(inner.top, inner.bottom - m_scrollBarWidth);
  return inner;
}

bool CContainerUI::SetAttribute(const std::wstring& name, const std::wstring& value) {
  UiRect r{};
  int n = 0;
  bool b = false;
  if (name == L"inset") {
    if (!ParseRect(value, r)) return false;
    SetInset(r);
  } else if (name == L"childpadding") {
    if (!ParseInt(value, n)) return false;
    SetChildPadding(n);
  } else if (name == L"mousechild") {
    if (!ParseBool(value, b)) return false;
    SetMouseChildEnabled(b);
  } else if (name == L"vscrollbar") {
    if (!ParseBool(value, b)) return false;
    EnableScrollBar(b, m_hscroll != nullptr);
  } else if (name == L"hscrollbar") {
    if (!ParseBool(value, b)) return false;
    EnableScrollBar(m_vscroll != nullptr, b);
  } else if (name == L"align" || name == L"valign") {
    // Rows and cells built in code pass their text alignment along; children keep their own.
    return value == L"left" || value == L"center" || value == L"right" || value == L"top" ||
           value == L"vcenter" || value == L"bottom";
  } else if (name == L"scrollbarwidth") {
    if (!ParseInt(value, n) || n < 0 || n > 200) return false;
    m_scrollBarWidth = n;
    NeedUpdate();
  } else {
    return CControlUI::SetAttribute(name, value);
  }
  return true;
}

void CContainerUI::LayoutChildren(const UiRect& inner) {
  const UiSize scroll = GetScrollPos();
  int width = 0;
  int height = 0;
  for (auto& item : m_items) {
    if (!item->GetVisibleFlag() || item->IsFloat()) continue;
    const UiRect& pad = item->GetPadding();
    UiRect rc{inner.left + pad.left - scroll.cx, inner.top + pad.top - scroll.cy,
              inner.right - pad.right - scroll.cx, inner.bottom - pad.bottom - scroll.cy};
    const UiSize sz = item->EstimateSize({inner.Width(), inner.Height()});
    if (sz.cx > 0) rc.right = rc.left + std::clamp(sz.cx, item->GetMinWidth(), item->GetMaxWidth());
    if (sz.cy > 0) rc.bottom = rc.top + std::clamp(sz.cy, item->GetMinHeight(), item->GetMaxHeight());
    item->SetPos(rc);
    width = std::max(width, rc.Width() + pad.left + pad.right);
    height = std::max(height, rc.Height() + pad.top + pad.bottom);
  }
  m_contentSize = {width, height};
}

void CContainerUI::PlaceFloat(CControlUI* child) {
  const UiRect& fp = child->GetFloatPos();
  UiRect rc{m_pos.left + fp.left, m_pos.top + fp.top, m_pos.left + fp.right, m_pos.top + fp.bottom};
  const UiSize sz = child->EstimateSize({m_pos.Width(), m_pos.Height()});
  if (rc.right <= rc.left && sz.cx > 0) rc.right = rc.left + sz.cx;
  if (rc.bottom <= rc.top && sz.cy > 0) rc.bottom = rc.top + sz.cy;
  child->SetPos(rc);
}

bool CContainerUI::ProcessScrollBars(const UiRect& rect, int contentWidth, int contentHeight) {
  bool changed = false;
  const UiRect inner = GetInnerRect();
  if (m_vscroll) {
    const int range = std::max(0, contentHeight - inner.Height());
    const bool show = range > 0;
    if (show != m_vscroll->GetVisibleFlag()) {
      m_vscroll->SetVisible(show);
      changed = true;
    }
    m_vscroll->SetScrollRange(range);
  }
  if (m_hscroll) {
    const int range = std::max(0, contentWidth - inner.Width());
    const bool show = range > 0;
    if (show != m_hscroll->GetVisibleFlag()) {
      m_hscroll->SetVisible(show);
      changed = true;
    }
    m_hscroll->SetScrollRange(range);
  }
  (void)rect;
  return changed;
}

void CContainerUI::OnScrollChanged(UiSize) {
  if (m_scrollProcess) return;
  // Children move with the content; laying them out again keeps float children and bars in place.
  m_updateNeeded = true;
  CPaintManagerUI* manager = m_manager;
  if (manager) manager->BeginBatchInvalidate();
  SetPos(m_pos);
  if (manager) manager->EndBatchInvalidate(m_pos);
}

void CContainerUI::SetPos(const UiRect& rect) {
  CControlUI::SetPos(rect);
  if (m_scrollProcess) return;
  m_scrollProcess = true;
  // A bar that appears or goes away changes the children's width, and a shorter content clamps the
  // scroll position: lay out again until both settle (twice at most in practice).
  for (int pass = 0; pass < 4; ++pass) {
    const UiSize scrollBefore = GetScrollPos();
    LayoutChildren(GetInnerRect());
    if (!m_vscroll && !m_hscroll) break;
    const bool barsChanged = ProcessScrollBars(m_pos, m_contentSize.cx, m_contentSize.cy);
    if (!barsChanged && GetScrollPos() == scrollBefore) break;
  }
  const UiRect inset = m_pos.Deflate(m_inset);
  if (m_vscroll && m_vscroll->GetVisibleFlag()) {
    const int bottom = (m_hscroll && m_hscroll->GetVisibleFlag()) ? inset.bottom - m_scrollBarWidth : inset.bottom;
    m_vscroll->SetPos({inset.right - m_scrollBarWidth, inset.top, inset.right, bottom});
  }
  if (m_hscroll && m_hscroll->GetVisibleFlag()) {
    const int right = (m_vscroll && m_vscroll->GetVisibleFlag()) ? inset.right - m_scrollBarWidth : inset.right;
    m_hscroll->SetPos({inset.left, inset.bottom - m_scrollBarWidth, right, inset.bottom});
  }
  for (auto& item : m_items) {
    if (item->GetVisibleFlag() && item->IsFloat()) PlaceFloat(item.get());
  }
  m_scrollProcess = false;
}

void CContainerUI::DoPaint(RenderContext& ctx, const UiRect& dirty) {
  if (!m_pos.Intersects(dirty)) return;
  const UiSize borderRound = GetBorderRound();
  const bool round = borderRound.cx > 0 && borderRound.cy > 0;
  ctx.PushClip(m_pos, round ? borderRound : UiSize{});
  PaintBkColor(ctx);
  PaintBkImage(ctx);
  PaintStatusImage(ctx);
  PaintText(ctx);
  const UiRect inner = GetInnerRect();
  const UiRect area = inner.Intersect(dirty);
  if (!area.IsEmpty() && !m_items.empty()) {
    ctx.PushClip(inner, {});
    for (auto& item : m_items) {
      if (!item->IsVisible() || item->IsFloat()) continue;
      if (!item->GetPos().Intersects(area)) continue;
      item->DoPaint(ctx, area);
    }
    ctx.PopClip();
  }
  for (auto& item : m_items) {
    if (item->IsVisible() && item->IsFloat()) item->DoPaint(ctx, dirty);
  }
  if (m_vscroll && m_vscroll->IsVisible()) m_vscroll->DoPaint(ctx, dirty);
  if (m_hscroll && m_hscroll->IsVisible()) m_hscroll->DoPaint(ctx, dirty);
  PaintBorder(ctx);
  ctx.PopClip();
}

void CContainerUI::DoEvent(TEventUI& event) {
  if (event.Type == UiEvent::ScrollWheel && m_vscroll && m_vscroll->IsVisible() && IsEnabled()) {
    for (int i = 0; i < 3; ++i) {
      if (event.wParam == 0) LineUp();
      else LineDown();
    }
    return;
  }
  CControlUI::DoEvent(event);
}

void CContainerUI::SetManager(CPaintManagerUI* manager, CControlUI* parent, bool init) {
  CControlUI::SetManager(manager, parent, init);
  for (auto& item : m_items) item->SetManager(manager, this, init);
  if (m_vscroll) m_vscroll->SetManager(manager, this, false);
  if (m_hscroll) m_hscroll->SetManager(manager, this, false);
}

void CContainerUI::VisitControls(const std::function<void(CControlUI*)>& visit) {
  visit(this);
  for (size_t i = 0; i < m_items.size(); ++i) m_items[i]->VisitControls(visit);
}

CControlUI* CContainerUI::FindControlAt(UiPoint pt) {
  if (!IsVisible() || !m_pos.Contains(pt)) return nullptr;
  if (!m_mouseChild) return IsMouseEnabled() ? this : nullptr;
  if (m_vscroll && m_vscroll->IsVisible() && m_vscroll->GetPos().Contains(pt)) return m_vscroll.get();
  if (m_hscroll && m_hscroll->IsVisible() && m_hscroll->GetPos().Contains(pt)) return m_hscroll.get();
  const UiRect inner = GetInnerRect();
  // Later children are drawn over earlier ones, so they are asked first.
  for (auto it = m_items.rbegin(); it != m_items.rend(); ++it) {
    CControlUI* child = it->get();
    if (!child->IsFloat() && !inner.Contains(pt)) continue;
    if (CControlUI* found = child->FindControlAt(pt)) return found;
  }
  return IsMouseEnabled() ? this : nullptr;
}

void CContainerUI::SetVisible(bool visible) {
  if (m_visible == visible) return;
  CControlUI::SetVisible(visible);
  for (auto& item : m_items) item->SetInternVisible(IsVisible());
}

void CContainerUI::SetInternVisible(bool visible) {
  CControlUI::SetInternVisible(visible);
  for (auto& item : m_items) item->SetInternVisible(IsVisible());
}

void CContainerUI::SetEnabled(bool enabled) { CControlUI::SetEnabled(enabled); }

UiSize CContainerUI::EstimateSize(UiSize available) { return CControlUI::EstimateSize(available); }

}  // namespace nimbrook::toolkit
