// CWindowWnd over Win32: class registration, the window procedure that finds the object through the
// window's user data, modal loops that disable the owner, and the final message after WM_NCDESTROY.
#include <windows.h>

#include "toolkit/paint_manager.h"
#include "toolkit/window_wnd.h"

namespace nimbrook::toolkit {

// Defined in paint_manager_win.cpp: gives a window built from a layout the layout's Window size
// (scaled to its DPI) when it was created without a size of its own.
bool ApplyLayoutWindowSize(HWND hwnd);
// Defined in paint_manager_win.cpp: the DPI scale of a window (1.0 at 96 dpi).
double WindowDpiScale(HWND hwnd);

namespace {

HWND H(WindowHandle h) { return static_cast<HWND>(h); }

HINSTANCE Instance() {
  if (void* instance = CPaintManagerUI::GetInstance()) return static_cast<HINSTANCE>(instance);
  return ::GetModuleHandleW(nullptr);
}

}  // namespace

struct WindowWndAccess {
  static LRESULT CALLBACK WndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    CWindowWnd* self = nullptr;
    if (msg == WM_NCCREATE) {
      auto* cs = reinterpret_cast<CREATESTRUCTW*>(lParam);
      self = static_cast<CWindowWnd*>(cs->lpCreateParams);
      if (self) {
        self->m_hWnd = hwnd;
        ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
      }
    } else {
      self = reinterpret_cast<CWindowWnd*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    }
    if (!self) return ::DefWindowProcW(hwnd, msg, wParam, lParam);

    std::shared_ptr<CWindowWnd::ModalState> modal = self->m_modal;
    if (msg == WM_CLOSE && modal) {
      modal->code = static_cast<unsigned>(wParam);
      modal->closeSeen = true;
      // The owner is enabled before the window goes so that Windows activates it, not some other
      // program's window.
      HWND owner = ::GetWindow(hwnd, GW_OWNER);
      if (owner && self->m_modalOwnerDisabled) {
        ::EnableWindow(owner, TRUE);
        self->m_modalOwnerDisabled = false;
      }
    }
    if (msg == WM_NCDESTROY) {
      LRESULT result = self->HandleMessage(msg, wParam, lParam);
      ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
      if (self->m_subclassed) {
        ::SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(self->m_oldWndProc));
        self->m_subclassed = false;
      }
      if (modal) modal->destroyed = true;
      self->m_hWnd = nullptr;
      // Wakes a modal loop waiting in GetMessage for this window.
      ::PostThreadMessageW(::GetCurrentThreadId(), WM_NULL, 0, 0);
      self->OnFinalMessage(hwnd);   // may delete the object
      return result;
    }
    return self->HandleMessage(msg, wParam, lParam);
  }

  static bool& OwnerDisabled(CWindowWnd* w) { return w->m_modalOwnerDisabled; }
};

CWindowWnd::CWindowWnd() = default;

CWindowWnd::~CWindowWnd() {
  // An object deleted while its window lives must not be reached through the window again.
  if (m_hWnd && ::IsWindow(H(m_hWnd))) {
    ::SetWindowLongPtrW(H(m_hWnd), GWLP_USERDATA, 0);
  }
}

