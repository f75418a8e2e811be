// The Windows side of CPaintManagerUI: the PaintHost over an HWND (invalidation, timers, the wake-up
// message, cursor, capture, tooltips, native EDIT and browser children), the translation of window
// messages into the portable manager's input in 96-dpi logical pixels, double-buffered GDI+
// painting, the message loop and the process-wide set-up.
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <memory>

#include "core/log.h"
#include "toolkit/control.h"
#include "toolkit/dpi_scale.h"
#include "toolkit/edit.h"
#include "toolkit/gdiplus_render_win.h"
#include "toolkit/paint_host.h"
#include "toolkit/paint_manager.h"
#include "toolkit/web_browser.h"
#include "toolkit/web_browser_host_win.h"
#include "toolkit/window_wnd.h"

namespace nimbrook::toolkit {

namespace {

// Timer ids of the manager's timers in the window's WM_TIMER space, clear of ids windows pick.
constexpr UINT_PTR kTimerIdBase = 0x4E420000;
constexpr UINT_PTR kTimerIdSpan = 0x00010000;
// Marks an EDIT window the toolkit hosts, so the message loop hands it dialog keys.
// Posted to a layered window (bktrans): it gets no WM_PAINT once UpdateLayeredWindow drew it.
constexpr UINT kWmLayeredPaint = kWmApp + 0x0A02;
constexpr wchar_t kEditProp[] = L"NimbrookToolkitEdit";
constexpr wchar_t kEditProcProp[] = L"NimbrookToolkitEditProc";

std::map<HWND, CPaintManagerUI*>& Managers() {
  static std::map<HWND, CPaintManagerUI*> managers;
  return managers;
}

using GetDpiForWindowFn = UINT(WINAPI*)(HWND);

double ScaleOf(HWND hwnd) {
  static GetDpiForWindowFn getDpiForWindow = [] {
    HMODULE user32 = ::GetModuleHandleW(L"user32.dll");
    return user32 ? reinterpret_cast<GetDpiForWindowFn>(
                        reinterpret_cast<void*>(::GetProcAddress(user32, "GetDpiForWindow")))
                  : nullptr;
  }();
  UINT dpi = 0;
  if (getDpiForWindow && hwnd) dpi = getDpiForWindow(hwnd);
  if (dpi == 0) {
    HDC dc = ::GetDC(hwnd);
    if (dc) {
      dpi = static_cast<UINT>(::GetDeviceCaps(dc, LOGPIXELSX));
      ::ReleaseDC(hwnd, dc);
    }
  }
  return ScaleForDpi(dpi);
}

RECT ToRect(const UiRect& r) { return {r.left, r.top, r.right, r.bottom}; }
UiRect FromRect(const RECT& r) { return {r.left, r.top, r.right, r.bottom}; }

RECT DeviceRectOf(const UiRect& r, double scale) { return ToRect(toolkit::ToDeviceRect(r, scale)); }

UiRect LogicalRectOf(const RECT& r, double scale) { return toolkit::ToLogicalRect(FromRect(r), scale); }

UiPoint LogicalPointOf(LPARAM lParam, double scale) {
  return toolkit::ToLogicalPoint({PointXFromLParam(lParam), PointYFromLParam(lParam)}, scale);
}

COLORREF ToColorRef(UiColor argb) {
  return RGB((argb >> 16) & 0xFF, (argb >> 8) & 0xFF, argb & 0xFF);
}

unsigned KeyState() {
  unsigned state = 0;
  if (::GetKeyState(VK_SHIFT) < 0) state |= kKeyStateShift;
  if (::GetKeyState(VK_CONTROL) < 0) state |= kKeyStateControl;
  if (::GetKeyState(VK_LBUTTON) < 0) state |= kKeyStateLButton;
  return state;
}

HFONT CreateLayoutFont(const FontSpec& spec, double scale) {
  return ::CreateFontW(-ToDevice(spec.size, scale), 0, 0, 0, spec.bold ? FW_BOLD : FW_NORMAL,
                       spec.italic, spec.underline, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                       CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY, DEFAULT_PITCH | FF_DONTCARE,
                       spec.name.c_str());
}

// The toolkit window a (possibly nested) child window belongs to, or null.
HWND ManagedAncestor(HWND hwnd) {
  auto& managers = Managers();
  for (HWND w = hwnd; w; w = ::GetParent(w)) {
    if (managers.count(w)) return w;
    if (!(::GetWindowLongPtrW(w, GWL_STYLE) & WS_CHILD)) break;
  }
  return nullptr;
}

LRESULT CALLBACK EditSubclassProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

// One native EDIT over a CEditUI.
struct NativeEdit {
  HWND hwnd = nullptr;
  CEditUI* control = nullptr;
  HFONT font = nullptr;
  FontSpec fontSpec{};
  double fontScale = 0;
  HBRUSH brush = nullptr;
  UiColor brushColor = 0;
  int lineHeight = 0;
  int appliedSelStart = -1;
  int appliedSelEnd = -1;
  bool updating = false;

