#include "toolkit/gdiplus_render_win.h"

#include <objidl.h>
#include <shlwapi.h>

#include <algorithm>
#include <cmath>
#include <mutex>

#include <gdiplus.h>

#include "core/log.h"
#include "core/text.h"
#include "toolkit/resource_store.h"

namespace nimbrook::toolkit {
namespace {

// COM pointers released on every path.
template <typename T>
struct ComRelease {
  void operator()(T* p) const {
    if (p) p->Release();
  }
};
template <typename T>
using ComPtr = std::unique_ptr<T, ComRelease<T>>;

Gdiplus::Color ToColor(UiColor argb) { return Gdiplus::Color(static_cast<Gdiplus::ARGB>(argb)); }

Gdiplus::RectF ToRectF(const UiRect& r) {
  return Gdiplus::RectF(static_cast<Gdiplus::REAL>(r.left), static_cast<Gdiplus::REAL>(r.top),
                        static_cast<Gdiplus::REAL>(r.Width()), static_cast<Gdiplus::REAL>(r.Height()));
}

// A rounded rectangle whose corner ellipses are round.cx x round.cy, clamped to the rectangle.
void AddRoundRect(Gdiplus::GraphicsPath& path, const Gdiplus::RectF& r, UiSize round) {
  const Gdiplus::REAL w = std::min<Gdiplus::REAL>(static_cast<Gdiplus::REAL>(round.cx), r.Width);
  const Gdiplus::REAL h = std::min<Gdiplus::REAL>(static_cast<Gdiplus::REAL>(round.cy), r.Height);
  if (w <= 0 || h <= 0) {
    path.AddRectangle(r);
    return;
  }
  path.AddArc(r.X, r.Y, w, h, 180, 90);
  path.AddArc(r.X + r.Width - w, r.Y, w, h, 270, 90);
  path.AddArc(r.X + r.Width - w, r.Y + r.Height - h, w, h, 0, 90);
  path.AddArc(r.X, r.Y + r.Height - h, w, h, 90, 90);
  path.CloseFigure();
}

std::wstring CacheKey(const std::wstring& file) {
  std::wstring key = file;
  for (auto& c : key) {
    if (c == L'\\') c = L'/';
    if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c - L'A' + L'a');
  }
  return key;
}

// Fonts by their declaration; sizes are logical pixels (the graphics transform scales them).
class FontCache {
 public:
  Gdiplus::Font* Get(const FontSpec& spec) {
    for (auto& slot : slots_) {
      if (slot.spec == spec) return slot.font.get();
    }
    int style = Gdiplus::FontStyleRegular;
    if (spec.bold) style |= Gdiplus::FontStyleBold;
    if (spec.italic) style |= Gdiplus::FontStyleItalic;
    if (spec.underline) style |= Gdiplus::FontStyleUnderline;
    const Gdiplus::REAL size = static_cast<Gdiplus::REAL>(spec.size > 0 ? spec.size : 12);
    std::unique_ptr<Gdiplus::Font> font;
    // The face the layout names, then faces that carry Chinese, then whatever sans-serif exists.
    for (const wchar_t* face : {spec.name.c_str(), L"Microsoft YaHei", L"SimSun", L"Tahoma"}) {
      Gdiplus::FontFamily family(face);
      if (family.GetLastStatus() != Gdiplus::Ok || !family.IsAvailable()) continue;
      font = std::make_unique<Gdiplus::Font>(&family, size, style, Gdiplus::UnitPixel);
      if (font->GetLastStatus() == Gdiplus::Ok) break;
      font.reset();
    }
    if (!font) {
      font = std::make_unique<Gdiplus::Font>(Gdiplus::FontFamily::GenericSansSerif(), size, style, Gdiplus::UnitPixel);
    }
    slots_.push_back({spec, std::move(font)});
    return slots_.back().font.get();
  }
  static FontCache& Instance() {
    static FontCache* cache = new FontCache();  // GDI+ objects must not outlive GDI+: never destroyed
    return *cache;
  }

