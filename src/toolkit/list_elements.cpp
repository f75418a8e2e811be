#include "toolkit/list_elements.h"

#include "toolkit/paint_manager.h"
#include "toolkit/render_context.h"

namespace nimbrook::toolkit {
namespace {

// True when the manager's hot control is row or lies inside it.
bool HotInside(CControlUI* row) {
  CPaintManagerUI* manager = row->GetManager();
  if (!manager) return false;
  for (CControlUI* c = manager->GetHot(); c; c = c->GetParent()) {
    if (c == row) return true;
  }
  return false;
}

int DefaultRowHeight(CPaintManagerUI* manager) {
  const int size = manager ? manager->GetDefaultFont().size : 12;
  return size + size / 3 + 8;
}

// Shared row behaviour of both element kinds. Returns true when the event was used.
template <typename Row>
bool RowEvent(Row* row, TEventUI& event, bool& hot) {
  CListUI* owner = row->GetOwner();
  if (!row->IsMouseEnabled() && IsMouseEvent(event.Type)) {
    if (owner) owner->DoEvent(event);
    return owner != nullptr;
  }
  switch (event.Type) {
    case UiEvent::DblClick:
      if (row->IsEnabled()) {
        row->Activate();
        row->Invalidate();
      }
      return true;
    case UiEvent::KeyDown:
      if (event.chKey == kVkReturn && row->IsEnabled()) {
        row->Activate();
        return true;
      }
      if (owner) owner->DoEvent(event);
      return true;
    case UiEvent::ButtonDown:
    case UiEvent::RButtonDown:
      if (row->IsEnabled()) {
        auto life = row->GetLifeToken();
        if (row->GetManager()) row->GetManager()->SendNotify(row, notify::kItemClick, event.wParam, event.lParam);
        if (life.expired()) return true;   // the handler removed the row
        row->Select();
        row->Invalidate();
      }
      return true;
    case UiEvent::ButtonUp:
    case UiEvent::MouseMove:
      return true;
    case UiEvent::MouseEnter:
      if (row->IsEnabled() && !hot) {
        hot = true;
        row->Invalidate();
      }
      return true;
    case UiEvent::MouseLeave:
      if (hot && !HotInside(row)) {
        hot = false;
        row->Invalidate();
      }
      return true;
    case UiEvent::ScrollWheel:
      if (owner) owner->DoEvent(event);
      return owner != nullptr;
    default:
      return false;
  }
}

void PaintRowBk(RenderContext& ctx, const UiRect& pos, const TListInfoUI* info, bool selected, bool hot,
                UiColor own, UiSize round) {
  UiColor color = own;
  if (info) {
    if (selected && info->selectedBkColor != 0) color = info->selectedBkColor;
    else if (hot && info->hotBkColor != 0) color = info->hotBkColor;
    else if (color == 0) color = info->bkColor;
  }
  if (color != 0) ctx.FillRoundRect(pos, round, color);
}

void PaintRowLine(RenderContext& ctx, const UiRect& pos, const TListInfoUI* info) {
  if (info && info->lineColor != 0) ctx.FillRect({pos.left, pos.bottom - 1, pos.right, pos.bottom}, info->lineColor);
}

}  // namespace

// --- CListElementUI: both row kinds

template <typename Base>
bool CListElementUI<Base>::Select(bool select) {
  if (!this->IsEnabled()) return false;
  if (select && m_owner) return m_owner->SelectItem(m_index);
  SetSelectedState(select);
  return true;
}

template <typename Base>
void CListElementUI<Base>::SetSelectedState(bool selected) {
  if (m_selected == selected) return;
  m_selected = selected;
  this->Invalidate();
}

template <typename Base>
void CListElementUI<Base>::DoEvent(TEventUI& event) {
  if (RowEvent(this, event, m_hot)) return;
  Base::DoEvent(event);
}

template <typename Base>
bool CListElementUI<Base>::Activate() {
  if (!CControlUI::Activate()) return false;
  this->Notify(notify::kItemActivate);
  return true;
}

template <typename Base>
UiSize CListElementUI<Base>::EstimateSize(UiSize available) {
  if (this->m_fixedHeight > 0) return {this->m_fixedWidth, this->m_fixedHeight};
  return {this->m_fixedWidth, DefaultRowHeight(this->m_manager)};
}

template <typename Base>
void CListElementUI<Base>::PaintBkColor(RenderContext& ctx) {
  PaintRowBk(ctx, this->m_pos, m_owner ? &m_owner->GetListInfo() : nullptr, m_selected, m_hot, this->m_bkColor,
             this->GetBorderRound());
}

template <typename Base>
void CListElementUI<Base>::PaintBorder(RenderContext& ctx) {
  Base::PaintBorder(ctx);
  PaintRowLine(ctx, this->m_pos, m_owner ? &m_owner->GetListInfo() : nullptr);
}

template class CListElementUI<CHorizontalLayoutUI>;
template class CListElementUI<CLabelUI>;

// --- CListContainerElementUI

std::wstring CListContainerElementUI::GetClass() const { return L"ListContainerElementUI"; }

// --- CListLabelElementUI

std::wstring CListLabelElementUI::GetClass() const { return L"ListLabelElementUI"; }

void CListLabelElementUI::PaintText(RenderContext& ctx) {
  const std::wstring text = GetText();
  if (text.empty()) return;
  if (!m_owner) {
    CLabelUI::PaintText(ctx);
    return;
  }
  const TListInfoUI& info = m_owner->GetListInfo();
  UiColor color = m_textColor != 0 ? m_textColor : info.textColor;
  if (!IsEnabled()) color = info.disabledTextColor != 0 ? info.disabledTextColor : CurrentTextColor();
  else if (m_selected && info.selectedTextColor != 0) color = info.selectedTextColor;
  static const FontSpec kFallback;
  const int fontId = m_font >= 0 ? m_font : info.font;
  const FontSpec& font = m_manager ? m_manager->GetFont(fontId) : kFallback;
  const UiRect padding = (m_textPadding == UiRect{}) ? info.textPadding : m_textPadding;
  const UiRect rect = m_pos.Deflate(padding);
  if (!rect.IsEmpty()) ctx.DrawText(text, rect, font, color, info.textStyle);
}

}  // namespace nimbrook::toolkit