  ~NativeEdit() {
    if (hwnd && ::IsWindow(hwnd)) ::DestroyWindow(hwnd);
    if (font) ::DeleteObject(font);
    if (brush) ::DeleteObject(brush);
  }
};

}  // namespace

class Win32PaintHost : public PaintHost {
 public:
  Win32PaintHost(CPaintManagerUI* manager, HWND hwnd) : m_manager(manager), m_hwnd(hwnd) {}
  ~Win32PaintHost() override {
    m_edits.clear();
    m_browsers.clear();
    if (m_toolTip && ::IsWindow(m_toolTip)) ::DestroyWindow(m_toolTip);
  }

  HWND Hwnd() const { return m_hwnd; }
  void WindowGone() {
    m_hwnd = nullptr;
    m_toolTip = nullptr;
    for (auto& e : m_edits) e.second->hwnd = nullptr;
  }
  double Scale() const { return m_hwnd ? ScaleOf(m_hwnd) : 1.0; }
  bool TakeWake() {
    const bool pending = m_wakePending;
    m_wakePending = false;
    return pending;
  }
  UiCursor Cursor() const { return m_cursor; }
  void LayeredPainted() { m_layeredPending = false; }

  void Invalidate(const UiRect& rect) override {
    if (!m_hwnd) return;
    if (m_manager->IsLayered()) {
      if (!m_layeredPending) m_layeredPending = ::PostMessageW(m_hwnd, kWmLayeredPaint, 0, 0) != 0;
      return;
    }
    RECT rc = DeviceRectOf(rect, Scale());
    ::InvalidateRect(m_hwnd, &rc, FALSE);
  }
  bool StartTimer(uint32_t timerId, uint32_t elapseMs) override {
    if (!m_hwnd || timerId >= kTimerIdSpan) return false;
    return ::SetTimer(m_hwnd, kTimerIdBase + timerId, elapseMs, nullptr) != 0;
  }
  void StopTimer(uint32_t timerId) override {
    if (m_hwnd) ::KillTimer(m_hwnd, kTimerIdBase + timerId);
  }
  void WakeForNotifications() override {
    if (!m_hwnd || m_wakePending) return;
    m_wakePending = ::PostMessageW(m_hwnd, kWmAsyncNotify, 0, 0) != 0;
  }
  void SetCursor(UiCursor cursor) override {
    m_cursor = cursor;
    ::SetCursor(LoadCursorFor(cursor));
  }
  void SetCapture() override {
    if (m_hwnd) ::SetCapture(m_hwnd);
  }
  void ReleaseCapture() override {
    if (m_hwnd && ::GetCapture() == m_hwnd) ::ReleaseCapture();
  }
  void ShowToolTip(const std::wstring& text, const UiRect& rect) override {
    if (!m_hwnd) return;
    if (!m_toolTip) {
      static const bool registered = [] {
        INITCOMMONCONTROLSEX icc{sizeof(INITCOMMONCONTROLSEX), ICC_WIN95_CLASSES};
        return ::InitCommonControlsEx(&icc) != FALSE;
      }();
      if (!registered) return;
      m_toolTip = ::CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_NOPREFIX,
                                    CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                                    m_hwnd, nullptr, nullptr, nullptr);
      if (!m_toolTip) return;
      ::SendMessageW(m_toolTip, TTM_SETMAXTIPWIDTH, 0, ToDevice(360, Scale()));
    }
    HideToolTip();
    m_toolTipText = text;
    TOOLINFOW info = ToolInfo();
    info.uFlags = TTF_SUBCLASS;
    info.rect = DeviceRectOf(rect, Scale());
    info.lpszText = m_toolTipText.data();
    m_toolTipAdded = ::SendMessageW(m_toolTip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&info)) != 0;
  }
  void HideToolTip() override {
    if (!m_toolTip || !m_toolTipAdded) return;
    TOOLINFOW info = ToolInfo();
    ::SendMessageW(m_toolTip, TTM_DELTOOLW, 0, reinterpret_cast<LPARAM>(&info));
    m_toolTipAdded = false;
  }

  bool CreateNativeChild(CControlUI* control, NativeChildKind kind) override {
    if (!m_hwnd || !control) return false;
    if (kind == NativeChildKind::Browser) {
      auto* browser = dynamic_cast<CWebBrowserUI*>(control);
      if (!browser) return false;
      std::unique_ptr<WebBrowserHost> host = CreateWebBrowserHost(m_hwnd, browser);
      if (!host) return false;
      m_browsers[control] = std::move(host);
      return true;
    }
    auto* edit = dynamic_cast<CEditUI*>(control);
    if (!edit) return false;
    DWORD style = WS_CHILD | WS_CLIPSIBLINGS | ES_AUTOHSCROLL | ES_LEFT;
    if (edit->IsPasswordMode()) style |= ES_PASSWORD;
    HWND child = ::CreateWindowExW(0, L"EDIT", L"", style, 0, 0, 0, 0, m_hwnd, nullptr,
                                   static_cast<HINSTANCE>(CPaintManagerUI::GetInstance()), nullptr);
    if (!child) {
      WriteLog(L"创建编辑框窗口失败：" + control->GetName());
      return false;
    }
    auto native = std::make_unique<NativeEdit>();
    native->hwnd = child;
    native->control = edit;
    ::SetPropW(child, kEditProp, reinterpret_cast<HANDLE>(edit));
    ::SetPropW(child, kEditProcProp, reinterpret_cast<HANDLE>(::SetWindowLongPtrW(
                                         child, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&EditSubclassProc))));
    ::SendMessageW(child, EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN, 0);
    m_edits[control] = std::move(native);
    return true;
  }
  void DestroyNativeChild(CControlUI* control) override {
    m_edits.erase(control);
    m_browsers.erase(control);
  }
  void PlaceNativeChild(CControlUI* control, const UiRect& rect, bool visible) override {
    const double scale = Scale();
    RECT rc = DeviceRectOf(rect, scale);
    if (auto it = m_browsers.find(control); it != m_browsers.end()) {
      it->second->Place(rc, visible && !rect.IsEmpty());
      return;
    }
    auto it = m_edits.find(control);
    if (it == m_edits.end() || !it->second->hwnd) return;
    NativeEdit& e = *it->second;
    ApplyFont(e);
    // A one-line EDIT draws from its top: centre its line in the text rectangle.
    const int height = rc.bottom - rc.top;
    const int line = std::min(height, e.lineHeight > 0 ? e.lineHeight : height);
    const int top = rc.top + (height - line) / 2;
    ::SetWindowPos(e.hwnd, nullptr, rc.left, top, rc.right - rc.left, line,
                   SWP_NOZORDER | SWP_NOACTIVATE | (visible ? SWP_SHOWWINDOW : SWP_HIDEWINDOW));
  }
  void UpdateNativeChild(CControlUI* control) override {
    auto it = m_edits.find(control);
    if (it == m_edits.end() || !it->second->hwnd) return;
    NativeEdit& e = *it->second;
    CEditUI* edit = e.control;
    HWND h = e.hwnd;
    e.updating = true;
    ::SendMessageW(h, EM_SETPASSWORDCHAR, edit->IsPasswordMode() ? edit->GetPasswordChar() : 0, 0);
    ::SendMessageW(h, EM_SETREADONLY, edit->IsReadOnly() ? TRUE : FALSE, 0);
    ::SendMessageW(h, EM_SETLIMITTEXT, edit->GetMaxChar() > 0 ? edit->GetMaxChar() : 0x7FFFFFFE, 0);
    LONG_PTR style = ::GetWindowLongPtrW(h, GWL_STYLE);
    style = edit->IsNumberOnly() ? (style | ES_NUMBER) : (style & ~static_cast<LONG_PTR>(ES_NUMBER));
    ::SetWindowLongPtrW(h, GWL_STYLE, style);
    ::EnableWindow(h, edit->IsEnabled() ? TRUE : FALSE);
    ApplyFont(e);
    const std::wstring text = edit->GetText();
    if (WindowText(h) != text) ::SetWindowTextW(h, text.c_str());
    if (edit->GetSelStart() != e.appliedSelStart || edit->GetSelEnd() != e.appliedSelEnd) {
      e.appliedSelStart = edit->GetSelStart();
      e.appliedSelEnd = edit->GetSelEnd();
      ::SendMessageW(h, EM_SETSEL, e.appliedSelStart, e.appliedSelEnd);
    }
    ::InvalidateRect(h, nullptr, TRUE);
    e.updating = false;
  }
  void FocusNativeChild(CControlUI* control) override {
    auto it = m_edits.find(control);
    if (it != m_edits.end() && it->second->hwnd && ::GetFocus() != it->second->hwnd) {
      ::SetFocus(it->second->hwnd);
    }
  }
  bool NavigateBrowser(CControlUI* control, const std::wstring& url) override {
    auto it = m_browsers.find(control);
    return it != m_browsers.end() && it->second->Navigate(url);
  }
  UiSize GetClientSize() const override {
    RECT rc{};
    if (!m_hwnd || !::GetClientRect(m_hwnd, &rc)) return {};
    const double scale = Scale();
    return {ToLogical(rc.right, scale), ToLogical(rc.bottom, scale)};
  }
  double GetDpiScale() const override { return Scale(); }
  uint32_t GetTickCount() const override { return ::GetTickCount(); }

  // --- messages the window receives for its EDIT children
  NativeEdit* EditFor(HWND child) {
    for (auto& e : m_edits) {
      if (e.second->hwnd == child) return e.second.get();
    }
    return nullptr;
  }
  void OnEditChanged(HWND child) {
    NativeEdit* e = EditFor(child);
    if (!e || e->updating) return;
    std::weak_ptr<const bool> alive = e->control->GetLifeToken();
    e->control->OnNativeTextChanged(WindowText(child));
    // "textchanged" handlers may remove the control; the record goes with it.
    if (alive.expired()) return;
    if (NativeEdit* still = EditFor(child)) {
      still->appliedSelStart = still->control->GetSelStart();
      still->appliedSelEnd = still->control->GetSelEnd();
    }
  }
  HBRUSH EditColors(HWND child, HDC dc) {
    NativeEdit* e = EditFor(child);
    if (!e) return nullptr;
    CEditUI* edit = e->control;
    UiColor text = edit->IsEnabled() ? edit->GetTextColor() : edit->GetDisabledTextColor();
    if (text == 0) text = edit->IsEnabled() ? m_manager->GetDefaultFontColor() : m_manager->GetDefaultDisabledColor();
    UiColor bk = edit->GetNativeBkColor();
    if (bk == 0) bk = 0xFFFFFFFF;
    if (!e->brush || e->brushColor != bk) {
      if (e->brush) ::DeleteObject(e->brush);
      e->brush = ::CreateSolidBrush(ToColorRef(bk));
      e->brushColor = bk;
    }
    ::SetTextColor(dc, ToColorRef(text));
    ::SetBkColor(dc, ToColorRef(bk));
    return e->brush;
  }
  void RefreshFonts() {
    for (auto& e : m_edits) {
      e.second->fontScale = 0;
      ApplyFont(*e.second);
    }
  }

 private:
  static HCURSOR LoadCursorFor(UiCursor cursor) {
    switch (cursor) {
      case UiCursor::Hand: return ::LoadCursorW(nullptr, IDC_HAND);
      case UiCursor::IBeam: return ::LoadCursorW(nullptr, IDC_IBEAM);
      case UiCursor::SizeWE: return ::LoadCursorW(nullptr, IDC_SIZEWE);
      case UiCursor::SizeNS: return ::LoadCursorW(nullptr, IDC_SIZENS);
      case UiCursor::Arrow:
      default: return ::LoadCursorW(nullptr, IDC_ARROW);
    }
  }
  static std::wstring WindowText(HWND h) {
    const int length = ::GetWindowTextLengthW(h);
    if (length <= 0) return {};
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    const int copied = ::GetWindowTextW(h, text.data(), length + 1);
    text.resize(copied > 0 ? static_cast<size_t>(copied) : 0);
    return text;
  }
  TOOLINFOW ToolInfo() const {
    TOOLINFOW info{};
    info.cbSize = TTTOOLINFOW_V1_SIZE;
    info.hwnd = m_hwnd;
    info.uId = 1;
    return info;
  }
  void ApplyFont(NativeEdit& e) {
    const FontSpec& spec = m_manager->GetFont(e.control->GetFont());
    const double scale = Scale();
    if (e.font && spec == e.fontSpec && scale == e.fontScale) return;
    HFONT font = CreateLayoutFont(spec, scale);
    if (!font) return;
    ::SendMessageW(e.hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    if (e.font) ::DeleteObject(e.font);
    e.font = font;
    e.fontSpec = spec;
    e.fontScale = scale;
    HDC dc = ::GetDC(e.hwnd);
    if (dc) {
      HGDIOBJ old = ::SelectObject(dc, font);
      TEXTMETRICW tm{};
      if (::GetTextMetricsW(dc, &tm)) e.lineHeight = tm.tmHeight + 2;
      ::SelectObject(dc, old);
      ::ReleaseDC(e.hwnd, dc);
    }
  }

  CPaintManagerUI* m_manager;
  HWND m_hwnd;
  HWND m_toolTip = nullptr;
  bool m_toolTipAdded = false;
  std::wstring m_toolTipText;
  bool m_wakePending = false;
  bool m_layeredPending = false;
  UiCursor m_cursor = UiCursor::Arrow;
  std::map<CControlUI*, std::unique_ptr<NativeEdit>> m_edits;
  std::map<CControlUI*, std::unique_ptr<WebBrowserHost>> m_browsers;
};

