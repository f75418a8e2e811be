// CContainerUI: a control that owns children. Children are placed over the inner rectangle (the
// position less the inset); float children at their pos relative to the container. The container
// may scroll its content with its own vertical and horizontal scroll bars.
#pragma once

#include <memory>
#include <vector>

#include "toolkit/control.h"

namespace nimbrook::toolkit {

class CScrollBarUI;

class CContainerUI : public CControlUI {
 public:
  CContainerUI();
  ~CContainerUI() override;
  std::wstring GetClass() const override;

  // Ownership: Add and AddAt take the control (allocated with new) over; it is deleted with the
  // container, by Remove/RemoveAt/RemoveAll, or handed back by Detach. False (and the control
  // deleted) for a null control or a bad index.
  virtual bool Add(CControlUI* control);
  virtual bool AddAt(CControlUI* control, int index);
  virtual bool Remove(CControlUI* control);
  virtual bool RemoveAt(int index);
  virtual void RemoveAll();
  // Takes the child out without deleting it; the caller owns it (null if it is not a child).
  virtual std::unique_ptr<CControlUI> Detach(CControlUI* control);
  virtual CControlUI* GetItemAt(int index) const;
  virtual int GetItemIndex(CControlUI* control) const;   // -1 when not a child
  // Moves a child to another index (clamped to the list); false when it is not a child.
  virtual bool SetItemIndex(CControlUI* control, int index);
  // Puts every child in the place order gives it, in one pass (a move per child would cost a pass
  // each). False, with nothing moved, unless order holds each child exactly once.
  bool ReorderItems(const std::vector<CControlUI*>& order);
  virtual int GetCount() const;

  const UiRect& GetInset() const { return m_inset; }
  void SetInset(const UiRect& inset);
  int GetChildPadding() const { return m_childPadding; }
  void SetChildPadding(int padding);
  // false: the children take no mouse input; the container answers for them.
  bool IsMouseChildEnabled() const { return m_mouseChild; }
  void SetMouseChildEnabled(bool enabled) { m_mouseChild = enabled; }

  // Scrolling.
  void EnableScrollBar(bool vertical, bool horizontal = false);
  CScrollBarUI* GetVerticalScrollBar() const { return m_vscroll.get(); }
  CScrollBarUI* GetHorizontalScrollBar() const { return m_hscroll.get(); }
  UiSize GetScrollPos() const;
  UiSize GetScrollRange() const;
  void SetScrollPos(UiSize pos);
  void LineUp();
  void LineDown();
  void PageUp();
  void PageDown();
  void HomeUp();
  void EndDown();
  // Scrolls so that the rectangle (client coordinates) of a child is fully visible.
  void EnsureVisible(const UiRect& rect);
  // The rectangle children are laid out in: position less inset and scroll bars.
  UiRect GetInnerRect() const;

  bool SetAttribute(const std::wstring& name, const std::wstring& value) override;
  void SetPos(const UiRect& rect) override;
  void DoPaint(RenderContext& ctx, const UiRect& dirty) override;
  void DoEvent(TEventUI& event) override;
  void SetManager(CPaintManagerUI* manager, CControlUI* parent, bool init = true) override;
  void VisitControls(const std::function<void(CControlUI*)>& visit) override;
  CControlUI* FindControlAt(UiPoint pt) override;
  void SetVisible(bool visible) override;
  void SetInternVisible(bool visible) override;
  void SetEnabled(bool enabled) override;
  UiSize EstimateSize(UiSize available) override;

 protected:
  // Places the children inside rect; each layout kind overrides it. The base puts every non-float
  // child over the whole rectangle (less its padding).
  virtual void LayoutChildren(const UiRect& inner);
  // Places a float child at its pos relative to the container's top-left.
  void PlaceFloat(CControlUI* child);
  // Sets the range of the scroll bars for content of the given size inside the inner rectangle;
  // returns true when a bar appeared or disappeared (the layout then runs again).
  bool ProcessScrollBars(const UiRect& rect, int contentWidth, int contentHeight);
  // Shifts every child by the scroll position change.
  void OnScrollChanged(UiSize previous);
  friend class CScrollBarUI;

  std::vector<std::unique_ptr<CControlUI>> m_items;
  UiRect m_inset{};
  int m_childPadding = 0;
  bool m_mouseChild = true;
  std::unique_ptr<CScrollBarUI> m_vscroll;
  std::unique_ptr<CScrollBarUI> m_hscroll;
  bool m_scrollProcess = false;   // guards the re-layout after a scroll bar appears
  UiSize m_contentSize{};         // extent of the non-float children, set by LayoutChildren
  int m_scrollBarWidth = 10;
};

}  // namespace nimbrook::toolkit
