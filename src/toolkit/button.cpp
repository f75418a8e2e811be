#include "toolkit/button.h"

#include "toolkit/attribute_values.h"
#include "toolkit/paint_host.h"
#include "toolkit/paint_manager.h"
#include "toolkit/render_context.h"

namespace nimbrook::toolkit {

CButtonUI::CButtonUI() {
  m_cursor = UiCursor::Hand;
  m_textStyle.align = TextAlign::Center;
}

std::wstring CButtonUI::GetClass() const { return L"ButtonUI"; }

static bool SetImage(const std::wstring& text, std::wstring& store, ImageSpec& desc) {
  ImageSpec parsed;
  if (!ParseImage(text, parsed)) return false;
  store = text;
  desc = parsed;
  return true;
}

void CButtonUI::SetNormalImage(const std::wstring& image) {
  if (SetImage(image, m_normalImage, m_normal)) Invalidate();
}
void CButtonUI::SetHotImage(const std::wstring& image) {
  if (SetImage(image, m_hotImage, m_hotSpec)) Invalidate();
}
void CButtonUI::SetPushedImage(const std::wstring& image) {
  if (SetImage(image, m_pushedImage, m_pushedSpec)) Invalidate();
}
void CButtonUI::SetFocusedImage(const std::wstring& image) {
  if (SetImage(image, m_focusedImage, m_focusedSpec)) Invalidate();
}
void CButtonUI::SetDisabledImage(const std::wstring& image) {
  if (SetImage(image, m_disabledImage, m_disabledSpec)) Invalidate();
}

bool CButtonUI::SetAttribute(const std::wstring& name, const std::wstring& value) {
  UiColor c = 0;
  if (name == L"normalimage") return SetImage(value, m_normalImage, m_normal);
  if (name == L"hotimage") return SetImage(value, m_hotImage, m_hotSpec);
  if (name == L"pushedimage") return SetImage(value, m_pushedImage, m_pushedSpec);
  if (name == L"focusedimage") return SetImage(value, m_focusedImage, m_focusedSpec);
  if (name == L"disabledimage") return SetImage(value, m_disabledImage, m_disabledSpec);
  if (name == L"hottextcolor" || name == L"pushedtextcolor" || name == L"focusedtextcolor" ||
      name == L"hotbkcolor" || name == L"pushedbkcolor") {
    if (!ParseColor(value, c)) return false;
    if (name == L"hottextcolor") m_hotTextColor = c;
    else if (name == L"pushedtextcolor") m_pushedTextColor = c;
    else if (name == L"focusedtextcolor") m_focusedTextColor = c;
    else if (name == L"hotbkcolor") m_hotBkColor = c;
    else m_pushedBkColor = c;
    Invalidate();
    return true;
  }
  if (name == L"cursor") {
    if (!CLabelUI::SetAttribute(name, value)) return false;
    m_cursorSet = true;
    return true;
  }
  return CLabelUI::SetAttribute(name, value);
}

UiCursor CButtonUI::HoverCursor() const { return m_cursor; }

void CButtonUI::DoEvent(TEventUI& event) {
  if (!IsMouseEnabled() && IsMouseEvent(event.Type)) {
    if (m_parent) m_parent->DoEvent(event);
    else CLabelUI::DoEvent(event);
    return;
  }
  switch (event.Type) {
    case UiEvent::SetFocus:
    case UiEvent::KillFocus:
      Invalidate();
      return;
    case UiEvent::KeyDown:
      if (IsKeyboardEnabled() && (event.chKey == kVkSpace || event.chKey == kVkReturn)) {
        Activate();
        return;
      }
      break;
    case UiEvent::ButtonDown:
    case UiEvent::DblClick:
      if (m_pos.Contains(event.ptMouse) && IsEnabled()) {
        m_pushed = true;
        m_captured = true;
        if (m_manager) m_manager->SetCapture();
        Invalidate();
      }
      return;
    case UiEvent::MouseMove:
      if (m_captured) {
        const bool inside = m_pos.Contains(event.ptMouse);
        if (inside != m_pushed) {
          m_pushed = inside;
          Invalidate();
        }
      }
      return;
    case UiEvent::ButtonUp:
      if (m_captured) {
        const bool activate = m_pos.Contains(event.ptMouse) && IsEnabled();
        // The state is cleared before the click is sent: its handler may remove this button.
        m_pushed = false;
        m_captured = false;
        if (m_manager) m_manager->ReleaseCapture();
        Invalidate();
        if (activate) Activate();
      }
      return;
    case UiEvent::ContextMenu:
      if (IsEnabled()) Notify(notify::kMenu, event.wParam, event.lParam);
      return;
    case UiEvent::MouseEnter:
      if (IsEnabled()) {
        m_hot = true;
        Invalidate();
      }
      return;
    case UiEvent::MouseLeave:
      if (m_hot) {
        m_hot = false;
        Invalidate();
      }
      return;
    case UiEvent::SetCursor:
      if (m_manager && m_manager->GetHost()) {
        m_manager->GetHost()->SetCursor(IsEnabled() ? HoverCursor() : UiCursor::Arrow);
      }
      return;
    default:
      break;
  }
  CLabelUI::DoEvent(event);
}

bool CButtonUI::Activate() {
  if (!CLabelUI::Activate()) return false;
  Notify(notify::kClick);
  return true;
}

void CButtonUI::SetEnabled(bool enabled) {
  if (!enabled) {
    m_hot = false;
    m_pushed = false;
  }
  CLabelUI::SetEnabled(enabled);
}

void CButtonUI::PaintBkColor(RenderContext& ctx) {
  if (IsEnabled()) {
    if (m_pushed && m_pushedBkColor != 0) {
      ctx.FillRoundRect(m_pos, GetBorderRound(), m_pushedBkColor);
      return;
    }
    if ((m_hot || m_pushed) && m_hotBkColor != 0) {
      ctx.FillRoundRect(m_pos, GetBorderRound(), m_hotBkColor);
      return;
    }
  }
  CLabelUI::PaintBkColor(ctx);
}

void CButtonUI::DrawStateImage(RenderContext& ctx, const ImageSpec& image) {
  // A state image that cannot be drawn falls back to the normal one, so a missing file never
  // leaves the button blank.
  if (!image.IsEmpty() && DrawImage(ctx, image)) return;
  if (!m_normal.IsEmpty()) DrawImage(ctx, m_normal);
}

void CButtonUI::PaintStatusImage(RenderContext& ctx) {
  if (!IsEnabled()) {
    DrawStateImage(ctx, m_disabledSpec);
  } else if (m_pushed && !m_pushedSpec.IsEmpty()) {
    DrawStateImage(ctx, m_pushedSpec);
  } else if ((m_hot || m_pushed) && !m_hotSpec.IsEmpty()) {
    DrawStateImage(ctx, m_hotSpec);
  } else if (m_focused && !m_focusedSpec.IsEmpty()) {
    DrawStateImage(ctx, m_focusedSpec);
  } else if (!m_normal.IsEmpty()) {
    DrawImage(ctx, m_normal);
  }
}

UiColor CButtonUI::CurrentTextColor() const {
  if (IsEnabled()) {
    if (m_pushed && m_pushedTextColor != 0) return m_pushedTextColor;
    if ((m_hot || m_pushed) && m_hotTextColor != 0) return m_hotTextColor;
    if (m_focused && m_focusedTextColor != 0) return m_focusedTextColor;
  }
  return CLabelUI::CurrentTextColor();
}

}  // namespace nimbrook::toolkit