struct CPaintManagerUI::PlatformState {
  PlatformState(CPaintManagerUI* manager, HWND hwnd) : host(manager, hwnd), hwnd(hwnd) {}
  ~PlatformState() {
    auto& managers = Managers();
    auto it = managers.find(hwnd);
    if (it != managers.end()) managers.erase(it);
  }
  Win32PaintHost host;
  HWND hwnd;
  OffscreenSurface surface;
  bool tracking = false;
};

namespace {

CPaintManagerUI* ManagerOf(HWND hwnd) {
  auto& managers = Managers();
  auto it = managers.find(hwnd);
  return it == managers.end() ? nullptr : it->second;
}

LRESULT CALLBACK EditSubclassProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto original = reinterpret_cast<WNDPROC>(::GetPropW(hwnd, kEditProcProp));
  auto* control = reinterpret_cast<CEditUI*>(::GetPropW(hwnd, kEditProp));
  HWND parent = ::GetParent(hwnd);
  switch (msg) {
    case WM_KEYDOWN:
      // Dialog keys belong to the window: Tab moves the focus, Return sends "return", Escape closes.
      if ((wParam == VK_TAB || wParam == VK_RETURN || wParam == VK_ESCAPE) && parent) {
        ::SendMessageW(parent, WM_KEYDOWN, wParam, lParam);
        return 0;
      }
      break;
    case WM_CHAR:
      if (wParam == L'\t' || wParam == L'\r' || wParam == 0x1B) return 0;   // no beep
      break;
    case WM_SETFOCUS: {
      LRESULT result = ::CallWindowProcW(original, hwnd, msg, wParam, lParam);
      ::InvalidateRect(hwnd, nullptr, TRUE);   // the prompt goes
      CPaintManagerUI* manager = ManagerOf(parent);
      if (manager && control && manager->GetFocus() != control) manager->SetFocus(control);
      return result;
    }
    case WM_KILLFOCUS: {
      LRESULT result = ::CallWindowProcW(original, hwnd, msg, wParam, lParam);
      ::InvalidateRect(hwnd, nullptr, TRUE);   // the prompt comes back
      return result;
    }
    case WM_PAINT: {
      LRESULT result = ::CallWindowProcW(original, hwnd, msg, wParam, lParam);
      // The prompt of an empty box that is not being typed into: drawn here because the system's
      // EDIT has no prompt of its own before common controls 6.
      if (control && !control->GetPromptText().empty() && ::GetWindowTextLengthW(hwnd) == 0 &&
          ::GetFocus() != hwnd) {
        HDC dc = ::GetDC(hwnd);
        if (dc) {
          RECT rc{};
          ::GetClientRect(hwnd, &rc);
          rc.left += 1;
          HGDIOBJ old = ::SelectObject(dc, reinterpret_cast<HFONT>(::SendMessageW(hwnd, WM_GETFONT, 0, 0)));
          const UiColor color = control->GetDisabledTextColor() != 0 ? control->GetDisabledTextColor() : 0xFFA0A0A0;
          ::SetTextColor(dc, ToColorRef(color));
          ::SetBkMode(dc, TRANSPARENT);
          const std::wstring& prompt = control->GetPromptText();
          ::DrawTextW(dc, prompt.c_str(), static_cast<int>(prompt.size()), &rc,
                      DT_SINGLELINE | DT_VCENTER | DT_LEFT | DT_END_ELLIPSIS | DT_NOPREFIX);
          ::SelectObject(dc, old);
          ::ReleaseDC(hwnd, dc);
        }
      }
      return result;
    }
    case WM_NCDESTROY:
      ::SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(original));
      ::RemovePropW(hwnd, kEditProcProp);
      ::RemovePropW(hwnd, kEditProp);
      return ::CallWindowProcW(original, hwnd, msg, wParam, lParam);
    default:
      break;
  }
  return original ? ::CallWindowProcW(original, hwnd, msg, wParam, lParam)
                  : ::DefWindowProcW(hwnd, msg, wParam, lParam);
}

