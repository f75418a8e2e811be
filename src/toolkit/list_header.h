// The header of a list: CListHeaderUI lays its items out left to right; a CListHeaderItemUI is a
// column caption that sends "headerclick" when clicked.
#pragma once

#include "toolkit/button.h"
#include "toolkit/horizontal_layout.h"

namespace nimbrook::toolkit {

class CListHeaderUI : public CHorizontalLayoutUI {
 public:
  CListHeaderUI();
  std::wstring GetClass() const override;
  UiSize EstimateSize(UiSize available) override;
};

class CListHeaderItemUI : public CButtonUI {
 public:
  CListHeaderItemUI();
  std::wstring GetClass() const override;
  bool IsTabStop() const override { return false; }

  int GetSepWidth() const { return m_sepWidth; }
  void SetSepWidth(int width) { m_sepWidth = width; }

  bool SetAttribute(const std::wstring& name, const std::wstring& value) override;
  bool Activate() override;

 protected:
  void PaintBorder(RenderContext& ctx) override;

  int m_sepWidth = 1;
};

}  // namespace nimbrook::toolkit
