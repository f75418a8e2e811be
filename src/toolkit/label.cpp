#include "toolkit/label.h"

#include <algorithm>

#include "toolkit/attribute_values.h"
#include "toolkit/paint_manager.h"
#include "toolkit/render_context.h"

namespace nimbrook::toolkit {

std::wstring CLabelUI::GetClass() const { return L"LabelUI"; }

void CLabelUI::SetFont(int id) {
  m_font = id;
  Invalidate();
}

void CLabelUI::SetTextColor(UiColor c) {
  m_textColor = c;
  Invalidate();
}

void CLabelUI::SetDisabledTextColor(UiColor c) {
  m_disabledTextColor = c;
  Invalidate();
}

void CLabelUI::SetTextStyle(const TextStyle& style) {
  m_textStyle = style;
  Invalidate();
}

void CLabelUI::SetTextPadding(const UiRect& padding) {
  auto bound = [](int v) { return std::clamp(v, -kMaxExtent, kMaxExtent); };
  m_textPadding = {bound(padding.left), bound(padding.top), bound(padding.right), bound(padding.bottom)};
  Invalidate();
}

bool CLabelUI::SetAttribute(const std::wstring& name, const std::wstring& value) {
  int n = 0;
  bool b = false;
  UiRect r{};
  UiColor c = 0;
  if (name == L"font") {
    if (!ParseInt(value, n)) return false;
    SetFont(n);
  } else if (name == L"textcolor") {
    if (!ParseColor(value, c)) return false;
    SetTextColor(c);
  } else if (name == L"disabledtextcolor") {
    if (!ParseColor(value, c)) return false;
    SetDisabledTextColor(c);
  } else if (name == L"align") {
    // Older layouts put the vertical placement into align as well.
    if (value == L"left") m_textStyle.align = TextAlign::Left;
    else if (value == L"center") m_textStyle.align = TextAlign::Center;
    else if (value == L"right") m_textStyle.align = TextAlign::Right;
    else if (value == L"top") m_textStyle.valign = TextVAlign::Top;
    else if (value == L"vcenter") m_textStyle.valign = TextVAlign::VCenter;
    else if (value == L"bottom") m_textStyle.valign = TextVAlign::Bottom;
    else return false;
    Invalidate();
  } else if (name == L"valign") {
    if (value == L"top") m_textStyle.valign = TextVAlign::Top;
    else if (value == L"vcenter" || value == L"center") m_textStyle.valign = TextVAlign::VCenter;
    else if (value == L"bottom") m_textStyle.valign = TextVAlign::Bottom;
    else return false;
    Invalidate();
  } else if (name == L"textpadding") {
    if (!ParseRect(value, r)) return false;
    SetTextPadding(r);
  } else if (name == L"endellipsis") {
    if (!ParseBool(value, b)) return false;
    m_textStyle.endEllipsis = b;
    Invalidate();
  } else if (name == L"multiline" || name == L"wordbreak") {
    if (!ParseBool(value, b)) return false;
    m_textStyle.multiline = b;
    Invalidate();
  } else {
    return CControlUI::SetAttribute(name, value);
  }
  return true;
}

UiColor CLabelUI::CurrentTextColor() const {
  if (!IsEnabled()) {
    if (m_disabledTextColor != 0) return m_disabledTextColor;
    return m_manager ? m_manager->GetDefaultDisabledColor() : 0xFFA7A6AA;
  }
  if (m_textColor != 0) return m_textColor;
  return m_manager ? m_manager->GetDefaultFontColor() : 0xFF000000;
}

void CLabelUI::PaintText(RenderContext& ctx) {
  const std::wstring text = GetText();
  if (text.empty()) return;
  DrawLabelText(ctx, text, CurrentTextColor());
}

void CLabelUI::DrawLabelText(RenderContext& ctx, const std::wstring& text, UiColor color) {
  static const FontSpec kFallback;
  const FontSpec& font = m_manager ? m_manager->GetFont(m_font) : kFallback;
  const UiRect rect = TextRect();
  if (rect.IsEmpty()) return;
  ctx.DrawText(text, rect, font, color, m_textStyle);
}

}  // namespace nimbrook::toolkit