void PaintWindow(CPaintManagerUI& manager, CPaintManagerUI::PlatformState& state) {
  HWND hwnd = state.hwnd;
  PAINTSTRUCT ps{};
  HDC dc = ::BeginPaint(hwnd, &ps);
  if (!dc) return;
  RECT client{};
  ::GetClientRect(hwnd, &client);
  const double scale = state.host.Scale();
  if (client.right > 0 && client.bottom > 0 && state.surface.Resize(client.right, client.bottom)) {
    RECT dirtyDevice = ps.rcPaint;
    if (::IsRectEmpty(&dirtyDevice)) dirtyDevice = client;
    const UiRect dirty = LogicalRectOf(dirtyDevice, scale);
    {
      GdiplusRenderContext ctx(state.surface, scale);
      if (ctx.IsValid()) {
        ctx.PushClip(dirty, {});
        ctx.FillRect(dirty, 0xFFFFFFFF);
        manager.Paint(ctx, dirty);
        ctx.PopClip();
      }
    }
    ::BitBlt(dc, dirtyDevice.left, dirtyDevice.top, dirtyDevice.right - dirtyDevice.left,
             dirtyDevice.bottom - dirtyDevice.top, state.surface.Dc(), dirtyDevice.left,
             dirtyDevice.top, SRCCOPY);
  }
  ::EndPaint(hwnd, &ps);
}