 private:
  struct Slot {
    FontSpec spec;
    std::unique_ptr<Gdiplus::Font> font;
  };
  std::vector<Slot> slots_;
};

// The string format for a style: typographic metrics (no GDI+ padding), so measured and drawn text
// agree; ellipsis for single lines is done by FitWithEllipsis, which behaves the same on every system.
void PrepareFormat(Gdiplus::StringFormat& format, const TextStyle& style) {
  switch (style.align) {
    case TextAlign::Left: format.SetAlignment(Gdiplus::StringAlignmentNear); break;
    case TextAlign::Center: format.SetAlignment(Gdiplus::StringAlignmentCenter); break;
    case TextAlign::Right: format.SetAlignment(Gdiplus::StringAlignmentFar); break;
  }
  switch (style.valign) {
    case TextVAlign::Top: format.SetLineAlignment(Gdiplus::StringAlignmentNear); break;
    case TextVAlign::VCenter: format.SetLineAlignment(Gdiplus::StringAlignmentCenter); break;
    case TextVAlign::Bottom: format.SetLineAlignment(Gdiplus::StringAlignmentFar); break;
  }
  int flags = Gdiplus::StringFormatFlagsMeasureTrailingSpaces;
  if (!style.multiline) flags |= Gdiplus::StringFormatFlagsNoWrap;
  format.SetFormatFlags(flags);
  format.SetTrimming(style.multiline && style.endEllipsis ? Gdiplus::StringTrimmingEllipsisWord
                                                          : Gdiplus::StringTrimmingNone);
}

Gdiplus::SizeF Measure(Gdiplus::Graphics& g, const std::wstring& text, Gdiplus::Font* font,
                       const Gdiplus::StringFormat& format, Gdiplus::REAL maxWidth) {
  Gdiplus::RectF bounds;
  const Gdiplus::RectF layout(0, 0, maxWidth > 0 ? maxWidth : 100000.0f, 100000.0f);
  g.MeasureString(text.c_str(), static_cast<INT>(text.size()), font, layout, &format, &bounds);
  return Gdiplus::SizeF(bounds.Width, bounds.Height);
}

// The longest beginning of text that fits width together with "...", cut between characters (a
// surrogate pair stays whole).
std::wstring FitWithEllipsis(Gdiplus::Graphics& g, const std::wstring& text, Gdiplus::Font* font,
                             const Gdiplus::StringFormat& format, Gdiplus::REAL width) {
  if (Measure(g, text, font, format, 0).Width <= width) return text;
  const std::wstring ellipsis = L"...";
  size_t low = 0;
  size_t high = text.size();
  while (low < high) {
    const size_t mid = (low + high + 1) / 2;
    if (Measure(g, text.substr(0, mid) + ellipsis, font, format, 0).Width <= width) {
      low = mid;
    } else {
      high = mid - 1;
    }
  }
  if (low > 0 && low < text.size() && text[low - 1] >= 0xD800 && text[low - 1] <= 0xDBFF) --low;
  if (low == 0 && Measure(g, ellipsis, font, format, 0).Width > width) return std::wstring();
  return text.substr(0, low) + ellipsis;
}

}  // namespace

bool EnsureGdiplus() {
  static std::once_flag once;
  static bool started = false;
  std::call_once(once, [] {
    Gdiplus::GdiplusStartupInput input;
    ULONG_PTR token = 0;
    started = Gdiplus::GdiplusStartup(&token, &input, nullptr) == Gdiplus::Ok;
    // Never shut down: cached images and fonts live until the process ends.
  });
  return started;
}

// ---- OffscreenSurface ----

OffscreenSurface::~OffscreenSurface() { Release(); }

void OffscreenSurface::Release() {
  if (dc_ && previous_) SelectObject(dc_, previous_);
  if (bitmap_) DeleteObject(bitmap_);
  if (dc_) DeleteDC(dc_);
  dc_ = nullptr;
  bitmap_ = nullptr;
  previous_ = nullptr;
  pixels_ = nullptr;
  width_ = height_ = 0;
}

