#include "ui/window_rules.h"

namespace nimbrook {

using namespace toolkit;


uint32_t StandardWindowStyle(uint32_t style) {
  return (style & 0xFF3EFFFFu) | kWsClipSiblings | kWsClipChildren;
}

intptr_t NcActivateResult(bool minimized, uintptr_t wParam) {
  if (minimized) return 0;
  return wParam == 0 ? 1 : 0;
}

CaptionTarget CaptionTargetForClass(const std::wstring& className, bool found) {
  if (!found) return CaptionTarget::None;
  if (className == L"ButtonUI" || className == L"OptionUI") return CaptionTarget::Button;
  return CaptionTarget::Other;
}

int CaptionHitTest(UiPoint pt, const UiRect& client, const UiRect& sizeBox, const UiRect& caption,
                   bool maximized, CaptionTarget target) {
  if (!maximized) {
    const bool leftZone = pt.x < client.left + sizeBox.left;
    const bool rightZone = pt.x >= client.right - sizeBox.right;
    if (pt.y < client.top + sizeBox.top) {
      if (leftZone) return kHtTopLeft;
      if (rightZone) return kHtTopRight;
      return kHtTop;
    }
    if (pt.y >= client.bottom - sizeBox.bottom) {
      if (leftZone) return kHtBottomLeft;
      if (rightZone) return kHtBottomRight;
      return kHtBottom;
    }
    if (leftZone) return kHtLeft;
    if (rightZone) return kHtRight;
  }
  const bool inCaption = pt.x >= client.left + caption.left && pt.x < client.right - caption.right &&
                         pt.y >= caption.top && pt.y < caption.bottom;
  if (!inCaption) return kHtClient;
  switch (target) {
    case CaptionTarget::None:
    case CaptionTarget::Button:
      return kHtClient;
    case CaptionTarget::Other:
      break;
  }
  return kHtCaption;
}

UiPoint ClampMenuPosition(UiPoint topLeft, UiSize size, const UiRect& workArea) {
  UiPoint pt = topLeft;
  if (pt.y + size.cy > workArea.bottom) {
    pt.y = size.cy < workArea.Height() ? workArea.bottom - size.cy : workArea.top;
  }
  if (pt.x + size.cx > workArea.right) {
    pt.x = size.cx < workArea.Width() ? workArea.right - size.cx : workArea.left;
  }
  return pt;
}

int PickerHeight(int rows) { return kPickerRowHeight * (rows < 0 ? 0 : rows) + kPickerMargin; }

UiPoint IrregularWindowOrigin(const UiRect& mainWindow, UiSize image) {
  return {mainWindow.left, mainWindow.top - image.cy / 2};
}

}  // namespace nimbrook