// A layered window (the layout's bktrans) is drawn whole, with per-pixel alpha, through
// UpdateLayeredWindow; the layout's alpha is the constant opacity on top.
void PaintLayered(CPaintManagerUI& manager, CPaintManagerUI::PlatformState& state) {
  HWND hwnd = state.hwnd;
  state.host.LayeredPainted();
  RECT client{};
  ::GetClientRect(hwnd, &client);
  if (client.right <= 0 || client.bottom <= 0 || !state.surface.Resize(client.right, client.bottom)) return;
  const LONG_PTR exStyle = ::GetWindowLongPtrW(hwnd, GWL_EXSTYLE);
  if (!(exStyle & WS_EX_LAYERED)) ::SetWindowLongPtrW(hwnd, GWL_EXSTYLE, exStyle | WS_EX_LAYERED);
  const double scale = state.host.Scale();
  state.surface.Clear(0);
  {
    GdiplusRenderContext ctx(state.surface, scale);
    if (!ctx.IsValid()) return;
    ctx.SetClearType(false);   // grey-scale text blends on any background
    manager.Paint(ctx, {0, 0, ToLogical(client.right, scale), ToLogical(client.bottom, scale)});
  }
  RECT window{};
  ::GetWindowRect(hwnd, &window);
  POINT destination{window.left, window.top};
  SIZE size{client.right, client.bottom};
  POINT source{0, 0};
  const int alpha = std::clamp(manager.GetTransparent(), 0, 255);
  BLENDFUNCTION blend{AC_SRC_OVER, 0, static_cast<BYTE>(alpha), AC_SRC_ALPHA};
  if (!::UpdateLayeredWindow(hwnd, nullptr, &destination, &size, state.surface.Dc(), &source, 0, &blend,
                             ULW_ALPHA)) {
    WriteLog(L"分层窗口绘制失败，错误代码：" + std::to_wstring(::GetLastError()));
  }
}

}  // namespace