bool OffscreenSurface::Resize(int width, int height) {
  if (width == width_ && height == height_ && bitmap_) return true;
  Release();
  // 16384 x 16384 is far beyond any monitor; a larger request is a bug, not a window.
  if (width <= 0 || height <= 0 || width > 16384 || height > 16384) return false;
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;  // top-down
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  dc_ = CreateCompatibleDC(nullptr);
  if (!dc_) return false;
  void* bits = nullptr;
  bitmap_ = CreateDIBSection(dc_, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (!bitmap_ || !bits) {
    Release();
    return false;
  }
  previous_ = SelectObject(dc_, bitmap_);
  pixels_ = static_cast<uint32_t*>(bits);
  width_ = width;
  height_ = height;
  Clear(0);
  return true;
}

void OffscreenSurface::Clear(UiColor argb) {
  if (!pixels_) return;
  GdiFlush();
  const uint32_t a = argb >> 24;
  auto pre = [a](uint32_t c) { return (c * a + 127) / 255; };
  const uint32_t value = (a << 24) | (pre((argb >> 16) & 0xFF) << 16) | (pre((argb >> 8) & 0xFF) << 8) | pre(argb & 0xFF);
  std::fill(pixels_, pixels_ + static_cast<size_t>(width_) * height_, value);
}

UiColor OffscreenSurface::PixelAt(int x, int y) const {
  if (!pixels_ || x < 0 || y < 0 || x >= width_ || y >= height_) return 0;
  GdiFlush();
  const uint32_t p = pixels_[static_cast<size_t>(y) * width_ + x];
  const uint32_t a = p >> 24;
  if (a == 0) return 0;
  auto straight = [a](uint32_t c) { return std::min<uint32_t>(255, (c * 255 + a / 2) / a); };
  return (a << 24) | (straight((p >> 16) & 0xFF) << 16) | (straight((p >> 8) & 0xFF) << 8) | straight(p & 0xFF);
}

std::optional<std::string> EncodePng(const OffscreenSurface& surface) {
  if (!EnsureGdiplus() || !surface.Pixels()) return std::nullopt;
  GdiFlush();
  Gdiplus::Bitmap bitmap(surface.Width(), surface.Height(), surface.Width() * 4, PixelFormat32bppPARGB,
                         reinterpret_cast<BYTE*>(surface.Pixels()));
  UINT count = 0;
  UINT size = 0;
  if (Gdiplus::GetImageEncodersSize(&count, &size) != Gdiplus::Ok || size == 0) return std::nullopt;
  std::vector<BYTE> buffer(size);
  auto* encoders = reinterpret_cast<Gdiplus::ImageCodecInfo*>(buffer.data());
  if (Gdiplus::GetImageEncoders(count, size, encoders) != Gdiplus::Ok) return std::nullopt;
  const CLSID* png = nullptr;
  for (UINT i = 0; i < count; ++i) {
    if (encoders[i].MimeType && std::wstring(encoders[i].MimeType) == L"image/png") png = &encoders[i].Clsid;
  }
  if (!png) return std::nullopt;
  ComPtr<IStream> stream(SHCreateMemStream(nullptr, 0));
  if (!stream || bitmap.Save(stream.get(), png, nullptr) != Gdiplus::Ok) return std::nullopt;
  STATSTG stat{};
  if (FAILED(stream->Stat(&stat, STATFLAG_NONAME)) || stat.cbSize.QuadPart > 512ull * 1024 * 1024) return std::nullopt;
  std::string bytes(static_cast<size_t>(stat.cbSize.QuadPart), '\0');
  LARGE_INTEGER zero{};
  ULONG read = 0;
  if (FAILED(stream->Seek(zero, STREAM_SEEK_SET, nullptr)) ||
      FAILED(stream->Read(bytes.data(), static_cast<ULONG>(bytes.size()), &read)) || read != bytes.size()) {
    return std::nullopt;
  }
  return bytes;
}

// ---- images ----

std::unique_ptr<Gdiplus::Bitmap> DecodeImage(const std::string& bytes) {
  if (!EnsureGdiplus() || bytes.empty() || bytes.size() > 0x7FFFFFFF) return nullptr;
  ComPtr<IStream> stream(SHCreateMemStream(reinterpret_cast<const BYTE*>(bytes.data()), static_cast<UINT>(bytes.size())));
  if (!stream) return nullptr;
  std::unique_ptr<Gdiplus::Bitmap> decoded(Gdiplus::Bitmap::FromStream(stream.get()));
  if (!decoded || decoded->GetLastStatus() != Gdiplus::Ok) return nullptr;
  const UINT width = decoded->GetWidth();
  const UINT height = decoded->GetHeight();
  if (width == 0 || height == 0 || width > 8192 || height > 8192) return nullptr;
  // A copy in the drawing format, independent of the stream (GDI+ reads a stream-backed bitmap lazily).
  auto copy = std::make_unique<Gdiplus::Bitmap>(static_cast<INT>(width), static_cast<INT>(height), PixelFormat32bppPARGB);
  if (copy->GetLastStatus() != Gdiplus::Ok) return nullptr;
  {
    Gdiplus::Graphics g(copy.get());
    g.SetCompositingMode(Gdiplus::CompositingModeSourceCopy);
    if (g.DrawImage(decoded.get(), 0, 0, static_cast<INT>(width), static_cast<INT>(height)) != Gdiplus::Ok) return nullptr;
  }
  return copy;
}

Gdiplus::Bitmap* GdiplusImageCache::Get(const std::wstring& file) {
  const uint64_t generation = Resources().Generation();
  if (generation != generation_) {
    slots_.clear();
    generation_ = generation;
  }
  const std::wstring key = CacheKey(file);
  for (const auto& slot : slots_) {
    if (slot.key == key) return slot.bitmap.get();
  }
  std::unique_ptr<Gdiplus::Bitmap> bitmap;
  if (const auto bytes = ReadResource(file)) bitmap = DecodeImage(*bytes);
  if (!bitmap) WriteLog(L"图片加载失败:" + file);
  slots_.push_back({key, std::move(bitmap)});
  return slots_.back().bitmap.get();
}

void GdiplusImageCache::Clear() { slots_.clear(); }

GdiplusImageCache& GdiplusImageCache::Instance() {
  static GdiplusImageCache* cache = new GdiplusImageCache();  // never destroyed, like GDI+ itself
  return *cache;
}

// ---- GdiplusRenderContext ----

GdiplusRenderContext::GdiplusRenderContext(OffscreenSurface& surface, double scale) : scale_(scale > 0 ? scale : 1.0) {
  if (!EnsureGdiplus() || !surface.Pixels()) return;
  GdiFlush();
  target_ = std::make_unique<Gdiplus::Bitmap>(surface.Width(), surface.Height(), surface.Width() * 4,
                                              PixelFormat32bppPARGB, reinterpret_cast<BYTE*>(surface.Pixels()));
  if (target_->GetLastStatus() != Gdiplus::Ok) {
    target_.reset();
    return;
  }
  graphics_ = std::make_unique<Gdiplus::Graphics>(target_.get());
  if (graphics_->GetLastStatus() != Gdiplus::Ok) {
    graphics_.reset();
    return;
  }
  graphics_->ScaleTransform(static_cast<Gdiplus::REAL>(scale_), static_cast<Gdiplus::REAL>(scale_));
  graphics_->SetPixelOffsetMode(Gdiplus::PixelOffsetModeHalf);
  graphics_->SetCompositingQuality(Gdiplus::CompositingQualityHighSpeed);
  graphics_->SetTextRenderingHint(Gdiplus::TextRenderingHintClearTypeGridFit);
}

GdiplusRenderContext::~GdiplusRenderContext() {
  graphics_.reset();  // flushes into the surface before the wrapper goes
  target_.reset();
}

void GdiplusRenderContext::SetClearType(bool clearType) {
  if (!graphics_) return;
  graphics_->SetTextRenderingHint(clearType ? Gdiplus::TextRenderingHintClearTypeGridFit
                                            : Gdiplus::TextRenderingHintAntiAliasGridFit);
}

void GdiplusRenderContext::FillRect(const UiRect& rect, UiColor argb) {
  if (!graphics_ || rect.IsEmpty() || (argb >> 24) == 0) return;
  Gdiplus::SolidBrush brush(ToColor(argb));
  graphics_->SetSmoothingMode(Gdiplus::SmoothingModeNone);
  graphics_->FillRectangle(&brush, ToRectF(rect));
}

void GdiplusRenderContext::FillRoundRect(const UiRect& rect, UiSize round, UiColor argb) {
  if (round.cx <= 0 || round.cy <= 0) return FillRect(rect, argb);
  if (!graphics_ || rect.IsEmpty() || (argb >> 24) == 0) return;
  Gdiplus::GraphicsPath path;
  AddRoundRect(path, ToRectF(rect), round);
  Gdiplus::SolidBrush brush(ToColor(argb));
  graphics_->SetSmoothingMode(Gdiplus::SmoothingModeAntiAlias);
  graphics_->FillPath(&brush, &path);
}

void GdiplusRenderContext::FillGradient(const UiRect& rect, UiColor top, UiColor bottom) {
  if (!graphics_ || rect.IsEmpty()) return;
  // The brush runs one pixel beyond both edges: GDI+ otherwise wraps the first colour into the last row.
  const Gdiplus::RectF area = ToRectF(rect);
  Gdiplus::RectF brushArea(area.X, area.Y - 1, area.Width, area.Height + 2);
  Gdiplus::LinearGradientBrush brush(brushArea, ToColor(top), ToColor(bottom), Gdiplus::LinearGradientModeVertical);
  graphics_->SetSmoothingMode(Gdiplus::SmoothingModeNone);
  graphics_->FillRectangle(&brush, area);
}

void GdiplusRenderContext::DrawBorder(const UiRect& rect, int size, UiColor argb, UiSize round) {
  if (!graphics_ || size <= 0 || rect.IsEmpty() || (argb >> 24) == 0) return;
  // Borders are filled, not stroked: pens place odd widths differently from system to system,
  // fills cover exactly the pixels asked for. A round border is the ring between two rounded
  // rectangles; a square one four bands.
  if (round.cx > 0 && round.cy > 0) {
    const Gdiplus::RectF outer = ToRectF(rect);
    Gdiplus::RectF inner = outer;
    inner.Inflate(-static_cast<Gdiplus::REAL>(size), -static_cast<Gdiplus::REAL>(size));
    Gdiplus::GraphicsPath path(Gdiplus::FillModeAlternate);
    AddRoundRect(path, outer, round);
    if (inner.Width > 0 && inner.Height > 0) {
      AddRoundRect(path, inner, {std::max(0, round.cx - 2 * size), std::max(0, round.cy - 2 * size)});
    }
    Gdiplus::SolidBrush brush(ToColor(argb));
    graphics_->SetSmoothingMode(Gdiplus::SmoothingModeAntiAlias);
    graphics_->FillPath(&brush, &path);
    return;
  }
  const int s = std::min({size, rect.Width() / 2 + 1, rect.Height() / 2 + 1});
  FillRect({rect.left, rect.top, rect.right, rect.top + s}, argb);
  FillRect({rect.left, rect.bottom - s, rect.right, rect.bottom}, argb);
  FillRect({rect.left, rect.top + s, rect.left + s, rect.bottom - s}, argb);
  FillRect({rect.right - s, rect.top + s, rect.right, rect.bottom - s}, argb);
}

bool GdiplusRenderContext::DrawImage(const ImageSpec& image, const UiRect& controlRect) {
  if (!graphics_ || image.IsEmpty()) return false;
  Gdiplus::Bitmap* bitmap = GdiplusImageCache::Instance().Get(image.file);
  if (!bitmap) return false;
  const int imageWidth = static_cast<int>(bitmap->GetWidth());
  const int imageHeight = static_cast<int>(bitmap->GetHeight());

  UiRect source{0, 0, imageWidth, imageHeight};
  if (image.hasSource) source = image.source.Intersect(source);
  UiRect dest = controlRect;
  if (image.hasDest) {
    dest = {controlRect.left + image.dest.left, controlRect.top + image.dest.top, controlRect.left + image.dest.right,
            controlRect.top + image.dest.bottom};
  }
  if (source.IsEmpty() || dest.IsEmpty()) return true;  // loaded; nothing of it falls into view
  if (image.fade <= 0) return true;

  Gdiplus::ImageAttributes attributes;
  // Stretched images sample beyond their edges; mirroring keeps those samples inside the image's colours.
  attributes.SetWrapMode(Gdiplus::WrapModeTileFlipXY);
  if (image.fade < 255) {
    Gdiplus::ColorMatrix matrix = {{{1, 0, 0, 0, 0},
                                    {0, 1, 0, 0, 0},
                                    {0, 0, 1, 0, 0},
                                    {0, 0, 0, static_cast<Gdiplus::REAL>(image.fade) / 255, 0},
                                    {0, 0, 0, 0, 1}}};
    attributes.SetColorMatrix(&matrix);
  }
  graphics_->SetSmoothingMode(Gdiplus::SmoothingModeNone);

  // A piece stretched well beyond its size is a flat swatch (an edge or the centre of a slice, a
  // one-pixel line): filtering would blend it with its neighbours over many pixels, so it is
  // repeated instead. Pieces near their own size (corners, icons at high DPI) are filtered.
  // Stretches are in device pixels per image pixel.
  auto chooseInterpolation = [&](double stretchX, double stretchY) {
    graphics_->SetInterpolationMode(stretchX > 1.6 || stretchY > 1.6 ? Gdiplus::InterpolationModeNearestNeighbor
                                                                     : Gdiplus::InterpolationModeHighQualityBilinear);
  };

  // Nine-slice: corners keep their size, edges stretch one way, the centre both (or stays empty
  // with hole). Corners wider than the source or the destination are cut down to fit.
  UiRect c = image.corner;
  c.left = std::clamp(c.left, 0, source.Width());
  c.right = std::clamp(c.right, 0, source.Width() - c.left);
  c.top = std::clamp(c.top, 0, source.Height());
  c.bottom = std::clamp(c.bottom, 0, source.Height() - c.top);
  if (c.left + c.right > dest.Width()) c.left = c.right = dest.Width() / 2;
  if (c.top + c.bottom > dest.Height()) c.top = c.bottom = dest.Height() / 2;
  if (c.left == 0 && c.top == 0 && c.right == 0 && c.bottom == 0) {
    if (image.hole) return true;
    chooseInterpolation(dest.Width() * scale_ / source.Width(), dest.Height() * scale_ / source.Height());
    const Gdiplus::Rect to(dest.left, dest.top, dest.Width(), dest.Height());
    graphics_->DrawImage(bitmap, to, source.left, source.top, source.Width(), source.Height(), Gdiplus::UnitPixel,
                         &attributes);
    return true;
  }

  // The pieces are laid out in device pixels, every edge rounded once and shared by the pieces on
  // both sides of it, so that neighbours meet without a gap or an overlap at any scale. Each piece
  // is a rectangle filled with a brush that repeats its own slice of the image, mirrored: the fill
  // alone decides which pixels the piece covers, and no sample reaches beyond the slice. (Drawing
  // a stretched piece with DrawImage instead maps each pixel back into the image and drops pixels
  // that land outside the slice; the first row or column lands on the slice's edge, and a rounding
  // error in that mapping leaves it unpainted as a light line through the image.)
  auto device = [this](int v) { return static_cast<int>(std::lround(v * scale_)); };
  const int dx[4] = {device(dest.left), device(dest.left + c.left), device(dest.right - c.right), device(dest.right)};
  const int dy[4] = {device(dest.top), device(dest.top + c.top), device(dest.bottom - c.bottom), device(dest.bottom)};
  const int sx[4] = {source.left, source.left + c.left, source.right - c.right, source.right};
  const int sy[4] = {source.top, source.top + c.top, source.bottom - c.bottom, source.bottom};
  const auto state = graphics_->Save();
  graphics_->ResetTransform();  // the clip stays where it is on the device
  for (int row = 0; row < 3; ++row) {
    for (int col = 0; col < 3; ++col) {
      if (row == 1 && col == 1 && image.hole) continue;
      const int width = dx[col + 1] - dx[col];
      const int height = dy[row + 1] - dy[row];
      const int sourceWidth = sx[col + 1] - sx[col];
      const int sourceHeight = sy[row + 1] - sy[row];
      if (width <= 0 || height <= 0 || sourceWidth <= 0 || sourceHeight <= 0) continue;
      Gdiplus::TextureBrush brush(bitmap, Gdiplus::Rect(sx[col], sy[row], sourceWidth, sourceHeight), &attributes);
      if (brush.GetLastStatus() != Gdiplus::Ok) continue;
      brush.SetWrapMode(Gdiplus::WrapModeTileFlipXY);
      // Brush space is the slice's own pixels; the transform lays it over the piece.
      brush.TranslateTransform(static_cast<Gdiplus::REAL>(dx[col]), static_cast<Gdiplus::REAL>(dy[row]));
      brush.ScaleTransform(static_cast<Gdiplus::REAL>(width) / sourceWidth,
                           static_cast<Gdiplus::REAL>(height) / sourceHeight);
      chooseInterpolation(static_cast<double>(width) / sourceWidth, static_cast<double>(height) / sourceHeight);
      graphics_->FillRectangle(&brush, Gdiplus::Rect(dx[col], dy[row], width, height));
    }
  }
  graphics_->Restore(state);
  return true;
}

// "\r\n" breaks a line as "\n" does; some GDI+ builds draw the "\r" as a glyph of its own.
static std::wstring WithoutCarriageReturns(const std::wstring& text) {
  std::wstring out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == L'\r' && i + 1 < text.size() && text[i + 1] == L'\n') continue;
    out.push_back(text[i]);
  }
  return out;
}

