#include "toolkit/horizontal_layout.h"

#include <algorithm>
#include <vector>

#include "toolkit/scroll_bar.h"

namespace nimbrook::toolkit {

std::wstring CHorizontalLayoutUI::GetClass() const { return L"HorizontalLayoutUI"; }

UiSize CHorizontalLayoutUI::EstimateSize(UiSize available) { return CContainerUI::EstimateSize(available); }

void CHorizontalLayoutUI::LayoutChildren(const UiRect& inner) {
  const UiSize scroll = GetScrollPos();
  const UiSize available{inner.Width(), inner.Height()};

  struct Slot {
    CControlUI* control;
    UiSize estimate;
    int width;      // decided width, -1 while it shares the rest
  };
  std::vector<Slot> slots;
  slots.reserve(m_items.size());
  int fixedTotal = 0;
  for (auto& item : m_items) {
    if (!item->GetVisibleFlag() || item->IsFloat()) continue;
    const UiSize sz = item->EstimateSize(available);
    const UiRect& pad = item->GetPadding();
    Slot slot{item.get(), sz, -1};
    if (sz.cx > 0) {
      slot.width = std::clamp(sz.cx, item->GetMinWidth(), item->GetMaxWidth());
      fixedTotal += slot.width;
    }
    fixedTotal += pad.left + pad.right;
    slots.push_back(slot);
  }
  if (!slots.empty()) fixedTotal += m_childPadding * static_cast<int>(slots.size() - 1);

  int remaining = available.cx - fixedTotal;
  for (int round = 0; round < 8; ++round) {
    int flexible = 0;
    for (const auto& s : slots) flexible += s.width < 0 ? 1 : 0;
    if (flexible == 0) break;
    const int share = std::max(0, remaining) / flexible;
    bool settled = true;
    for (auto& s : slots) {
      if (s.width >= 0) continue;
      const int clamped = std::clamp(share, s.control->GetMinWidth(), s.control->GetMaxWidth());
      if (clamped != share) {
        s.width = clamped;
        remaining -= clamped;
        settled = false;
      }
    }
    if (settled) {
      int leftover = std::max(0, remaining) - share * flexible;
      for (auto it = slots.rbegin(); it != slots.rend(); ++it) {
        if (it->width < 0) {
          it->width = share + leftover;
          leftover = 0;
          for (auto& s : slots) {
            if (s.width < 0) s.width = share;
          }
          break;
        }
      }
      break;
    }
  }

  int x = inner.left - scroll.cx;
  int tallest = 0;
  for (const auto& s : slots) {
    const UiRect& pad = s.control->GetPadding();
    const int w = std::max(0, s.width);
    int h = available.cy - pad.top - pad.bottom;
    if (s.estimate.cy > 0) h = std::clamp(s.estimate.cy, s.control->GetMinHeight(), s.control->GetMaxHeight());
    else h = std::clamp(h, s.control->GetMinHeight(), s.control->GetMaxHeight());
    const int y = inner.top + pad.top - scroll.cy;
    x += pad.left;
    s.control->SetPos({x, y, x + w, y + std::max(0, h)});
    x += w + pad.right + m_childPadding;
    tallest = std::max(tallest, h + pad.top + pad.bottom);
  }
  if (!slots.empty()) x -= m_childPadding;
  m_contentSize = {x - (inner.left - scroll.cx), tallest};
}

}  // namespace nimbrook::toolkit
