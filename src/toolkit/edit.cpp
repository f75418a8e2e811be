#include "toolkit/edit.h"

#include "toolkit/attribute_values.h"
#include "toolkit/container.h"
#include "toolkit/paint_host.h"
#include "toolkit/paint_manager.h"
#include "toolkit/render_context.h"

namespace nimbrook::toolkit {

CEditUI::CEditUI() {
  m_cursor = UiCursor::IBeam;
  m_textPadding = {4, 3, 4, 3};
}

CEditUI::~CEditUI() { ReleaseNativeChild(); }

std::wstring CEditUI::GetClass() const { return L"EditUI"; }

std::wstring CEditUI::FilterUserText(const std::wstring& text) const {
  std::wstring out;
  out.reserve(text.size());
  for (wchar_t c : text) {
    if (m_numberOnly && (c < L'0' || c > L'9')) continue;
    // Line breaks cannot live in a one-line box (a paste may bring them).
    if (c == L'\r' || c == L'\n') continue;
    out.push_back(c);
  }
  if (m_maxChar > 0 && static_cast<int>(out.size()) > m_maxChar) out.resize(m_maxChar);
  return out;
}

void CEditUI::SetText(const std::wstring& text) {
  std::wstring t = text;
  if (m_maxChar > 0 && static_cast<int>(t.size()) > m_maxChar) t.resize(m_maxChar);
  if (t == m_text) return;
  m_text = t;
  const int len = static_cast<int>(m_text.size());
  if (m_selStart > len) m_selStart = len;
  if (m_selEnd > len) m_selEnd = len;
  Invalidate();
  SyncNativeChild();
}

void CEditUI::SetPasswordMode(bool password) {
  m_password = password;
  Invalidate();
  SyncNativeChild();
}

void CEditUI::SetReadOnly(bool readOnly) {
  m_readOnly = readOnly;
  Invalidate();
  SyncNativeChild();
}

void CEditUI::SetMaxChar(int maxChar) {
  if (maxChar < 0) return;
  m_maxChar = maxChar;
  if (m_maxChar > 0 && static_cast<int>(m_text.size()) > m_maxChar) SetText(m_text);
  SyncNativeChild();
}

void CEditUI::SetNumberOnly(bool numberOnly) {
  m_numberOnly = numberOnly;
  SyncNativeChild();
}

void CEditUI::SetNativeBkColor(UiColor c) {
  m_nativeBkColor = c;
  SyncNativeChild();
}

void CEditUI::SetPromptText(const std::wstring& text) {
  m_promptText = text;
  Invalidate();
}

void CEditUI::SetSel(int start, int end) {
  const int len = static_cast<int>(m_text.size());
  if (start < 0) start = 0;
  if (start > len) start = len;
  if (end < 0 || end > len) end = len;
  if (end < start) end = start;
  m_selStart = start;
  m_selEnd = end;
  SyncNativeChild();
}

void CEditUI::OnNativeTextChanged(const std::wstring& text) {
  const std::wstring filtered = FilterUserText(text);
  if (filtered != text) SyncNativeChild();   // the child shows what the model accepted
  if (filtered == m_text) return;
  m_text = filtered;
  m_selStart = m_selEnd = static_cast<int>(m_text.size());
  Invalidate();
  Notify(notify::kTextChanged);
}

bool CEditUI::SetAttribute(const std::wstring& name, const std::wstring& value) {
  bool b = false;
  int n = 0;
  UiColor c = 0;
  if (name == L"password") {
    if (!ParseBool(value, b)) return false;
    SetPasswordMode(b);
  } else if (name == L"readonly") {
    if (!ParseBool(value, b)) return false;
    SetReadOnly(b);
  } else if (name == L"maxchar") {
    if (!ParseInt(value, n) || n < 0) return false;
    SetMaxChar(n);
  } else if (name == L"numberonly") {
    if (!ParseBool(value, b)) return false;
    SetNumberOnly(b);
  } else if (name == L"nativebkcolor") {
    if (!ParseColor(value, c)) return false;
    SetNativeBkColor(c);
  } else if (name == L"prompttext") {
    SetPromptText(value);
  } else if (name == L"passwordchar") {
    if (value.size() != 1) return false;
    m_passwordChar = value[0];
  } else {
    return CLabelUI::SetAttribute(name, value);
  }
  return true;
}

void CEditUI::DoEvent(TEventUI& event) {
  switch (event.Type) {
    case UiEvent::SetCursor:
      if (m_manager && m_manager->GetHost()) {
        m_manager->GetHost()->SetCursor(IsEnabled() ? m_cursor : UiCursor::Arrow);
      }
      return;
    case UiEvent::SetFocus:
      if (m_native && m_manager && m_manager->GetHost()) m_manager->GetHost()->FocusNativeChild(this);
      Invalidate();
      return;
    case UiEvent::KillFocus:
      Invalidate();
      return;
    case UiEvent::ButtonDown:
    case UiEvent::DblClick:
      if (IsEnabled() && m_manager) m_manager->SetFocus(this);
      return;
    case UiEvent::ButtonUp:
    case UiEvent::MouseMove:
    case UiEvent::MouseEnter:
    case UiEvent::MouseLeave:
      return;
    case UiEvent::KeyDown:
      if (event.chKey == kVkReturn) {
        Notify(notify::kReturn);
        return;
      }
      if (!m_native && event.chKey == kVkBack && !m_readOnly && IsEnabled()) {
        std::wstring t = m_text;
        if (m_selEnd > m_selStart) {
          t.erase(m_selStart, m_selEnd - m_selStart);
        } else if (!t.empty()) {
          t.pop_back();
        }
        OnNativeTextChanged(t);
        return;
      }
      return;
    case UiEvent::Char:
      if (!m_native && !m_readOnly && IsEnabled() && event.chKey >= 0x20) {
        std::wstring t = m_text;
        if (m_selEnd > m_selStart) t.erase(m_selStart, m_selEnd - m_selStart);
        t.push_back(event.chKey);
        OnNativeTextChanged(t);
      }
      return;
    default:
      break;
  }
  CLabelUI::DoEvent(event);
}

void CEditUI::PaintText(RenderContext& ctx) {
  if (m_native && m_nativeShown) return;   // the native child draws the text
  if (m_text.empty()) {
    if (!m_promptText.empty() && !m_focused) {
      DrawLabelText(ctx, m_promptText, m_disabledTextColor != 0 ? m_disabledTextColor : 0xFFA0A0A0);
    }
    return;
  }
  const std::wstring shown = m_password ? std::wstring(m_text.size(), m_passwordChar) : m_text;
  DrawLabelText(ctx, shown, CurrentTextColor());
}

void CEditUI::PaintBorder(RenderContext& ctx) { CLabelUI::PaintBorder(ctx); }

void CEditUI::SetPos(const UiRect& rect) {
  CLabelUI::SetPos(rect);
  PlaceNativeChild();
}

void CEditUI::SetVisible(bool visible) {
  CLabelUI::SetVisible(visible);
  PlaceNativeChild();
}

void CEditUI::SetInternVisible(bool visible) {
  CLabelUI::SetInternVisible(visible);
  PlaceNativeChild();
}

void CEditUI::SetEnabled(bool enabled) {
  CLabelUI::SetEnabled(enabled);
  SyncNativeChild();
}

void CEditUI::SetManager(CPaintManagerUI* manager, CControlUI* parent, bool init) {
  if (m_manager != manager) ReleaseNativeChild();
  CLabelUI::SetManager(manager, parent, init);
}

void CEditUI::DoInit() {
  if (m_native || !m_manager || !m_manager->GetHost()) return;
  m_native = m_manager->GetHost()->CreateNativeChild(this, NativeChildKind::Edit);
  if (m_native) {
    SyncNativeChild();
    PlaceNativeChild();
  }
}

void CEditUI::SyncNativeChild() {
  if (m_native && m_manager && m_manager->GetHost()) m_manager->GetHost()->UpdateNativeChild(this);
}

void CEditUI::PlaceNativeChild() {
  if (!m_native || !m_manager || !m_manager->GetHost()) return;
  const UiRect rect = TextRect();
  // A native window cannot be clipped by the containers above it: while any part of the box is
  // scrolled out of view the child hides and the control paints its text itself.
  bool shown = IsVisible() && !rect.IsEmpty();
  for (CControlUI* p = m_parent; p && shown; p = p->GetParent()) {
    if (auto* container = dynamic_cast<CContainerUI*>(p)) {
      if (container->GetInnerRect().Intersect(rect) != rect) shown = false;
    }
  }
  m_nativeShown = shown;
  m_manager->GetHost()->PlaceNativeChild(this, rect, shown);
}

void CEditUI::ReleaseNativeChild() {
  if (m_native && m_manager && m_manager->GetHost()) m_manager->GetHost()->DestroyNativeChild(this);
  m_native = false;
  m_nativeShown = false;
}

}  // namespace nimbrook::toolkit
