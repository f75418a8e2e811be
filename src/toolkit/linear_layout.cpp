#include "toolkit/linear_layout.h"

#include <algorithm>
#include <vector>

namespace nimbrook::toolkit {
namespace {

// Reads sizes, rectangles and limits along the layout's axis ("main") or across it ("cross"), so one
// routine places both rows and columns.
struct AxisView {
  bool horizontal;

  int Main(UiSize s) const { return horizontal ? s.cx : s.cy; }
  int Cross(UiSize s) const { return horizontal ? s.cy : s.cx; }
  int MainLead(const UiRect& r) const { return horizontal ? r.left : r.top; }
  int MainTrail(const UiRect& r) const { return horizontal ? r.right : r.bottom; }
  int CrossLead(const UiRect& r) const { return horizontal ? r.top : r.left; }
  int CrossTrail(const UiRect& r) const { return horizontal ? r.bottom : r.right; }
  int MinMain(const CControlUI& c) const { return horizontal ? c.GetMinWidth() : c.GetMinHeight(); }
  int MaxMain(const CControlUI& c) const { return horizontal ? c.GetMaxWidth() : c.GetMaxHeight(); }
  int MinCross(const CControlUI& c) const { return horizontal ? c.GetMinHeight() : c.GetMinWidth(); }
  int MaxCross(const CControlUI& c) const { return horizontal ? c.GetMaxHeight() : c.GetMaxWidth(); }
  UiSize Size(int main, int cross) const { return horizontal ? UiSize{main, cross} : UiSize{cross, main}; }
  UiRect Rect(int mainFrom, int crossFrom, int mainTo, int crossTo) const {
    return horizontal ? UiRect{mainFrom, crossFrom, mainTo, crossTo} : UiRect{crossFrom, mainFrom, crossTo, mainTo};
  }
};

}  // namespace

void CLinearLayoutUI::LayoutChildren(const UiRect& inner) {
  const AxisView axis{m_axis == Axis::Horizontal};
  const UiSize scroll = GetScrollPos();
  const UiSize available{inner.Width(), inner.Height()};

  struct Slot {
    CControlUI* control;
    UiSize estimate;
    int extent;     // decided extent along the axis, -1 while it shares the rest
  };
  std::vector<Slot> slots;
  slots.reserve(m_items.size());
  int fixedTotal = 0;
  for (auto& item : m_items) {
    if (!item->GetVisibleFlag() || item->IsFloat()) continue;
    const UiSize sz = item->EstimateSize(available);
    const UiRect& pad = item->GetPadding();
    Slot slot{item.get(), sz, -1};
    if (axis.Main(sz) > 0) {
      slot.extent = std::clamp(axis.Main(sz), axis.MinMain(*item), axis.MaxMain(*item));
      fixedTotal += slot.extent;
    }
    fixedTotal += axis.MainLead(pad) + axis.MainTrail(pad);
    slots.push_back(slot);
  }
  if (!slots.empty()) fixedTotal += m_childPadding * static_cast<int>(slots.size() - 1);

  // Share what is left among the children without a fixed extent. A share outside a child's
  // min/max fixes that child at its limit and the rest is shared again among the others.
  int remaining = axis.Main(available) - fixedTotal;
  for (int round = 0; round < 8; ++round) {
    int flexible = 0;
    for (const auto& s : slots) flexible += s.extent < 0 ? 1 : 0;
    if (flexible == 0) break;
    const int share = std::max(0, remaining) / flexible;
    bool settled = true;
    for (auto& s : slots) {
      if (s.extent >= 0) continue;
      const int clamped = std::clamp(share, axis.MinMain(*s.control), axis.MaxMain(*s.control));
      if (clamped != share) {
        s.extent = clamped;
        remaining -= clamped;
        settled = false;
      }
    }
    if (settled) {
      // The last flexible child takes the pixels the division leaves over.
      int leftover = std::max(0, remaining) - share * flexible;
      for (auto it = slots.rbegin(); it != slots.rend(); ++it) {
        if (it->extent < 0) {
          it->extent = share + leftover;
          leftover = 0;
          for (auto& s : slots) {
            if (s.extent < 0) s.extent = share;
          }
          break;
        }
      }
      break;
    }
  }

  // Across the axis a child takes its estimate, or else the whole inner extent less its padding,
  // within its min/max.
  const int start = axis.MainLead(inner) - axis.Main(scroll);
  int along = start;
  int thickest = 0;
  for (const auto& s : slots) {
    const UiRect& pad = s.control->GetPadding();
    const int padCross = axis.CrossLead(pad) + axis.CrossTrail(pad);
    const int main = std::max(0, s.extent);
    const int wanted = axis.Cross(s.estimate) > 0 ? axis.Cross(s.estimate) : axis.Cross(available) - padCross;
    const int cross = std::clamp(wanted, axis.MinCross(*s.control), axis.MaxCross(*s.control));
    const int across = axis.CrossLead(inner) + axis.CrossLead(pad) - axis.Cross(scroll);
    along += axis.MainLead(pad);
    s.control->SetPos(axis.Rect(along, across, along + main, across + std::max(0, cross)));
    along += main + axis.MainTrail(pad) + m_childPadding;
    thickest = std::max(thickest, cross + padCross);
  }
  if (!slots.empty()) along -= m_childPadding;
  m_contentSize = axis.Size(along - start, thickest);
}

}  // namespace nimbrook::toolkit
