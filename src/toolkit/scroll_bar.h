// CScrollBarUI: a scroll bar with range, position, line size and a draggable thumb. A container's
// own bars scroll the container; a free-standing bar sends "scroll" when its position changes.
#pragma once

#include "toolkit/control.h"

namespace nimbrook::toolkit {

class CContainerUI;

class CScrollBarUI : public CControlUI {
 public:
  CScrollBarUI();
  std::wstring GetClass() const override;

  bool IsHorizontal() const { return m_horizontal; }
  void SetHorizontal(bool horizontal);
  int GetScrollRange() const { return m_range; }
  void SetScrollRange(int range);   // negative counts as 0; the position is clamped into it
  int GetScrollPos() const { return m_scrollPos; }
  void SetScrollPos(int pos);       // clamped to [0, range]
  int GetLineSize() const { return m_lineSize; }
  void SetLineSize(int size) { m_lineSize = size > 0 ? size : 1; }
  void LineUp() { MoveBy(-static_cast<long long>(m_lineSize)); }
  void LineDown() { MoveBy(m_lineSize); }
  void PageUp();
  void PageDown();
  UiColor GetThumbColor() const { return m_thumbColor; }
  void SetThumbColor(UiColor c) { m_thumbColor = c; Invalidate(); }
  // The container this bar scrolls (null for a free-standing bar).
  CContainerUI* GetOwner() const { return m_owner; }
  void SetOwner(CContainerUI* owner) { m_owner = owner; }
  // The thumb's rectangle for the current range and position.
  UiRect ThumbRect() const;

  bool SetAttribute(const std::wstring& name, const std::wstring& value) override;
  void DoEvent(TEventUI& event) override;

 protected:
  void PaintStatusImage(RenderContext& ctx) override;
  void MoveBy(long long delta);

  bool m_horizontal = false;
  int m_range = 100;
  int m_scrollPos = 0;
  int m_lineSize = 8;
  UiColor m_thumbColor = 0xFFC8CDD3;
  CContainerUI* m_owner = nullptr;
  bool m_dragging = false;
  UiPoint m_dragStart{};
  int m_dragStartPos = 0;
};

}  // namespace nimbrook::toolkit
