#include "toolkit/scroll_bar.h"

#include <algorithm>

#include "toolkit/attribute_values.h"
#include "toolkit/container.h"
#include "toolkit/paint_manager.h"
#include "toolkit/render_context.h"

namespace nimbrook::toolkit {

CScrollBarUI::CScrollBarUI() {
  m_bkColor = 0;
  m_fixedWidth = 10;
}

std::wstring CScrollBarUI::GetClass() const { return L"ScrollBarUI"; }

void CScrollBarUI::SetHorizontal(bool horizontal) {
  if (m_horizontal == horizontal) return;
  m_horizontal = horizontal;
  if (horizontal) {
    m_fixedHeight = m_fixedWidth > 0 ? m_fixedWidth : 10;
    m_fixedWidth = 0;
  } else {
    m_fixedWidth = m_fixedHeight > 0 ? m_fixedHeight : 10;
    m_fixedHeight = 0;
  }
  NeedParentUpdate();
}

void CScrollBarUI::SetScrollRange(int range) {
  m_range = std::max(range, 0);
  if (m_scrollPos > m_range) SetScrollPos(m_range);
  Invalidate();
}

void CScrollBarUI::SetScrollPos(int pos) {
  pos = std::clamp(pos, 0, m_range);
  if (pos == m_scrollPos) return;
  const int previous = m_scrollPos;
  m_scrollPos = pos;
  Invalidate();
  if (m_owner) {
    UiSize before = m_owner->GetScrollPos();
    if (m_horizontal) before.cx = previous;
    else before.cy = previous;
    m_owner->OnScrollChanged(before);
  } else {
    Notify(notify::kScroll, static_cast<uintptr_t>(m_scrollPos));
  }
}

void CScrollBarUI::MoveBy(long long delta) {
  // In 64 bits: a position near the limit plus a line or a page must not wrap around.
  SetScrollPos(static_cast<int>(std::clamp<long long>(m_scrollPos + delta, 0, m_range)));
}

void CScrollBarUI::PageUp() {
  const int page = m_horizontal ? GetWidth() : GetHeight();
  MoveBy(-static_cast<long long>(std::max(page, m_lineSize)));
}

void CScrollBarUI::PageDown() {
  const int page = m_horizontal ? GetWidth() : GetHeight();
  MoveBy(std::max(page, m_lineSize));
}

UiRect CScrollBarUI::ThumbRect() const {
  const int track = m_horizontal ? m_pos.Width() : m_pos.Height();
  if (track <= 0) return {};
  // 64-bit throughout: the range may be anything up to the int limit.
  const long long range = m_range;
  long long thumb = range > 0 ? static_cast<long long>(track) * track / (track + range) : track;
  thumb = std::max<long long>(thumb, std::min(track, 16));
  const long long offset = range > 0 ? (track - thumb) * m_scrollPos / range : 0;
  UiRect r = m_pos;
  if (m_horizontal) {
    r.left = m_pos.left + static_cast<int>(offset);
    r.right = r.left + static_cast<int>(thumb);
  } else {
    r.top = m_pos.top + static_cast<int>(offset);
    r.bottom = r.top + static_cast<int>(thumb);
  }
  return r;
}

bool CScrollBarUI::SetAttribute(const std::wstring& name, const std::wstring& value) {
  int n = 0;
  bool b = false;
  UiColor c = 0;
  if (name == L"hor") {
    if (!ParseBool(value, b)) return false;
    SetHorizontal(b);
  } else if (name == L"range") {
    // Layout numbers are cut to the toolkit's extent where they are read, as sizes are.
    if (!ParseInt(value, n)) return false;
    SetScrollRange(std::clamp(n, 0, kMaxExtent));
  } else if (name == L"pos" && m_owner == nullptr && value.find(L',') == std::wstring::npos) {
    // A free-standing bar's pos="n" is its position; pos="l,t,r,b" is the float rectangle.
    if (!ParseInt(value, n)) return false;
    SetScrollPos(n);
  } else if (name == L"linesize") {
    if (!ParseInt(value, n) || n <= 0) return false;
    SetLineSize(std::min(n, kMaxExtent));
  } else if (name == L"thumbcolor") {
    if (!ParseColor(value, c)) return false;
    SetThumbColor(c);
  } else {
    return CControlUI::SetAttribute(name, value);
  }
  return true;
}

void CScrollBarUI::DoEvent(TEventUI& event) {
  switch (event.Type) {
    case UiEvent::ButtonDown:
    case UiEvent::DblClick: {
      if (!IsEnabled()) return;
      const UiRect thumb = ThumbRect();
      if (thumb.Contains(event.ptMouse)) {
        m_dragging = true;
        m_dragStart = event.ptMouse;
        m_dragStartPos = m_scrollPos;
        if (m_manager) m_manager->SetCapture();
      } else if (m_horizontal ? event.ptMouse.x < thumb.left : event.ptMouse.y < thumb.top) {
        PageUp();
      } else {
        PageDown();
      }
      return;
    }
    case UiEvent::MouseMove:
      if (m_dragging) {
        const UiRect thumb = ThumbRect();
        const int track = m_horizontal ? m_pos.Width() : m_pos.Height();
        const int thumbLen = m_horizontal ? thumb.Width() : thumb.Height();
        const int free = track - thumbLen;
        if (free > 0) {
          const int delta = m_horizontal ? event.ptMouse.x - m_dragStart.x : event.ptMouse.y - m_dragStart.y;
          SetScrollPos(m_dragStartPos + static_cast<int>(static_cast<long long>(delta) * m_range / free));
        }
      }
      return;
    case UiEvent::ButtonUp:
      if (m_dragging) {
        m_dragging = false;
        if (m_manager) m_manager->ReleaseCapture();
      }
      return;
    case UiEvent::ScrollWheel:
      if (m_owner == nullptr) {
        if (event.wParam == 0) LineUp();
        else LineDown();
        return;
      }
      break;
    default:
      break;
  }
  CControlUI::DoEvent(event);
}

void CScrollBarUI::PaintStatusImage(RenderContext& ctx) {
  if (m_range <= 0 && m_owner) return;
  const UiRect thumb = ThumbRect();
  if (thumb.IsEmpty()) return;
  // A slim rounded thumb, inset from the track.
  UiRect slim = m_horizontal ? UiRect{thumb.left, thumb.top + 2, thumb.right, thumb.bottom - 2}
                             : UiRect{thumb.left + 2, thumb.top, thumb.right - 2, thumb.bottom};
  ctx.FillRoundRect(slim, {6, 6}, m_thumbColor);
}

}  // namespace nimbrook::toolkit
