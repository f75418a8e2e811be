// CLabelUI: a control that shows one text with a font, colours, alignment, padding and end ellipsis;
// the base of every text-bearing control (text, button, option, edit, progress).
#pragma once

#include "toolkit/control.h"

namespace nimbrook::toolkit {

class CLabelUI : public CControlUI {
 public:
  std::wstring GetClass() const override;

  int GetFont() const { return m_font; }   // font id of the layout; -1 is the manager's default font
  void SetFont(int id);
  UiColor GetTextColor() const { return m_textColor; }
  void SetTextColor(UiColor c);
  UiColor GetDisabledTextColor() const { return m_disabledTextColor; }
  void SetDisabledTextColor(UiColor c);
  const TextStyle& GetTextStyle() const { return m_textStyle; }
  void SetTextStyle(const TextStyle& style);
  const UiRect& GetTextPadding() const { return m_textPadding; }
  void SetTextPadding(const UiRect& padding);
  bool IsEndEllipsis() const { return m_textStyle.endEllipsis; }
  bool IsMultiLine() const { return m_textStyle.multiline; }

  bool SetAttribute(const std::wstring& name, const std::wstring& value) override;

 protected:
  void PaintText(RenderContext& ctx) override;
  // The colour the text is drawn in right now (state colours of buttons and options override it).
  virtual UiColor CurrentTextColor() const;
  // Draws text in the text rectangle with this label's font and style.
  void DrawLabelText(RenderContext& ctx, const std::wstring& text, UiColor color);
  UiRect TextRect() const { return m_pos.Deflate(m_textPadding); }

  int m_font = -1;
  UiColor m_textColor = 0;
  UiColor m_disabledTextColor = 0;
  TextStyle m_textStyle{};
  UiRect m_textPadding{};
};

}  // namespace nimbrook::toolkit