void GdiplusRenderContext::DrawText(const std::wstring& text, const UiRect& rect, const FontSpec& font, UiColor argb,
                                    const TextStyle& style) {
  if (!graphics_ || text.empty() || rect.IsEmpty() || (argb >> 24) == 0) return;
  Gdiplus::Font* gdiFont = FontCache::Instance().Get(font);
  Gdiplus::StringFormat format(Gdiplus::StringFormat::GenericTypographic());
  PrepareFormat(format, style);
  const Gdiplus::RectF layout = ToRectF(rect);
  std::wstring shown = text;
  if (!style.multiline) {
    // One line: line breaks in the text are shown as spaces, as a single-line label does.
    std::replace(shown.begin(), shown.end(), L'\r', L' ');
    std::replace(shown.begin(), shown.end(), L'\n', L' ');
    if (style.endEllipsis) shown = FitWithEllipsis(*graphics_, shown, gdiFont, format, layout.Width);
    if (shown.empty()) return;
  } else {
    shown = WithoutCarriageReturns(shown);
  }
  Gdiplus::SolidBrush brush(ToColor(argb));
  const auto state = graphics_->Save();
  graphics_->IntersectClip(layout);
  graphics_->DrawString(shown.c_str(), static_cast<INT>(shown.size()), gdiFont, layout, &format, &brush);
  graphics_->Restore(state);
}

