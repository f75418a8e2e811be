// CRichEditUI: a read-only, multi-line text pane that wraps its text and scrolls it vertically
// (licence texts, logs shown to the user).
#pragma once

#include "toolkit/label.h"

namespace nimbrook::toolkit {

class CRichEditUI : public CLabelUI {
 public:
  CRichEditUI();
  std::wstring GetClass() const override;

  bool IsReadOnly() const { return m_readOnly; }
  void SetReadOnly(bool readOnly) { m_readOnly = readOnly; }
  bool HasVScrollBar() const { return m_vscroll; }
  // Vertical scroll offset in pixels, clamped to the text's height minus the visible height.
  int GetScrollPos() const { return m_scrollPos; }
  void SetScrollPos(int pos);
  int GetScrollRange() const { return m_scrollRange; }
  void AppendText(const std::wstring& text);

  bool SetAttribute(const std::wstring& name, const std::wstring& value) override;
  void DoEvent(TEventUI& event) override;
  void DoPaint(RenderContext& ctx, const UiRect& dirty) override;

 protected:
  bool m_readOnly = true;
  bool m_vscroll = false;
  int m_scrollPos = 0;
  int m_scrollRange = 0;
};

}  // namespace nimbrook::toolkit
