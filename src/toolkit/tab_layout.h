// CTabLayoutUI: pages on top of each other; only the selected child is visible. Selecting another
// page sends "tabselect" (wParam the new index, lParam the old one).
#pragma once

#include "toolkit/container.h"

namespace nimbrook::toolkit {

class CTabLayoutUI : public CContainerUI {
 public:
  std::wstring GetClass() const override;

  int GetCurSel() const { return m_curSel; }
  // false for an index outside the pages.
  bool SelectItem(int index);
  bool SelectItem(CControlUI* page) { return SelectItem(GetItemIndex(page)); }

  bool Add(CControlUI* control) override;
  bool AddAt(CControlUI* control, int index) override;
  bool Remove(CControlUI* control) override;
  void RemoveAll() override;
  bool SetAttribute(const std::wstring& name, const std::wstring& value) override;
  void SetInternVisible(bool visible) override;

 protected:
  void LayoutChildren(const UiRect& inner) override;
  void ShowOnly(int index);

  int m_curSel = -1;
  int m_initialSel = 0;
};

}  // namespace nimbrook::toolkit