bool ApplyLayoutWindowSize(HWND hwnd) {
  CPaintManagerUI* manager = ManagerOf(hwnd);
  if (!manager) return false;
  const UiSize size = manager->GetInitSize();
  if (size.cx <= 0 || size.cy <= 0) return false;
  const double scale = ScaleOf(hwnd);
  // The frame as the window really has it (borderless windows answer WM_NCCALCSIZE themselves).
  RECT window{}, client{};
  ::GetWindowRect(hwnd, &window);
  ::GetClientRect(hwnd, &client);
  const int frameX = (window.right - window.left) - client.right;
  const int frameY = (window.bottom - window.top) - client.bottom;
  return ::SetWindowPos(hwnd, nullptr, 0, 0, ToDevice(size.cx, scale) + frameX, ToDevice(size.cy, scale) + frameY,
                        SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE) != 0;
}

double WindowDpiScale(HWND hwnd) { return ScaleOf(hwnd); }

void CPaintManagerUI::Init(void* hwnd) {
  HWND window = static_cast<HWND>(hwnd);
  m_hwnd = hwnd;
  if (!EnsureGdiplus()) WriteLog(L"GDI+ 初始化失败，窗口无法绘制");
  auto state = std::make_shared<PlatformState>(this, window);
  Managers()[window] = this;
  SetHost(&state->host);
  SetPlatformState(std::move(state));
}

