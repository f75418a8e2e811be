// CProgressUI: a bar showing value between min and max, horizontal or vertical, drawn with a
// foreground image or colour over the background; the label text sits on top.
#pragma once

#include "toolkit/label.h"

namespace nimbrook::toolkit {

class CProgressUI : public CLabelUI {
 public:
  CProgressUI();
  std::wstring GetClass() const override;

  bool IsHorizontal() const { return m_horizontal; }
  void SetHorizontal(bool horizontal);
  int GetMinValue() const { return m_min; }
  void SetMinValue(int min);
  int GetMaxValue() const { return m_max; }
  void SetMaxValue(int max);
  int GetValue() const { return m_value; }
  // Clamped to [min, max]; a change sends "valuechanged".
  void SetValue(int value);
  const std::wstring& GetForeImage() const;
  void SetForeImage(const std::wstring& image);
  UiColor GetForeColor() const { return m_foreColor; }
  void SetForeColor(UiColor c);
  // The part of the control the bar covers for the current value.
  UiRect BarRect() const;

  bool SetAttribute(const std::wstring& name, const std::wstring& value) override;

 protected:
  void PaintStatusImage(RenderContext& ctx) override;

  bool m_horizontal = true;
  int m_min = 0;
  int m_max = 100;
  int m_value = 0;
  const SharedImage* m_foreImage = nullptr;
  UiColor m_foreColor = 0;
};

}  // namespace nimbrook::toolkit
