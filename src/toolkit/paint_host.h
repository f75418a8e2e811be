// What a paint manager asks of the window it lives in: invalidation, timers, the wake-up for queued
// notifications, cursor, capture, tooltips and native child windows (edit boxes, the web browser).
// The Windows host implements it over an HWND; FakePaintHost stands in for native tests.
#pragma once

#include <cstdint>
#include <string>

#include "toolkit/ui_types.h"

namespace nimbrook::toolkit {

class CControlUI;

enum class NativeChildKind { Edit, Browser };

class PaintHost {
 public:
  virtual ~PaintHost() = default;

  // Marks a logical rectangle of the client area for repainting; the host later calls
  // CPaintManagerUI::Paint for it.
  virtual void Invalidate(const UiRect& rect) = 0;
  // Starts (or restarts) a repeating timer; the host calls CPaintManagerUI::OnTimer(timerId) each time.
  virtual bool StartTimer(uint32_t timerId, uint32_t elapseMs) = 0;
  virtual void StopTimer(uint32_t timerId) = 0;
  // Asks the host to call CPaintManagerUI::DeliverAsyncNotifications soon, on the UI thread.
  virtual void WakeForNotifications() = 0;
  virtual void SetCursor(UiCursor cursor) = 0;
  virtual void SetCapture() = 0;
  virtual void ReleaseCapture() = 0;
  // rect is the logical rectangle of the control the tooltip belongs to.
  virtual void ShowToolTip(const std::wstring& text, const UiRect& rect) = 0;
  virtual void HideToolTip() = 0;

  // Native child windows belong to one control each. Create returns false where the host cannot
  // make one (the control then paints itself as an empty pane or plain text).
  virtual bool CreateNativeChild(CControlUI* control, NativeChildKind kind) = 0;
  virtual void DestroyNativeChild(CControlUI* control) = 0;
  virtual void PlaceNativeChild(CControlUI* control, const UiRect& rect, bool visible) = 0;
  // The control's state changed (edit: text, selection, password, read-only, limit, font, colours,
  // enabled); the host copies it into the child.
  virtual void UpdateNativeChild(CControlUI* control) = 0;
  virtual void FocusNativeChild(CControlUI* control) = 0;
  virtual bool NavigateBrowser(CControlUI* control, const std::wstring& url) = 0;

  // Client size in logical pixels, and device pixels per logical pixel (1.0 at 96 dpi).
  virtual UiSize GetClientSize() const = 0;
  virtual double GetDpiScale() const = 0;
  // Milliseconds since some fixed start, for notification time stamps.
  virtual uint32_t GetTickCount() const = 0;
};

}  // namespace nimbrook::toolkit