bool CPaintManagerUI::MessageHandler(unsigned int msg, uintptr_t wParam, intptr_t lParam, intptr_t& lResult) {
  PlatformState* state = GetPlatformState();
  if (!state || !state->hwnd) return false;
  HWND hwnd = state->hwnd;
  lResult = 0;
  // Filters first, in the order they were added; one that handles the message ends it. A copy:
  // a filter may remove itself.
  const std::vector<IMessageFilterUI*> filters = GetPreMessageFilters();
  for (IMessageFilterUI* filter : filters) {
    bool handled = false;
    const intptr_t result = filter->MessageHandler(msg, wParam, lParam, handled);
    if (handled) {
      lResult = result;
      return true;
    }
  }
  if (!GetPlatformState() || !GetPlatformState()->hwnd) return false;   // a filter closed the window
  const double scale = state->host.Scale();
  switch (msg) {
    case kWmAsyncNotify:
      state->host.TakeWake();
      DeliverAsyncNotifications();
      return true;
    case WM_PAINT:
      if (IsLayered()) {
        ::ValidateRect(hwnd, nullptr);
        PaintLayered(*this, *state);
      } else {
        PaintWindow(*this, *state);
      }
      return true;
    case kWmLayeredPaint:
      if (IsLayered()) PaintLayered(*this, *state);
      return true;
    case WM_ERASEBKGND:
      lResult = 1;   // the back buffer covers everything
      return true;
    case WM_SIZE: {
      if (wParam == SIZE_MINIMIZED) return false;
      const int w = LOWORD(lParam);
      const int h = HIWORD(lParam);
      OnClientResize({ToLogical(w, scale), ToLogical(h, scale)});
      const UiSize round = GetRoundCorner();
      if (round.cx > 0 && round.cy > 0 && !::IsZoomed(hwnd)) {
        RECT rc{};
        ::GetWindowRect(hwnd, &rc);
        HRGN region = ::CreateRoundRectRgn(0, 0, rc.right - rc.left + 1, rc.bottom - rc.top + 1,
                                           ToDevice(round.cx, scale), ToDevice(round.cy, scale));
        if (region && !::SetWindowRgn(hwnd, region, TRUE)) ::DeleteObject(region);
      }
      Invalidate();
      return false;   // the window may want to see it too
    }
    case WM_GETMINMAXINFO: {
      auto* info = reinterpret_cast<MINMAXINFO*>(lParam);
      const UiSize minInfo = GetMinInfo();
      const UiSize maxInfo = GetMaxInfo();
      if (minInfo.cx > 0) info->ptMinTrackSize.x = ToDevice(minInfo.cx, scale);
      if (minInfo.cy > 0) info->ptMinTrackSize.y = ToDevice(minInfo.cy, scale);
      if (maxInfo.cx > 0) info->ptMaxTrackSize.x = ToDevice(maxInfo.cx, scale);
      if (maxInfo.cy > 0) info->ptMaxTrackSize.y = ToDevice(maxInfo.cy, scale);
      return false;
    }
    case WM_TIMER:
      if (wParam >= kTimerIdBase && wParam < kTimerIdBase + kTimerIdSpan) {
        OnTimer(static_cast<uint32_t>(wParam - kTimerIdBase));
        return true;
      }
      return false;
    case WM_MOUSEMOVE: {
      if (!state->tracking) {
        TRACKMOUSEEVENT tme{};
        tme.cbSize = sizeof(tme);
        tme.dwFlags = TME_LEAVE;
        tme.hwndTrack = hwnd;
        state->tracking = ::TrackMouseEvent(&tme) != 0;
      }
      OnMouseMove(LogicalPointOf(lParam, scale), static_cast<unsigned>(wParam));
      return true;
    }
    case WM_MOUSELEAVE:
      state->tracking = false;
      if (!IsCaptured()) OnMouseLeave();
      return true;
    case WM_LBUTTONDOWN: {
      // Clicking the window's own surface takes the focus from a native child (EDIT).
      if (::GetFocus() != hwnd) ::SetFocus(hwnd);
      OnButtonDown(LogicalPointOf(lParam, scale), static_cast<unsigned>(wParam));
      return true;
    }
    case WM_LBUTTONUP:
      OnButtonUp(LogicalPointOf(lParam, scale), static_cast<unsigned>(wParam));
      return true;
    case WM_LBUTTONDBLCLK:
      OnDoubleClick(LogicalPointOf(lParam, scale), static_cast<unsigned>(wParam));
      return true;
    case WM_RBUTTONDOWN:
      OnRightButtonDown(LogicalPointOf(lParam, scale), static_cast<unsigned>(wParam));
      return true;
    case WM_RBUTTONUP:
      OnRightButtonUp(LogicalPointOf(lParam, scale), static_cast<unsigned>(wParam));
      return true;
    case WM_MOUSEWHEEL: {
      POINT pt{PointXFromLParam(lParam), PointYFromLParam(lParam)};
      ::ScreenToClient(hwnd, &pt);
      const int delta = static_cast<short>(HIWORD(wParam));
      OnMouseWheel(toolkit::ToLogicalPoint({pt.x, pt.y}, scale), delta, LOWORD(wParam));
      return true;
    }
    case WM_SETCURSOR:
      if (LOWORD(lParam) != HTCLIENT || reinterpret_cast<HWND>(wParam) != hwnd) return false;
      state->host.SetCursor(state->host.Cursor());
      lResult = TRUE;
      return true;
    case WM_KEYDOWN:
      return OnKeyDown(static_cast<unsigned>(wParam), KeyState());
    case WM_CHAR:
      return OnChar(static_cast<wchar_t>(wParam));
    case WM_SETFOCUS:
      OnFocusGained();
      return false;
    case WM_KILLFOCUS: {
      // Focus moving into one of our own EDIT or browser children stays "inside" the window.
      HWND next = reinterpret_cast<HWND>(wParam);
      if (next && ::IsChild(hwnd, next)) return false;
      OnFocusLost();
      return false;
    }
    case WM_COMMAND:
      if (HIWORD(wParam) == EN_CHANGE && lParam) {
        state->host.OnEditChanged(reinterpret_cast<HWND>(lParam));
        return true;
      }
      return false;
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORSTATIC: {
      HBRUSH brush = state->host.EditColors(reinterpret_cast<HWND>(lParam), reinterpret_cast<HDC>(wParam));
      if (!brush) return false;
      lResult = reinterpret_cast<intptr_t>(brush);
      return true;
    }
    case WM_DPICHANGED: {
      const RECT* suggested = reinterpret_cast<const RECT*>(lParam);
      if (suggested) {
        ::SetWindowPos(hwnd, nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                       suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
      }
      state->host.RefreshFonts();
      NeedUpdate();
      Invalidate();
      return true;
    }
    case WM_NCDESTROY: {
      // The window is gone (its EDIT children with it); the manager may outlive it briefly.
      RemoveAllTimers();
      auto& managers = Managers();
      managers.erase(hwnd);
      state->host.WindowGone();
      state->hwnd = nullptr;
      return false;
    }
    default:
      return false;
  }
}

void CPaintManagerUI::MessageLoop() {
  MSG msg{};
  while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
    if (!TranslateMessage(&msg)) {
      ::TranslateMessage(&msg);
      ::DispatchMessageW(&msg);
    }
  }
}

bool CPaintManagerUI::TranslateMessage(const void* message) {
  const MSG* msg = static_cast<const MSG*>(message);
  if (!msg || !msg->hwnd) return false;
  if (msg->message != WM_KEYDOWN && msg->message != WM_CHAR) return false;
  if (Managers().count(msg->hwnd)) return false;   // the window itself handles its keys
  HWND window = ManagedAncestor(msg->hwnd);
  if (!window) return false;
  const bool ourEdit = ::GetPropW(msg->hwnd, kEditProp) != nullptr;
  const WPARAM key = msg->wParam;
  if (msg->message == WM_KEYDOWN) {
    // Dialog keys from a child reach the window: Escape from any child, Tab and Return from our
    // one-line EDITs (a web page keeps its own Tab and Return).
    if (key == VK_ESCAPE || (ourEdit && (key == VK_TAB || key == VK_RETURN))) {
      ::SendMessageW(window, WM_KEYDOWN, key, msg->lParam);
      return true;
    }
    return false;
  }
  return ourEdit && (key == L'\t' || key == L'\r' || key == 0x1B);
}

}  // namespace nimbrook::toolkit
