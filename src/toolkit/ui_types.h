// Geometry, colours, fonts, text styles and images of the toolkit: the plain values every control,
// the layout code and the renderers share. All geometry is in 96-dpi logical pixels; only the Windows
// host scales to device pixels.
#pragma once

#include <cstdint>
#include <string>

namespace nimbrook::toolkit {

struct UiPoint {
  int x = 0;
  int y = 0;
  bool operator==(const UiPoint& o) const { return x == o.x && y == o.y; }
  bool operator!=(const UiPoint& o) const { return !(*this == o); }
};

struct UiSize {
  int cx = 0;
  int cy = 0;
  bool operator==(const UiSize& o) const { return cx == o.cx && cy == o.cy; }
  bool operator!=(const UiSize& o) const { return !(*this == o); }
};

struct UiRect {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;

  int Width() const { return right - left; }
  int Height() const { return bottom - top; }
  bool IsEmpty() const { return right <= left || bottom <= top; }
  bool Contains(UiPoint pt) const { return pt.x >= left && pt.x < right && pt.y >= top && pt.y < bottom; }
  bool Intersects(const UiRect& o) const {
    return left < o.right && o.left < right && top < o.bottom && o.top < bottom;
  }
  UiRect Intersect(const UiRect& o) const;   // empty ({0,0,0,0}) when they do not meet
  UiRect Union(const UiRect& o) const;       // an empty side is ignored
  UiRect Offset(int dx, int dy) const { return {left + dx, top + dy, right + dx, bottom + dy}; }
  // Shrinks by the four insets (a padding or inset rectangle); never turns inside out.
  UiRect Deflate(const UiRect& insets) const;
  bool operator==(const UiRect& o) const {
    return left == o.left && top == o.top && right == o.right && bottom == o.bottom;
  }
  bool operator!=(const UiRect& o) const { return !(*this == o); }
};

// The largest size or offset a control takes (logical pixels). Larger values from a layout or a
// caller are cut to it, so that sums over many controls never overflow.
inline constexpr int kMaxExtent = 100000;

// Colours are ARGB, written "#AARRGGBB" in layouts. 0 means "not set" for every colour attribute.
using UiColor = uint32_t;

enum class UiCursor : uint8_t { Arrow, Hand, IBeam, SizeWE, SizeNS };

enum class TextAlign : uint8_t { Left, Center, Right };
enum class TextVAlign : uint8_t { Top, VCenter, Bottom };

struct TextStyle {
  TextAlign align = TextAlign::Left;
  TextVAlign valign = TextVAlign::VCenter;
  bool multiline = false;    // wraps at word boundaries; otherwise one line
  bool endEllipsis = false;  // a line that does not fit ends in "..."
};

// A font declared by a layout's Font element. Size is in 96-dpi pixels (the em height).
struct FontSpec {
  std::wstring name = L"Microsoft YaHei";
  int size = 12;
  bool bold = false;
  bool underline = false;
  bool italic = false;
  bool operator==(const FontSpec& o) const {
    return name == o.name && size == o.size && bold == o.bold && underline == o.underline &&
           italic == o.italic;
  }
};

// An image text: a bare file name "x.png" or "file='x.png' source='l,t,r,b' corner='l,t,r,b'
// dest='l,t,r,b' fade='0-255' hole='true|false'". An empty source means the whole image; corner
// gives the nine-slice borders; dest places the image inside the control instead of filling it.
struct ImageSpec {
  std::wstring file;
  UiRect source{};
  bool hasSource = false;
  UiRect corner{};
  UiRect dest{};
  bool hasDest = false;
  int fade = 255;
  bool hole = false;
  bool IsEmpty() const { return file.empty(); }
  bool operator==(const ImageSpec& o) const;
};

// Virtual-key codes the paint manager understands (the Windows values).
inline constexpr unsigned kVkBack = 0x08;
inline constexpr unsigned kVkTab = 0x09;
inline constexpr unsigned kVkReturn = 0x0D;
inline constexpr unsigned kVkShift = 0x10;
inline constexpr unsigned kVkEscape = 0x1B;
inline constexpr unsigned kVkSpace = 0x20;
inline constexpr unsigned kVkPrior = 0x21;
inline constexpr unsigned kVkNext = 0x22;
inline constexpr unsigned kVkEnd = 0x23;
inline constexpr unsigned kVkHome = 0x24;
inline constexpr unsigned kVkLeft = 0x25;
inline constexpr unsigned kVkUp = 0x26;
inline constexpr unsigned kVkRight = 0x27;
inline constexpr unsigned kVkDown = 0x28;
inline constexpr unsigned kVkDelete = 0x2E;

// Modifier and button state carried by input events.
inline constexpr unsigned kKeyStateShift = 0x0004;
inline constexpr unsigned kKeyStateControl = 0x0008;
inline constexpr unsigned kKeyStateLButton = 0x0001;

}  // namespace nimbrook::toolkit