bool CWindowWnd::RegisterWindowClass() {
  const wchar_t* name = GetWindowClassName();
  if (!name || !*name) return false;
  WNDCLASSEXW existing{};
  existing.cbSize = sizeof(existing);
  if (::GetClassInfoExW(Instance(), name, &existing)) return true;
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof(wc);
  wc.style = GetClassStyle();
  wc.lpfnWndProc = &WindowWndAccess::WndProc;
  wc.hInstance = Instance();
  wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = nullptr;
  wc.lpszClassName = name;
  return ::RegisterClassExW(&wc) != 0 || ::GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

bool CWindowWnd::RegisterSuperclass() {
  const wchar_t* name = GetWindowClassName();
  const wchar_t* super = GetSuperClassName();
  if (!name || !super) return false;
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof(wc);
  if (!::GetClassInfoExW(nullptr, super, &wc) && !::GetClassInfoExW(Instance(), super, &wc)) {
    return false;
  }
  m_oldWndProc = reinterpret_cast<void*>(wc.lpfnWndProc);
  WNDCLASSEXW existing{};
  existing.cbSize = sizeof(existing);
  if (::GetClassInfoExW(Instance(), name, &existing)) return true;
  wc.lpfnWndProc = &WindowWndAccess::WndProc;
  wc.hInstance = Instance();
  wc.lpszClassName = name;
  return ::RegisterClassExW(&wc) != 0 || ::GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

WindowHandle CWindowWnd::Create(WindowHandle parent, const std::wstring& name, uint32_t style,
                                uint32_t exStyle, int x, int y, int cx, int cy) {
  if (m_hWnd) return nullptr;
  // Whether WM_NCDESTROY delivered the final message is read from the shared state: the object may
  // be gone once CreateWindowExW returns.
  m_modal = std::make_shared<ModalState>();
  const std::shared_ptr<ModalState> modal = m_modal;
  const bool registered = GetSuperClassName() ? RegisterSuperclass() : RegisterWindowClass();
  if (!registered) {
    OnFinalMessage(nullptr);   // no window, so no WM_NCDESTROY: the final message is owed here
    return nullptr;
  }
  m_defaultSize = cx == kCwUseDefault;
  // A pop-up cannot take CW_USEDEFAULT: it starts at the origin, empty, and gets the layout's size.
  if (style & WS_POPUP) {
    if (x == kCwUseDefault) x = y = 0;
    if (cx == kCwUseDefault) cx = cy = 0;
  }
  HWND hwnd = ::CreateWindowExW(exStyle, GetWindowClassName(), name.c_str(), style, x, y, cx, cy,
                                H(parent), nullptr, Instance(), this);
  if (!hwnd) {
    // A failure after WM_NCCREATE went through WM_NCDESTROY and so through the final message; one
    // before it (a parent that is not a window, a refused class, no resources) did not.
    if (!modal->destroyed) {
      m_hWnd = nullptr;
      OnFinalMessage(nullptr);   // may delete the window object
    }
    return nullptr;
  }
  if (m_defaultSize) ApplyLayoutWindowSize(hwnd);
  return hwnd;
}

WindowHandle CWindowWnd::Create(WindowHandle parent, const std::wstring& name, uint32_t style,
                                uint32_t exStyle, const UiRect& rect) {
  return Create(parent, name, style, exStyle, rect.left, rect.top, rect.Width(), rect.Height());
}

void CWindowWnd::ShowWindow(bool show, bool takeFocus) {
  if (!::IsWindow(H(m_hWnd))) return;
  ::ShowWindow(H(m_hWnd), show ? (takeFocus ? SW_SHOWNORMAL : SW_SHOWNOACTIVATE) : SW_HIDE);
}

unsigned CWindowWnd::ShowModal() {
  HWND hwnd = H(m_hWnd);
  if (!::IsWindow(hwnd)) return kModalFailed;
  std::shared_ptr<ModalState> modal = m_modal;
  modal->closeSeen = false;
  HWND owner = ::GetWindow(hwnd, GW_OWNER);
  ::ShowWindow(hwnd, SW_SHOWNORMAL);
  if (owner && ::IsWindowEnabled(owner)) {
    ::EnableWindow(owner, FALSE);
    m_modalOwnerDisabled = true;
  }
  MSG msg{};
  bool quit = false;
  // Only the shared state is read: the window object may delete itself while its messages run.
  while (!modal->closeSeen && !modal->destroyed) {
    const BOOL got = ::GetMessageW(&msg, nullptr, 0, 0);
    if (got == 0) {
      quit = true;
      break;
    }
    if (got == -1) break;
    if (!CPaintManagerUI::TranslateMessage(&msg)) {
      ::TranslateMessage(&msg);
      ::DispatchMessageW(&msg);
    }
  }
  if (owner && ::IsWindow(owner) && !::IsWindowEnabled(owner)) ::EnableWindow(owner, TRUE);
  if (owner && ::IsWindow(owner)) ::SetFocus(owner);
  if (quit) ::PostQuitMessage(static_cast<int>(msg.wParam));
  return modal->code;
}

void CWindowWnd::Close(unsigned code) {
  if (!::IsWindow(H(m_hWnd))) return;
  if (m_modal) m_modal->code = code;
  ::PostMessageW(H(m_hWnd), WM_CLOSE, code, 0);
}

void CWindowWnd::CenterWindow() {
  HWND hwnd = H(m_hWnd);
  if (!::IsWindow(hwnd)) return;
  RECT rc{};
  ::GetWindowRect(hwnd, &rc);
  const UiRect work = GetWorkArea();
  UiRect center = work;
  HWND owner = ::GetWindow(hwnd, GW_OWNER);
  if (owner && ::IsWindowVisible(owner) && !::IsIconic(owner)) {
    RECT orc{};
    ::GetWindowRect(owner, &orc);
    center = {orc.left, orc.top, orc.right, orc.bottom};
  }
  const int w = rc.right - rc.left;
  const int h = rc.bottom - rc.top;
  int x = center.left + (center.Width() - w) / 2;
  int y = center.top + (center.Height() - h) / 2;
  if (x + w > work.right) x = work.right - w;
  if (y + h > work.bottom) y = work.bottom - h;
  if (x < work.left) x = work.left;
  if (y < work.top) y = work.top;
  ::SetWindowPos(hwnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void CWindowWnd::ResizeClient(int cx, int cy) {
  HWND hwnd = H(m_hWnd);
  if (!::IsWindow(hwnd)) return;
  RECT window{}, client{};
  if (!::GetWindowRect(hwnd, &window) || !::GetClientRect(hwnd, &client)) return;
  // The frame as the window really has it: borderless windows answer WM_NCCALCSIZE themselves.
  const int frameX = (window.right - window.left) - client.right;
  const int frameY = (window.bottom - window.top) - client.bottom;
  const int w = (cx >= 0 ? cx : client.right) + frameX;
  const int h = (cy >= 0 ? cy : client.bottom) + frameY;
  ::SetWindowPos(hwnd, nullptr, 0, 0, w, h, SWP_NOZORDER | SWP_NOMOVE | SWP_NOACTIVATE);
}

intptr_t CWindowWnd::SendMessage(unsigned msg, uintptr_t wParam, intptr_t lParam) {
  return ::SendMessageW(H(m_hWnd), msg, wParam, lParam);
}

bool CWindowWnd::PostMessage(unsigned msg, uintptr_t wParam, intptr_t lParam) {
  return ::IsWindow(H(m_hWnd)) && ::PostMessageW(H(m_hWnd), msg, wParam, lParam) != 0;
}

UiRect CWindowWnd::GetWindowRect() const {
  RECT rc{};
  if (!::IsWindow(H(m_hWnd)) || !::GetWindowRect(H(m_hWnd), &rc)) return {};
  return {rc.left, rc.top, rc.right, rc.bottom};
}

UiRect CWindowWnd::GetClientRect() const {
  RECT rc{};
  if (!::IsWindow(H(m_hWnd)) || !::GetClientRect(H(m_hWnd), &rc)) return {};
  return {rc.left, rc.top, rc.right, rc.bottom};
}

UiPoint CWindowWnd::ScreenToClient(UiPoint pt) const {
  POINT p{pt.x, pt.y};
  ::ScreenToClient(H(m_hWnd), &p);
  return {p.x, p.y};
}

UiPoint CWindowWnd::ClientToScreen(UiPoint pt) const {
  POINT p{pt.x, pt.y};
  ::ClientToScreen(H(m_hWnd), &p);
  return {p.x, p.y};
}

bool CWindowWnd::IsVisible() const { return ::IsWindow(H(m_hWnd)) && ::IsWindowVisible(H(m_hWnd)); }
bool CWindowWnd::IsMaximized() const { return ::IsWindow(H(m_hWnd)) && ::IsZoomed(H(m_hWnd)); }
bool CWindowWnd::IsMinimized() const { return ::IsWindow(H(m_hWnd)) && ::IsIconic(H(m_hWnd)); }

uint32_t CWindowWnd::GetStyle() const {
  return static_cast<uint32_t>(::GetWindowLongPtrW(H(m_hWnd), GWL_STYLE));
}

void CWindowWnd::SetStyle(uint32_t style) {
  ::SetWindowLongPtrW(H(m_hWnd), GWL_STYLE, static_cast<LONG_PTR>(static_cast<LONG>(style)));
}

uint32_t CWindowWnd::GetExStyle() const {
  return static_cast<uint32_t>(::GetWindowLongPtrW(H(m_hWnd), GWL_EXSTYLE));
}

bool CWindowWnd::SetWindowPos(WindowHandle insertAfter, int x, int y, int cx, int cy, unsigned flags) {
  return ::IsWindow(H(m_hWnd)) && ::SetWindowPos(H(m_hWnd), H(insertAfter), x, y, cx, cy, flags) != 0;
}

UiRect CWindowWnd::GetWorkArea() const {
  HMONITOR monitor = ::MonitorFromWindow(H(m_hWnd), MONITOR_DEFAULTTOPRIMARY);
  MONITORINFO info{};
  info.cbSize = sizeof(info);
  if (monitor && ::GetMonitorInfoW(monitor, &info)) {
    return {info.rcWork.left, info.rcWork.top, info.rcWork.right, info.rcWork.bottom};
  }
  RECT rc{};
  ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &rc, 0);
  return {rc.left, rc.top, rc.right, rc.bottom};
}

bool CWindowWnd::SetRoundRegion(const UiRect& rect, UiSize round) {
  HWND hwnd = H(m_hWnd);
  if (!::IsWindow(hwnd)) return false;
  if (round.cx == 0 && round.cy == 0) return ::SetWindowRgn(hwnd, nullptr, TRUE) != 0;
  HRGN region = ::CreateRoundRectRgn(rect.left, rect.top, rect.right, rect.bottom, round.cx, round.cy);
  if (!region) return false;
  // The window owns the region from here on, also when the call fails it is ours to delete.
  if (!::SetWindowRgn(hwnd, region, TRUE)) {
    ::DeleteObject(region);
    return false;
  }
  return true;
}

double CWindowWnd::GetDpiScale() const { return WindowDpiScale(H(m_hWnd)); }

void CWindowWnd::SetText(const std::wstring& text) { ::SetWindowTextW(H(m_hWnd), text.c_str()); }

std::wstring CWindowWnd::GetText() const {
  const int length = ::GetWindowTextLengthW(H(m_hWnd));
  if (length <= 0) return {};
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  const int copied = ::GetWindowTextW(H(m_hWnd), text.data(), length + 1);
  text.resize(copied > 0 ? static_cast<size_t>(copied) : 0);
  return text;
}

intptr_t CWindowWnd::HandleMessage(unsigned msg, uintptr_t wParam, intptr_t lParam) {
  return CallDefault(msg, wParam, lParam);
}

intptr_t CWindowWnd::CallDefault(unsigned msg, uintptr_t wParam, intptr_t lParam) {
  if (m_oldWndProc) {
    return ::CallWindowProcW(reinterpret_cast<WNDPROC>(m_oldWndProc), H(m_hWnd), msg, wParam, lParam);
  }
  return ::DefWindowProcW(H(m_hWnd), msg, wParam, lParam);
}

void BecomeDpiAware() {
  HMODULE user32 = ::GetModuleHandleW(L"user32.dll");
  if (!user32) return;
  using SetAware = BOOL(WINAPI*)();
  auto setAware = reinterpret_cast<SetAware>(reinterpret_cast<void*>(::GetProcAddress(user32, "SetProcessDPIAware")));
  if (setAware) setAware();
}

}  // namespace nimbrook::toolkit
