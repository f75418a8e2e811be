// CButtonUI: a label that is clicked: hot, pushed and focused states with their images and colours;
// "click" on button-up inside after a press, on Return or Space when it has the focus.
#pragma once

#include "toolkit/label.h"

namespace nimbrook::toolkit {

class CButtonUI : public CLabelUI {
 public:
  CButtonUI();
  std::wstring GetClass() const override;
  bool IsTabStop() const override { return true; }

  bool IsHot() const { return m_hot; }
  bool IsPushed() const { return m_pushed; }
  bool IsCaptured() const { return m_captured; }

  const std::wstring& GetNormalImage() const { return m_normalImage; }
  void SetNormalImage(const std::wstring& image);
  const std::wstring& GetHotImage() const { return m_hotImage; }
  void SetHotImage(const std::wstring& image);
  const std::wstring& GetPushedImage() const { return m_pushedImage; }
  void SetPushedImage(const std::wstring& image);
  const std::wstring& GetFocusedImage() const { return m_focusedImage; }
  void SetFocusedImage(const std::wstring& image);
  const std::wstring& GetDisabledImage() const { return m_disabledImage; }
  void SetDisabledImage(const std::wstring& image);
  UiColor GetHotTextColor() const { return m_hotTextColor; }
  void SetHotTextColor(UiColor c) { m_hotTextColor = c; Invalidate(); }
  UiColor GetPushedTextColor() const { return m_pushedTextColor; }
  void SetPushedTextColor(UiColor c) { m_pushedTextColor = c; Invalidate(); }
  UiColor GetFocusedTextColor() const { return m_focusedTextColor; }
  void SetFocusedTextColor(UiColor c) { m_focusedTextColor = c; Invalidate(); }
  UiColor GetHotBkColor() const { return m_hotBkColor; }
  void SetHotBkColor(UiColor c) { m_hotBkColor = c; Invalidate(); }
  UiColor GetPushedBkColor() const { return m_pushedBkColor; }
  void SetPushedBkColor(UiColor c) { m_pushedBkColor = c; Invalidate(); }

  bool SetAttribute(const std::wstring& name, const std::wstring& value) override;
  void DoEvent(TEventUI& event) override;
  bool Activate() override;
  void SetEnabled(bool enabled) override;

 protected:
  void PaintBkColor(RenderContext& ctx) override;
  void PaintStatusImage(RenderContext& ctx) override;
  UiColor CurrentTextColor() const override;
  // The cursor shown over the button (hand, unless the layout asked for another one).
  virtual UiCursor HoverCursor() const;
  void DrawStateImage(RenderContext& ctx, const ImageSpec& image);

  bool m_hot = false;
  bool m_pushed = false;
  bool m_captured = false;
  bool m_cursorSet = false;   // the layout gave a cursor attribute
  std::wstring m_normalImage, m_hotImage, m_pushedImage, m_focusedImage, m_disabledImage;
  ImageSpec m_normal, m_hotSpec, m_pushedSpec, m_focusedSpec, m_disabledSpec;
  UiColor m_hotTextColor = 0;
  UiColor m_pushedTextColor = 0;
  UiColor m_focusedTextColor = 0;
  UiColor m_hotBkColor = 0;
  UiColor m_pushedBkColor = 0;
};

}  // namespace nimbrook::toolkit
