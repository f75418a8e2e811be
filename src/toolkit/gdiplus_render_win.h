// Painting with GDI+ on Windows: the RenderContext the host hands to the paint manager. It draws into
// an off-screen 32-bit surface (premultiplied alpha, top-down) that the host copies to the window,
// or that tests read pixel by pixel. Images come from the resource store, decoded once per file name.
#pragma once

#include <windows.h>
#include <objidl.h>

#include <gdiplus.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "toolkit/render_context.h"

namespace nimbrook::toolkit {

// Starts GDI+ once for the process on first use; false when it cannot be started.
bool EnsureGdiplus();

// A 32-bit top-down DIB section selected into its own memory DC. Sizes are device pixels.
class OffscreenSurface {
 public:
  OffscreenSurface() = default;
  ~OffscreenSurface();
  OffscreenSurface(const OffscreenSurface&) = delete;
  OffscreenSurface& operator=(const OffscreenSurface&) = delete;

  // Makes the surface width x height (keeps the pixels when the size is unchanged). False on failure
  // or a size that is not positive; the surface is then empty.
  [[nodiscard]] bool Resize(int width, int height);
  void Clear(UiColor argb = 0);

  HDC Dc() const { return dc_; }
  HBITMAP Bitmap() const { return bitmap_; }
  int Width() const { return width_; }
  int Height() const { return height_; }
  uint32_t* Pixels() const { return pixels_; }  // premultiplied BGRA words, row after row
  // The colour at a pixel as straight (not premultiplied) ARGB; 0 outside the surface.
  UiColor PixelAt(int x, int y) const;

 private:
  void Release();
  HDC dc_ = nullptr;
  HBITMAP bitmap_ = nullptr;
  HGDIOBJ previous_ = nullptr;
  uint32_t* pixels_ = nullptr;
  int width_ = 0;
  int height_ = 0;
};

// The surface as PNG bytes (screenshots of off-screen renders); none when GDI+ cannot encode.
std::optional<std::string> EncodePng(const OffscreenSurface& surface);

// Decoded images, per file name as the layouts write it ("x.png", "img\\x.png", any case). Failures
// are remembered too, so a missing image costs one lookup, not one per paint. The cache starts over
// when the resource store's folder or archive changes. UI thread only.
class GdiplusImageCache {
 public:
  // The image, or null when the resource is missing or no image. The bitmap stays owned by the cache.
  Gdiplus::Bitmap* Get(const std::wstring& file);
  void Clear();
  static GdiplusImageCache& Instance();

 private:
  struct Slot {
    std::wstring key;
    std::unique_ptr<Gdiplus::Bitmap> bitmap;  // null: the file could not be loaded
  };
  std::vector<Slot> slots_;
  uint64_t generation_ = 0;  // of the resource store the slots were read from
};

// Decodes image bytes (PNG, BMP, JPEG, GIF) into a 32-bit premultiplied bitmap; null when they are
// no image.
std::unique_ptr<Gdiplus::Bitmap> DecodeImage(const std::string& bytes);

class GdiplusRenderContext : public RenderContext {
 public:
  // Draws into surface; scale is device pixels per logical pixel (1.0 at 96 dpi). The surface must
  // outlive the context.
  GdiplusRenderContext(OffscreenSurface& surface, double scale);
  ~GdiplusRenderContext() override;
  GdiplusRenderContext(const GdiplusRenderContext&) = delete;
  GdiplusRenderContext& operator=(const GdiplusRenderContext&) = delete;

  bool IsValid() const { return graphics_ != nullptr; }
  // ClearType (default) suits opaque backgrounds; layered windows with transparent parts want
  // grey-scale antialiasing.
  void SetClearType(bool clearType);

  void FillRect(const UiRect& rect, UiColor argb) override;
  void FillRoundRect(const UiRect& rect, UiSize round, UiColor argb) override;
  void FillGradient(const UiRect& rect, UiColor top, UiColor bottom) override;
  void DrawBorder(const UiRect& rect, int size, UiColor argb, UiSize round) override;
  bool DrawImage(const ImageSpec& image, const UiRect& controlRect) override;
  void DrawText(const std::wstring& text, const UiRect& rect, const FontSpec& font, UiColor argb,
                const TextStyle& style) override;
  UiSize MeasureText(const std::wstring& text, const FontSpec& font, int maxWidth) override;
  void PushClip(const UiRect& rect, UiSize round) override;
  void PopClip() override;

 private:
  std::unique_ptr<Gdiplus::Bitmap> target_;  // wraps the surface's pixels
  std::unique_ptr<Gdiplus::Graphics> graphics_;
  std::vector<unsigned> clipStates_;         // GDI+ graphics states saved by PushClip
  double scale_;
};

}  // namespace nimbrook::toolkit
