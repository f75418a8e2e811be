// CWindowWnd: the window object every toolkit window derives from. It registers its window class,
// creates the window, routes every message to the virtual HandleMessage, runs modal loops and calls
// OnFinalMessage once the window is gone (windows delete themselves there). On Windows it wraps an
// HWND (window_wnd_win.cpp); natively a headless implementation (window_wnd_native.cpp) delivers the
// same messages in the same order so window logic is testable without a display.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "toolkit/ui_types.h"

// <windows.h> turns SendMessage and PostMessage into macros for their W forms; the members keep
// their own names (and answer to the W names too, for files that include <windows.h> later).
#ifdef SendMessage
#undef SendMessage
#endif
#ifdef PostMessage
#undef PostMessage
#endif

namespace nimbrook::toolkit {

// An HWND on Windows; an opaque token of the headless implementation natively.
using WindowHandle = void*;

// Message numbers the toolkit and its windows use; equal to Win32's.
inline constexpr unsigned kWmCreate = 0x0001;
inline constexpr unsigned kWmDestroy = 0x0002;
inline constexpr unsigned kWmMove = 0x0003;
inline constexpr unsigned kWmSize = 0x0005;
inline constexpr unsigned kWmActivate = 0x0006;
inline constexpr unsigned kWmSetFocus = 0x0007;
inline constexpr unsigned kWmKillFocus = 0x0008;
inline constexpr unsigned kWmEnable = 0x000A;
inline constexpr unsigned kWmPaint = 0x000F;
inline constexpr unsigned kWmClose = 0x0010;
inline constexpr unsigned kWmQuit = 0x0012;
inline constexpr unsigned kWmEraseBkgnd = 0x0014;
inline constexpr unsigned kWmShowWindow = 0x0018;
inline constexpr unsigned kWmSetCursor = 0x0020;
inline constexpr unsigned kWmGetMinMaxInfo = 0x0024;
inline constexpr unsigned kWmNotify = 0x004E;
inline constexpr unsigned kWmNcCreate = 0x0081;
inline constexpr unsigned kWmNcDestroy = 0x0082;
inline constexpr unsigned kWmNcCalcSize = 0x0083;
inline constexpr unsigned kWmNcHitTest = 0x0084;
inline constexpr unsigned kWmNcPaint = 0x0085;
inline constexpr unsigned kWmNcActivate = 0x0086;
inline constexpr unsigned kWmKeyDown = 0x0100;
inline constexpr unsigned kWmKeyUp = 0x0101;
inline constexpr unsigned kWmChar = 0x0102;
inline constexpr unsigned kWmSysKeyDown = 0x0104;
inline constexpr unsigned kWmSysCommand = 0x0112;
inline constexpr unsigned kWmTimer = 0x0113;
inline constexpr unsigned kWmCommand = 0x0111;
inline constexpr unsigned kWmMouseMove = 0x0200;
inline constexpr unsigned kWmLButtonDown = 0x0201;
inline constexpr unsigned kWmLButtonUp = 0x0202;
inline constexpr unsigned kWmLButtonDblClk = 0x0203;
inline constexpr unsigned kWmRButtonDown = 0x0204;
inline constexpr unsigned kWmRButtonUp = 0x0205;
inline constexpr unsigned kWmMouseWheel = 0x020A;
inline constexpr unsigned kWmMouseLeave = 0x02A3;
inline constexpr unsigned kWmDpiChanged = 0x02E0;
inline constexpr unsigned kWmUser = 0x0400;
inline constexpr unsigned kWmApp = 0x8000;
// Posted by a paint manager to its own window to deliver queued (asynchronous) notifications.
inline constexpr unsigned kWmAsyncNotify = kWmApp + 0x0A01;

// Window styles (WS_*, WS_EX_*, CS_*), equal to Win32's.
inline constexpr uint32_t kWsOverlapped = 0x00000000;
inline constexpr uint32_t kWsPopup = 0x80000000;
inline constexpr uint32_t kWsChild = 0x40000000;
inline constexpr uint32_t kWsMinimize = 0x20000000;
inline constexpr uint32_t kWsVisible = 0x10000000;
inline constexpr uint32_t kWsDisabled = 0x08000000;
inline constexpr uint32_t kWsClipSiblings = 0x04000000;
inline constexpr uint32_t kWsClipChildren = 0x02000000;
inline constexpr uint32_t kWsMaximize = 0x01000000;
inline constexpr uint32_t kWsCaption = 0x00C00000;
inline constexpr uint32_t kWsBorder = 0x00800000;
inline constexpr uint32_t kWsSysMenu = 0x00080000;
inline constexpr uint32_t kWsThickFrame = 0x00040000;
inline constexpr uint32_t kWsMinimizeBox = 0x00020000;
inline constexpr uint32_t kWsMaximizeBox = 0x00010000;
inline constexpr uint32_t kWsOverlappedWindow = 0x00CF0000;
inline constexpr uint32_t kWsExTopmost = 0x00000008;
inline constexpr uint32_t kWsExToolWindow = 0x00000080;
inline constexpr uint32_t kWsExAppWindow = 0x00040000;
inline constexpr uint32_t kWsExLayered = 0x00080000;
inline constexpr uint32_t kCsDblClks = 0x0008;

// Hit-test results (HT*).
inline constexpr int kHtError = -2;
inline constexpr int kHtNowhere = 0;
inline constexpr int kHtClient = 1;
inline constexpr int kHtCaption = 2;
inline constexpr int kHtLeft = 10;
inline constexpr int kHtRight = 11;
inline constexpr int kHtTop = 12;
inline constexpr int kHtTopLeft = 13;
inline constexpr int kHtTopRight = 14;
inline constexpr int kHtBottom = 15;
inline constexpr int kHtBottomLeft = 16;
inline constexpr int kHtBottomRight = 17;

// SetWindowPos flags (SWP_*).
inline constexpr unsigned kSwpNoSize = 0x0001;
inline constexpr unsigned kSwpNoMove = 0x0002;
inline constexpr unsigned kSwpNoZOrder = 0x0004;
inline constexpr unsigned kSwpNoActivate = 0x0010;
inline constexpr unsigned kSwpShowWindow = 0x0040;
inline constexpr unsigned kSwpHideWindow = 0x0080;

// WM_SIZE wParam values.
inline constexpr uintptr_t kSizeRestored = 0;
inline constexpr uintptr_t kSizeMinimized = 1;
inline constexpr uintptr_t kSizeMaximized = 2;

// Position and size that let the system (or the layout's Window size) decide (CW_USEDEFAULT).
inline constexpr int kCwUseDefault = static_cast<int>(0x80000000u);

// Close codes of the usual buttons (IDOK, IDCANCEL).
inline constexpr unsigned kIdOk = 1;
inline constexpr unsigned kIdCancel = 2;
// What ShowModal returns when the window could not run modally (no window, or, headless, nothing
// left to run before Close was called).
inline constexpr unsigned kModalFailed = static_cast<unsigned>(-1);

// Packing of mouse positions into lParam (signed 16-bit x and y), as Win32 sends them.
inline intptr_t MakePointLParam(int x, int y) {
  return static_cast<intptr_t>(static_cast<uint32_t>(static_cast<uint16_t>(static_cast<int16_t>(x))) |
                               (static_cast<uint32_t>(static_cast<uint16_t>(static_cast<int16_t>(y))) << 16));
}
inline int PointXFromLParam(intptr_t lParam) { return static_cast<int16_t>(lParam & 0xFFFF); }
inline int PointYFromLParam(intptr_t lParam) { return static_cast<int16_t>((lParam >> 16) & 0xFFFF); }

class CWindowWnd {
 public:
  CWindowWnd();
  virtual ~CWindowWnd();
  CWindowWnd(const CWindowWnd&) = delete;
  CWindowWnd& operator=(const CWindowWnd&) = delete;

