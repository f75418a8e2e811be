#include "toolkit/progress.h"

#include "toolkit/attribute_values.h"
#include "toolkit/render_context.h"

namespace nimbrook::toolkit {

CProgressUI::CProgressUI() { m_textStyle.align = TextAlign::Center; }

std::wstring CProgressUI::GetClass() const { return L"ProgressUI"; }

void CProgressUI::SetHorizontal(bool horizontal) {
  m_horizontal = horizontal;
  Invalidate();
}

void CProgressUI::SetMinValue(int min) {
  m_min = min;
  if (m_max < m_min) m_max = m_min;
  if (m_value < m_min) m_value = m_min;
  Invalidate();
}

void CProgressUI::SetMaxValue(int max) {
  m_max = max;
  if (m_min > m_max) m_min = m_max;
  if (m_value > m_max) m_value = m_max;
  Invalidate();
}

void CProgressUI::SetValue(int value) {
  if (value < m_min) value = m_min;
  if (value > m_max) value = m_max;
  if (value == m_value) return;
  m_value = value;
  Invalidate();
  Notify(notify::kValueChanged, static_cast<uintptr_t>(m_value));
}

const std::wstring& CProgressUI::GetForeImage() const {
  return m_foreImage ? m_foreImage->text : SharedName(std::wstring());
}

void CProgressUI::SetForeImage(const std::wstring& image) {
  const SharedImage* shared = SharedImageFor(image);
  if (!shared) return;
  m_foreImage = shared;
  Invalidate();
}

void CProgressUI::SetForeColor(UiColor c) {
  m_foreColor = c;
  Invalidate();
}

UiRect CProgressUI::BarRect() const {
  UiRect bar = m_pos;
  const long long span = static_cast<long long>(m_max) - m_min;
  const long long done = static_cast<long long>(m_value) - m_min;
  if (span <= 0) return bar;
  if (m_horizontal) {
    bar.right = bar.left + static_cast<int>(bar.Width() * done / span);
  } else {
    bar.top = bar.bottom - static_cast<int>(bar.Height() * done / span);
  }
  return bar;
}

bool CProgressUI::SetAttribute(const std::wstring& name, const std::wstring& value) {
  int n = 0;
  bool b = false;
  UiColor c = 0;
  if (name == L"min") {
    if (!ParseInt(value, n)) return false;
    SetMinValue(n);
  } else if (name == L"max") {
    if (!ParseInt(value, n)) return false;
    SetMaxValue(n);
  } else if (name == L"value") {
    if (!ParseInt(value, n)) return false;
    SetValue(n);
  } else if (name == L"hor") {
    if (!ParseBool(value, b)) return false;
    SetHorizontal(b);
  } else if (name == L"foreimage") {
    if (!SharedImageFor(value)) return false;
    SetForeImage(value);
  } else if (name == L"forecolor") {
    if (!ParseColor(value, c)) return false;
    SetForeColor(c);
  } else {
    return CLabelUI::SetAttribute(name, value);
  }
  return true;
}

void CProgressUI::PaintStatusImage(RenderContext& ctx) {
  const UiRect bar = BarRect();
  if (bar.IsEmpty()) return;
  if (m_foreColor != 0) ctx.FillRoundRect(bar, GetBorderRound(), m_foreColor);
  if (m_foreImage && !m_foreImage->spec.IsEmpty()) {
    // The image keeps its full-length scale and is cut at the value, as a real bar fills up.
    ctx.PushClip(bar, {});
    ctx.DrawImage(m_foreImage->spec, m_pos);
    ctx.PopClip();
  }
}

}  // namespace nimbrook::toolkit