UiSize GdiplusRenderContext::MeasureText(const std::wstring& text, const FontSpec& font, int maxWidth) {
  if (!graphics_ || text.empty()) return {};
  Gdiplus::Font* gdiFont = FontCache::Instance().Get(font);
  Gdiplus::StringFormat format(Gdiplus::StringFormat::GenericTypographic());
  TextStyle style;
  style.multiline = maxWidth > 0;
  style.valign = TextVAlign::Top;
  PrepareFormat(format, style);
  const Gdiplus::SizeF size =
      Measure(*graphics_, WithoutCarriageReturns(text), gdiFont, format, static_cast<Gdiplus::REAL>(maxWidth));
  return {static_cast<int>(std::ceil(size.Width)), static_cast<int>(std::ceil(size.Height))};
}

void GdiplusRenderContext::PushClip(const UiRect& rect, UiSize round) {
  if (!graphics_) return;
  clipStates_.push_back(graphics_->Save());
  if (round.cx > 0 && round.cy > 0) {
    Gdiplus::GraphicsPath path;
    AddRoundRect(path, ToRectF(rect), round);
    Gdiplus::Region region(&path);
    graphics_->SetClip(&region, Gdiplus::CombineModeIntersect);
  } else {
    graphics_->IntersectClip(ToRectF(rect));
  }
}

void GdiplusRenderContext::PopClip() {
  if (!graphics_ || clipStates_.empty()) return;
  graphics_->Restore(clipStates_.back());
  clipStates_.pop_back();
}

}  // namespace nimbrook::toolkit
