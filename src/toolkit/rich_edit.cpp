#include "toolkit/rich_edit.h"

#include <algorithm>

#include "toolkit/attribute_values.h"
#include "toolkit/paint_manager.h"
#include "toolkit/render_context.h"

namespace nimbrook::toolkit {

CRichEditUI::CRichEditUI() {
  m_textStyle.multiline = true;
  m_textStyle.valign = TextVAlign::Top;
  m_textPadding = {4, 4, 4, 4};
}

std::wstring CRichEditUI::GetClass() const { return L"RichEditUI"; }

void CRichEditUI::SetScrollPos(int pos) {
  if (pos > m_scrollRange) pos = m_scrollRange;
  if (pos < 0) pos = 0;
  if (pos == m_scrollPos) return;
  m_scrollPos = pos;
  Invalidate();
}

void CRichEditUI::AppendText(const std::wstring& text) { SetText(m_text + text); }

bool CRichEditUI::SetAttribute(const std::wstring& name, const std::wstring& value) {
  bool b = false;
  if (name == L"readonly") {
    if (!ParseBool(value, b)) return false;
    m_readOnly = b;
  } else if (name == L"vscrollbar") {
    if (!ParseBool(value, b)) return false;
    m_vscroll = b;
  } else {
    return CLabelUI::SetAttribute(name, value);
  }
  return true;
}

void CRichEditUI::DoEvent(TEventUI& event) {
  if (event.Type == UiEvent::ScrollWheel && m_scrollRange > 0) {
    SetScrollPos(m_scrollPos + (event.wParam == 0 ? -30 : 30));
    return;
  }
  CLabelUI::DoEvent(event);
}

void CRichEditUI::DoPaint(RenderContext& ctx, const UiRect& dirty) {
  if (!m_pos.Intersects(dirty)) return;
  PaintBkColor(ctx);
  PaintBkImage(ctx);
  const UiRect area = TextRect();
  if (!m_text.empty() && !area.IsEmpty()) {
    static const FontSpec kFallback;
    const FontSpec& font = m_manager ? m_manager->GetFont(m_font) : kFallback;
    const UiSize extent = ctx.MeasureText(m_text, font, area.Width());
    m_scrollRange = extent.cy > area.Height() ? extent.cy - area.Height() : 0;
    if (m_scrollPos > m_scrollRange) m_scrollPos = m_scrollRange;
    ctx.PushClip(area, {});
    UiRect textRect{area.left, area.top - m_scrollPos, area.right, area.top - m_scrollPos + extent.cy};
    if (textRect.bottom < area.bottom) textRect.bottom = area.bottom;
    ctx.DrawText(m_text, textRect, font, CurrentTextColor(), m_textStyle);
    ctx.PopClip();
    if (m_vscroll && m_scrollRange > 0) {
      // A thin position mark on the right edge.
      const int track = area.Height();
      const int thumb = std::max(12, track * track / (track + m_scrollRange));
      const int top = area.top + (track - thumb) * m_scrollPos / m_scrollRange;
      ctx.FillRoundRect({m_pos.right - 6, top, m_pos.right - 2, top + thumb}, {4, 4}, 0xFFC8CDD3);
    }
  }
  PaintBorder(ctx);
}

}  // namespace nimbrook::toolkit
