#include "toolkit/option.h"

#include <algorithm>

#include "toolkit/attribute_values.h"
#include "toolkit/paint_manager.h"
#include "toolkit/render_context.h"

namespace nimbrook::toolkit {

COptionUI::~COptionUI() {
  if (m_manager && !m_group.empty()) m_manager->RemoveOptionGroup(m_group, this);
}

std::wstring COptionUI::GetClass() const { return L"OptionUI"; }

void COptionUI::SetGroup(const std::wstring& group) {
  if (group == m_group) return;
  if (m_manager && !m_group.empty()) m_manager->RemoveOptionGroup(m_group, this);
  m_group = group;
  if (m_manager && !m_group.empty()) {
    m_manager->AddOptionGroup(m_group, this);
    if (m_selected) {
      // Joining a group with a selected option keeps the group exclusive.
      m_selected = false;
      Selected(true, false);
    }
  }
}

void COptionUI::Selected(bool selected, bool notify) {
  if (m_selected == selected) return;
  m_selected = selected;
  auto life = GetLifeToken();
  if (m_selected && m_manager && !m_group.empty()) {
    const auto* members = m_manager->GetOptionGroup(m_group);
    if (members) {
      // A copy: unselecting others notifies, and a handler may change the group.
      const std::vector<COptionUI*> others = *members;
      for (COptionUI* other : others) {
        if (other == this) continue;
        const auto* now = m_manager->GetOptionGroup(m_group);
        if (!now || std::find(now->begin(), now->end(), other) == now->end()) continue;
        other->Selected(false, notify);
        if (life.expired()) return;
      }
    }
  }
  Invalidate();
  if (notify) Notify(notify::kSelectChanged);
}

void COptionUI::SetSelectedImage(const std::wstring& image) {
  ImageSpec desc;
  if (!ParseImage(image, desc)) return;
  m_selectedImage = image;
  m_selectedSpec = desc;
  Invalidate();
}

void COptionUI::SetSelectedHotImage(const std::wstring& image) {
  ImageSpec desc;
  if (!ParseImage(image, desc)) return;
  m_selectedHotImage = image;
  m_selectedHotSpec = desc;
  Invalidate();
}

bool COptionUI::SetAttribute(const std::wstring& name, const std::wstring& value) {
  bool b = false;
  UiColor c = 0;
  ImageSpec desc;
  if (name == L"group") {
    SetGroup(value);
  } else if (name == L"selected") {
    if (!ParseBool(value, b)) return false;
    Selected(b, false);
  } else if (name == L"selectedimage") {
    if (!ParseImage(value, desc)) return false;
    SetSelectedImage(value);
  } else if (name == L"selectedhotimage") {
    if (!ParseImage(value, desc)) return false;
    SetSelectedHotImage(value);
  } else if (name == L"selectedtextcolor") {
    if (!ParseColor(value, c)) return false;
    SetSelectedTextColor(c);
  } else if (name == L"selectedbkcolor") {
    if (!ParseColor(value, c)) return false;
    SetSelectedBkColor(c);
  } else {
    return CButtonUI::SetAttribute(name, value);
  }
  return true;
}

bool COptionUI::Activate() {
  auto life = GetLifeToken();
  // The click is told first; the window sees the selection as it was before the click.
  if (!CButtonUI::Activate()) return false;
  if (life.expired()) return true;
  if (!m_group.empty()) {
    Selected(true);
  } else {
    Selected(!m_selected);
  }
  return true;
}

void COptionUI::SetManager(CPaintManagerUI* manager, CControlUI* parent, bool init) {
  if (m_manager && m_manager != manager && !m_group.empty()) m_manager->RemoveOptionGroup(m_group, this);
  CButtonUI::SetManager(manager, parent, init);
  if (init && m_manager && !m_group.empty()) {
    m_manager->AddOptionGroup(m_group, this);
    if (m_selected) {
      m_selected = false;
      Selected(true, false);
    }
  }
}

void COptionUI::PaintBkColor(RenderContext& ctx) {
  if (m_selected && m_selectedBkColor != 0) {
    ctx.FillRoundRect(m_pos, GetBorderRound(), m_selectedBkColor);
    return;
  }
  CButtonUI::PaintBkColor(ctx);
}

void COptionUI::PaintStatusImage(RenderContext& ctx) {
  if (m_selected) {
    if ((m_hot || m_pushed) && !m_selectedHotSpec.IsEmpty() && DrawImage(ctx, m_selectedHotSpec)) return;
    if (!m_selectedSpec.IsEmpty() && DrawImage(ctx, m_selectedSpec)) return;
  }
  CButtonUI::PaintStatusImage(ctx);
}

UiColor COptionUI::CurrentTextColor() const {
  if (m_selected && m_selectedTextColor != 0 && IsEnabled()) return m_selectedTextColor;
  return CButtonUI::CurrentTextColor();
}

}  // namespace nimbrook::toolkit
