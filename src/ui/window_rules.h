// The arithmetic the client's windows share, kept apart from any window so it is tested on its own:
// the window style of the standard creation, the caption and size-box hit test of a borderless
// window, the menu's clamping to the work area, the pickers' height and the background window's
// placement. Coordinates are whatever the caller uses consistently (the hit test works in logical
// client pixels, the placements in screen pixels).
#pragma once

#include <cstdint>
#include <string>

#include "toolkit/ui_types.h"
#include "toolkit/window_wnd.h"

namespace nimbrook {

// Hit-test results and style bits are toolkit/window_wnd.h's (the Win32 values).

// A borderless window: no caption, no maximise box; children and siblings clipped.
uint32_t StandardWindowStyle(uint32_t style);

// WM_NCACTIVATE: 0 while minimised, otherwise nonzero exactly when wParam is 0.
intptr_t NcActivateResult(bool minimized, uintptr_t wParam);

// What the control under the point means for the caption hit test.
enum class CaptionTarget {
  None,     // no control there
  Button,   // a control whose class is exactly "ButtonUI" or "OptionUI": it takes the click
  Other,    // any other control: the window is dragged by it
};

// The hit test of a borderless window. pt and client are in the same (client) coordinates; sizeBox
// and caption come from the window's layout. A maximised window has no resize borders.
int CaptionHitTest(toolkit::UiPoint pt, const toolkit::UiRect& client, const toolkit::UiRect& sizeBox,
                   const toolkit::UiRect& caption, bool maximized, CaptionTarget target);

// Classifies a control class name for CaptionHitTest (exact, case-sensitive comparison).
CaptionTarget CaptionTargetForClass(const std::wstring& className, bool found);

// Where the menu goes when asked to show its top-left at (x, y): moved up and left so that it lies
// inside the work area; a menu taller (wider) than the work area starts at the work area's top (left).
toolkit::UiPoint ClampMenuPosition(toolkit::UiPoint topLeft, toolkit::UiSize size,
                                   const toolkit::UiRect& workArea);

// Pickers: 25-pixel rows plus 12 pixels of margin (logical pixels).
inline constexpr int kPickerRowHeight = 25;
inline constexpr int kPickerMargin = 12;
int PickerHeight(int rows);

// The background window behind the main window: its left at the main window's left, its top half
// its own height above the main window's top.
toolkit::UiPoint IrregularWindowOrigin(const toolkit::UiRect& mainWindow, toolkit::UiSize image);

}  // namespace nimbrook
