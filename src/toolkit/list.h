// CListUI: a list with an optional header and a scrolling body of rows (list elements). Single
// selection: selecting a row sends "itemselect" from the list (wParam the new index, lParam the old);
// clicking a row sends "itemclick" from the row. Rows can be moved (SetItemIndex) and removed.
#pragma once

#include "toolkit/vertical_layout.h"

namespace nimbrook::toolkit {

class CListHeaderUI;
class CListUI;

// Defaults the list gives its rows (item* attributes).
struct TListInfoUI {
  int font = -1;
  TextStyle textStyle{TextAlign::Left, TextVAlign::VCenter, false, true};
  UiColor textColor = 0xFF000000;
  UiColor bkColor = 0;
  UiColor hotBkColor = 0;
  UiColor selectedBkColor = 0;
  UiColor selectedTextColor = 0;
  UiColor disabledTextColor = 0;
  UiColor lineColor = 0;
  UiRect textPadding{};
};

// The row side of a list: index, owner and selected state.
class IListItemUI {
 public:
  virtual ~IListItemUI() = default;
  virtual int GetIndex() const = 0;
  virtual void SetIndex(int index) = 0;
  virtual CListUI* GetOwner() const = 0;
  virtual void SetOwner(CListUI* owner) = 0;
  virtual bool IsSelected() const = 0;
  // Marks the row; select true also asks the owner to select it (notifying).
  virtual bool Select(bool select = true) = 0;
  // Only changes the mark (used by the owner).
  virtual void SetSelectedState(bool selected) = 0;
};

class CListUI : public CVerticalLayoutUI {
 public:
  CListUI();
  ~CListUI() override;
  std::wstring GetClass() const override;

  // Rows. A CListHeaderUI added here becomes the header; a CListHeaderItemUI goes into the header;
  // anything else is a row of the body.
  bool Add(CControlUI* control) override;
  bool AddAt(CControlUI* control, int index) override;
  bool Remove(CControlUI* control) override;
  bool RemoveAt(int index) override;
  void RemoveAll() override;
  std::unique_ptr<CControlUI> Detach(CControlUI* control) override;
  CControlUI* GetItemAt(int index) const override;
  int GetItemIndex(CControlUI* control) const override;
  // Moves a row; the selection follows the row that was selected.
  bool SetItemIndex(CControlUI* control, int index) override;
  int GetCount() const override;

  int GetCurSel() const { return m_curSel; }
  // Selects the row at index (-1 clears the selection). Sends "itemselect" when the selection
  // changes; takeFocus gives the list the focus. Returns false for an index outside the rows or a
  // row that is hidden or disabled.
  bool SelectItem(int index, bool takeFocus = false);
  // Scrolls the body so that the row is fully visible.
  void EnsureVisible(int index);
  void Scroll(int dx, int dy);

  CListHeaderUI* GetHeader() const { return m_header; }
  CVerticalLayoutUI* GetList() const { return m_body; }
  bool IsHeaderVisible() const;
  void SetHeaderVisible(bool visible);
  const TListInfoUI& GetListInfo() const { return m_info; }
  TListInfoUI& GetListInfo() { return m_info; }

  bool SetAttribute(const std::wstring& name, const std::wstring& value) override;
  void DoEvent(TEventUI& event) override;
  void SetPos(const UiRect& rect) override;
  bool IsTabStop() const override { return true; }

 protected:
  void ReindexFrom(int index);
  int GetItemIndexRaw(CControlUI* control) const;   // among the list's own two children

  bool m_headerWanted = true;                       // header="hidden" turns it off
  int m_pendingVisible = -1;                        // row to scroll to once the layout is current

  CListHeaderUI* m_header = nullptr;     // owned as the first child of this layout
  CVerticalLayoutUI* m_body = nullptr;   // owned as the second child
  int m_curSel = -1;
  TListInfoUI m_info;
};

}  // namespace nimbrook::toolkit
