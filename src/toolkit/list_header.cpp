#include "toolkit/list_header.h"

#include <algorithm>

#include "toolkit/attribute_values.h"
#include "toolkit/render_context.h"

namespace nimbrook::toolkit {

CListHeaderUI::CListHeaderUI() = default;

std::wstring CListHeaderUI::GetClass() const { return L"ListHeaderUI"; }

UiSize CListHeaderUI::EstimateSize(UiSize available) {
  if (m_fixedHeight > 0) return {m_fixedWidth, m_fixedHeight};
  // As high as the highest caption that asks for a height; 24 when none does.
  int height = 0;
  for (int i = 0; i < GetCount(); ++i) height = std::max(height, GetItemAt(i)->GetFixedHeight());
  return {m_fixedWidth, height > 0 ? height : 24};
}

CListHeaderItemUI::CListHeaderItemUI() {
  m_cursor = UiCursor::Hand;
  m_textStyle.endEllipsis = true;
}

std::wstring CListHeaderItemUI::GetClass() const { return L"ListHeaderItemUI"; }

bool CListHeaderItemUI::SetAttribute(const std::wstring& name, const std::wstring& value) {
  if (name == L"sepwidth") {
    int n = 0;
    if (!ParseInt(value, n) || n < 0) return false;
    SetSepWidth(n);
    return true;
  }
  if (name == L"dragable" || name == L"sepimage") return true;   // columns keep their widths
  return CButtonUI::SetAttribute(name, value);
}

bool CListHeaderItemUI::Activate() {
  if (!CControlUI::Activate()) return false;
  Notify(notify::kHeaderClick);
  return true;
}

void CListHeaderItemUI::PaintBorder(RenderContext& ctx) {
  CButtonUI::PaintBorder(ctx);
  if (m_sepWidth > 0) {
    // The column separator: a short line on the right edge.
    const UiColor color = GetBorderColor() != 0 ? GetBorderColor() : 0xFFE3E6EA;
    const int inset = m_pos.Height() / 4;
    ctx.FillRect({m_pos.right - m_sepWidth, m_pos.top + inset, m_pos.right, m_pos.bottom - inset}, color);
  }
}

}  // namespace nimbrook::toolkit