  WindowHandle GetHWND() const { return m_hWnd; }
  operator WindowHandle() const { return m_hWnd; }

  // Registers GetWindowClassName() with GetClassStyle() (once per process; a second call is fine).
  bool RegisterWindowClass();
  // Registers GetWindowClassName() as a superclass of GetSuperClassName() (e.g. "EDIT").
  bool RegisterSuperclass();

  // Creates the window (registering its class first). Sizes and positions are device pixels; with the
  // default size a window whose layout has a Window size takes that size (scaled to the monitor's
  // DPI) once WM_CREATE has built it. Returns the handle, or null when creation failed.
  // A null result always means the object has received OnFinalMessage exactly once, whatever step
  // failed (class registration, the system refusing the window before its first message, WM_NCCREATE
  // refused, WM_CREATE answering -1, the window destroying itself while being created): a window
  // that deletes itself there is gone, and the caller never deletes it nor touches it again. The one
  // exception is a second Create on an object whose window still exists: refused, and nothing else
  // happens to the object or its window.
  WindowHandle Create(WindowHandle parent, const std::wstring& name, uint32_t style, uint32_t exStyle,
                      int x = kCwUseDefault, int y = kCwUseDefault, int cx = kCwUseDefault,
                      int cy = kCwUseDefault);
  WindowHandle Create(WindowHandle parent, const std::wstring& name, uint32_t style, uint32_t exStyle,
                      const UiRect& rect);

  void ShowWindow(bool show = true, bool takeFocus = true);
  // Shows the window and runs a modal loop: the owner is disabled until the loop ends, which it does
  // when the window is closed (Close, or WM_CLOSE by other means). Returns the close code.
  unsigned ShowModal();
  // Closes the window: the code becomes ShowModal's result; the window is destroyed and receives its
  // final message (on Windows through a posted WM_CLOSE, so the caller's stack unwinds first).
  void Close(unsigned code = kIdOk);
  // Centres the window on its owner, or on the work area when it has none; kept inside the work area.
  void CenterWindow();
  // Resizes the window so its client area is cx by cy device pixels (-1 keeps that dimension).
  void ResizeClient(int cx = -1, int cy = -1);

