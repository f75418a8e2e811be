// Rows of a list. CListContainerElementUI is a row that holds other controls (a container);
// CListLabelElementUI is a row with one text. A click sends "itemclick" from the row and selects it;
// a double click sends "itemactivate".
#pragma once

#include "toolkit/horizontal_layout.h"
#include "toolkit/label.h"
#include "toolkit/list.h"

namespace nimbrook::toolkit {

// What both row kinds share over their control base: index, owner, selection and hot mark, the row's
// input handling, its default height and its selected/hot background and separator line.
template <typename Base>
class CListElementUI : public Base, public IListItemUI {
 public:
  int GetIndex() const override { return m_index; }
  void SetIndex(int index) override { m_index = index; }
  CListUI* GetOwner() const override { return m_owner; }
  void SetOwner(CListUI* owner) override { m_owner = owner; }
  bool IsSelected() const override { return m_selected; }
  bool Select(bool select = true) override;
  void SetSelectedState(bool selected) override;
  bool IsHot() const { return m_hot; }

  void DoEvent(TEventUI& event) override;
  bool Activate() override;
  UiSize EstimateSize(UiSize available) override;

 protected:
  void PaintBkColor(RenderContext& ctx) override;
  void PaintBorder(RenderContext& ctx) override;

  int m_index = -1;
  CListUI* m_owner = nullptr;
  bool m_selected = false;
  bool m_hot = false;
};

// Built once, in list_elements.cpp, for the two bases below.
extern template class CListElementUI<CHorizontalLayoutUI>;
extern template class CListElementUI<CLabelUI>;

class CListContainerElementUI : public CListElementUI<CHorizontalLayoutUI> {
 public:
  std::wstring GetClass() const override;
};

class CListLabelElementUI : public CListElementUI<CLabelUI> {
 public:
  std::wstring GetClass() const override;

 protected:
  void PaintText(RenderContext& ctx) override;
};

}  // namespace nimbrook::toolkit
