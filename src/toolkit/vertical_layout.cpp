#include "toolkit/vertical_layout.h"

#include <algorithm>
#include <vector>

#include "toolkit/scroll_bar.h"

namespace nimbrook::toolkit {

std::wstring CVerticalLayoutUI::GetClass() const { return L"VerticalLayoutUI"; }

UiSize CVerticalLayoutUI::EstimateSize(UiSize available) { return CContainerUI::EstimateSize(available); }

void CVerticalLayoutUI::LayoutChildren(const UiRect& inner) {
  const UiSize scroll = GetScrollPos();
  const UiSize available{inner.Width(), inner.Height()};

  struct Slot {
    CControlUI* control;
    UiSize estimate;
    int height;     // decided height, -1 while it shares the rest
  };
  std::vector<Slot> slots;
  slots.reserve(m_items.size());
  int fixedTotal = 0;
  for (auto& item : m_items) {
    if (!item->GetVisibleFlag() || item->IsFloat()) continue;
    const UiSize sz = item->EstimateSize(available);
    const UiRect& pad = item->GetPadding();
    Slot slot{item.get(), sz, -1};
    if (sz.cy > 0) {
      slot.height = std::clamp(sz.cy, item->GetMinHeight(), item->GetMaxHeight());
      fixedTotal += slot.height;
    }
    fixedTotal += pad.top + pad.bottom;
    slots.push_back(slot);
  }
  if (!slots.empty()) fixedTotal += m_childPadding * static_cast<int>(slots.size() - 1);

  // Share what is left among the children without a fixed height. A share outside a child's
  // min/max fixes that child at its limit and the rest is shared again among the others.
  int remaining = available.cy - fixedTotal;
  for (int round = 0; round < 8; ++round) {
    int flexible = 0;
    for (const auto& s : slots) flexible += s.height < 0 ? 1 : 0;
    if (flexible == 0) break;
    const int share = std::max(0, remaining) / flexible;
    bool settled = true;
    for (auto& s : slots) {
      if (s.height >= 0) continue;
      const int clamped = std::clamp(share, s.control->GetMinHeight(), s.control->GetMaxHeight());
      if (clamped != share) {
        s.height = clamped;
        remaining -= clamped;
        settled = false;
      }
    }
    if (settled) {
      // The last flexible child takes the pixels the division leaves over.
      int leftover = std::max(0, remaining) - share * flexible;
      for (auto it = slots.rbegin(); it != slots.rend(); ++it) {
        if (it->height < 0) {
          it->height = share + leftover;
          leftover = 0;
          for (auto& s : slots) {
            if (s.height < 0) s.height = share;
          }
          break;
        }
      }
      break;
    }
  }

  int y = inner.top - scroll.cy;
  int widest = 0;
  for (const auto& s : slots) {
    const UiRect& pad = s.control->GetPadding();
    const int h = std::max(0, s.height);
    int w = available.cx - pad.left - pad.right;
    if (s.estimate.cx > 0) w = std::clamp(s.estimate.cx, s.control->GetMinWidth(), s.control->GetMaxWidth());
    else w = std::clamp(w, s.control->GetMinWidth(), s.control->GetMaxWidth());
    const int x = inner.left + pad.left - scroll.cx;
    y += pad.top;
    s.control->SetPos({x, y, x + std::max(0, w), y + h});
    y += h + pad.bottom + m_childPadding;
    widest = std::max(widest, w + pad.left + pad.right);
  }
  if (!slots.empty()) y -= m_childPadding;
  m_contentSize = {widest, y - (inner.top - scroll.cy)};
}

}  // namespace nimbrook::toolkit
