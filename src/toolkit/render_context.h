// The drawing seam of the toolkit: controls paint through a RenderContext, whatever draws behind it
// (GDI+ into a window's back buffer on Windows, a recorder in native tests and benchmarks).
// Coordinates are logical pixels; the context scales them for the device itself.
#pragma once

#include <string>

#include "toolkit/ui_types.h"

namespace nimbrook::toolkit {

class RenderContext {
 public:
  virtual ~RenderContext() = default;

  virtual void FillRect(const UiRect& rect, UiColor argb) = 0;
  // A filled rectangle with rounded corners (ellipse size round); the plain rectangle when round is 0.
  virtual void FillRoundRect(const UiRect& rect, UiSize round, UiColor argb) {
    FillRect(rect, argb);
  }
  // A vertical gradient from top to bottom colour (bkcolor to bkcolor2).
  virtual void FillGradient(const UiRect& rect, UiColor top, UiColor bottom) { FillRect(rect, top); }
  // A border of size pixels inside rect, with rounded corners when round is not 0.
  virtual void DrawBorder(const UiRect& rect, int size, UiColor argb, UiSize round) = 0;
  // Draws the image into controlRect as the image text says (source, nine-slice corners, dest, fade).
  // False when the image cannot be loaded; the control then looks as if it had no image.
  virtual bool DrawImage(const ImageSpec& image, const UiRect& controlRect) = 0;
  virtual void DrawText(const std::wstring& text, const UiRect& rect, const FontSpec& font, UiColor argb,
                        const TextStyle& style) = 0;
  // The extent of the text in font; maxWidth > 0 wraps at that width, 0 measures one line.
  virtual UiSize MeasureText(const std::wstring& text, const FontSpec& font, int maxWidth) = 0;
  // Clipping nests: drawing stays inside the intersection of every pushed rectangle.
  virtual void PushClip(const UiRect& rect, UiSize round) = 0;
  virtual void PopClip() = 0;
};

}  // namespace nimbrook::toolkit
