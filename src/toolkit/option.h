// COptionUI: a button with a selected state. Options of one group are exclusive: selecting one
// unselects the others. A click is notified before the selection changes; a change of selection
// sends "selectchanged".
#pragma once

#include "toolkit/button.h"

namespace nimbrook::toolkit {

class COptionUI : public CButtonUI {
 public:
  ~COptionUI() override;
  std::wstring GetClass() const override;

  const std::wstring& GetGroup() const { return m_group; }
  void SetGroup(const std::wstring& group);
  bool IsSelected() const { return m_selected; }
  // Selects or unselects; in a group, selecting unselects the other options of the group.
  // notify false changes the state silently (layout set-up).
  virtual void Selected(bool selected, bool notify = true);

  const std::wstring& GetSelectedImage() const { return m_selectedImage; }
  void SetSelectedImage(const std::wstring& image);
  const std::wstring& GetSelectedHotImage() const { return m_selectedHotImage; }
  void SetSelectedHotImage(const std::wstring& image);
  UiColor GetSelectedTextColor() const { return m_selectedTextColor; }
  void SetSelectedTextColor(UiColor c) { m_selectedTextColor = c; Invalidate(); }
  UiColor GetSelectedBkColor() const { return m_selectedBkColor; }
  void SetSelectedBkColor(UiColor c) { m_selectedBkColor = c; Invalidate(); }

  bool SetAttribute(const std::wstring& name, const std::wstring& value) override;
  bool Activate() override;
  void SetManager(CPaintManagerUI* manager, CControlUI* parent, bool init = true) override;

 protected:
  void PaintBkColor(RenderContext& ctx) override;
  void PaintStatusImage(RenderContext& ctx) override;
  UiColor CurrentTextColor() const override;

  std::wstring m_group;
  bool m_selected = false;
  std::wstring m_selectedImage, m_selectedHotImage;
  ImageSpec m_selectedSpec, m_selectedHotSpec;
  UiColor m_selectedTextColor = 0;
  UiColor m_selectedBkColor = 0;
};

}  // namespace nimbrook::toolkit