  intptr_t SendMessage(unsigned msg, uintptr_t wParam = 0, intptr_t lParam = 0);
  bool PostMessage(unsigned msg, uintptr_t wParam = 0, intptr_t lParam = 0);
  intptr_t SendMessageW(unsigned msg, uintptr_t wParam = 0, intptr_t lParam = 0) {
    return SendMessage(msg, wParam, lParam);
  }
  bool PostMessageW(unsigned msg, uintptr_t wParam = 0, intptr_t lParam = 0) {
    return PostMessage(msg, wParam, lParam);
  }

  // --- queries and placement windows commonly need (device pixels, screen coordinates)
  UiRect GetWindowRect() const;
  UiRect GetClientRect() const;   // {0, 0, width, height}
  UiPoint ScreenToClient(UiPoint pt) const;
  UiPoint ClientToScreen(UiPoint pt) const;
  bool IsVisible() const;
  bool IsMaximized() const;
  bool IsMinimized() const;
  uint32_t GetStyle() const;
  void SetStyle(uint32_t style);
  uint32_t GetExStyle() const;
  // SetWindowPos on this window; insertAfter is ignored with kSwpNoZOrder.
  bool SetWindowPos(WindowHandle insertAfter, int x, int y, int cx, int cy, unsigned flags);
  // The work area (screen minus task bar) of the monitor the window is on, or the primary one.
  UiRect GetWorkArea() const;
  // Clips the window to a rounded rectangle (0,0)-(right,bottom) with ellipse size round; a zero
  // round removes the region.
  bool SetRoundRegion(const UiRect& rect, UiSize round);
  // Device pixels per 96-dpi pixel for this window (1.0 at 96 dpi).
  double GetDpiScale() const;
  void SetText(const std::wstring& text);
  std::wstring GetText() const;

  // The window's handling of every message it receives; the default is CallDefault. Windows
  // override it and pass what they do not handle to their paint manager, then to this.
  virtual intptr_t HandleMessage(unsigned msg, uintptr_t wParam, intptr_t lParam);

  // --- headless only (native builds): the fake screen and queue that stand in for the system
#ifndef _WIN32
  // The work area and DPI every headless window reports (default 1280 x 760 at 1.0).
  static void SetHeadlessScreen(const UiRect& workArea, double dpiScale = 1.0);
  // Work the headless modal loop runs when no posted message is waiting, e.g. a paint manager's
  // queued notifications; it returns true when it did something. Without it (or when it did nothing)
  // a modal loop whose window is still open ends with kModalFailed rather than hang.
  void SetHeadlessIdleWork(std::function<bool()> work) { m_idleWork = std::move(work); }
  // Delivers every posted message of every headless window; returns how many ran.
  static size_t RunPostedMessages();
  // The headless window behind a handle (null when there is none or it is destroyed).
  static CWindowWnd* FromHandle(WindowHandle handle);
  static bool IsWindowEnabled(WindowHandle handle);
  WindowHandle GetParentHandle() const;

  // Test hook: the next Create (of any window) fails at the given step, for windows whose own
  // creation cannot fail. kBeforeFirstMessage: the system refuses the window before any message;
  // kAtNcCreate / kAtCreate: WM_NCCREATE / WM_CREATE is delivered and then treated as refused (FALSE /
  // -1), whatever the window answered. One failure per call.
  enum class HeadlessCreateFailure { kNone, kBeforeFirstMessage, kAtNcCreate, kAtCreate };
  static void FailNextHeadlessCreate(HeadlessCreateFailure step);
#endif

 protected:
  virtual const wchar_t* GetWindowClassName() const = 0;
  // The class a superclass extends ("EDIT", ...); null for a class of our own.
  virtual const wchar_t* GetSuperClassName() const { return nullptr; }
  virtual unsigned GetClassStyle() const { return 0; }
  // Called after the window is destroyed (WM_NCDESTROY), or by Create when creation failed before the
  // window got its first message (hWnd is then null); windows created with new delete themselves
  // here. The handle is already detached from this object.
  virtual void OnFinalMessage(WindowHandle hWnd) {}

  // The default handling of a message (DefWindowProc or the superclass's procedure; headless: close
  // destroys, everything else answers 0).
  intptr_t CallDefault(unsigned msg, uintptr_t wParam, intptr_t lParam);

  WindowHandle m_hWnd = nullptr;
  void* m_oldWndProc = nullptr;   // Win32: the superclass's window procedure
  bool m_subclassed = false;

 private:
  friend struct WindowWndAccess;
  // What a modal loop needs to know about its window; shared so the loop can still read it after the
  // window object deleted itself in OnFinalMessage.
  struct ModalState {
    unsigned code = 0;
    bool closeSeen = false;   // a close message reached the window
    bool destroyed = false;   // the final message arrived
  };
  std::shared_ptr<ModalState> m_modal;
  bool m_defaultSize = false;
  bool m_modalOwnerDisabled = false;
#ifndef _WIN32
  std::function<bool()> m_idleWork;
#endif
};

// Tells the system that the program draws for the monitor's DPI itself (SetProcessDPIAware, where the
// system has it); the client's manifest says so, test programs ask at run time. Nothing headless.
void BecomeDpiAware();

}  // namespace nimbrook::toolkit
