// The layered background window: a per-pixel-alpha image put on the screen with UpdateLayeredWindow.
#include <windows.h>
// GDI+ needs the COM declarations WIN32_LEAN_AND_MEAN leaves out.
#include <objidl.h>
#include <gdiplus.h>

#include <cstring>
#include <cwchar>

#include "core/languages.h"
#include "core/log.h"
#include "ui/irregular_window.h"
#include "ui/window_rules.h"

namespace nimbrook {

namespace {

constexpr int kProgramIconResource = 16;

using UpdateLayeredWindowFn = BOOL(WINAPI*)(HWND, HDC, POINT*, SIZE*, HDC, POINT*, COLORREF,
                                            BLENDFUNCTION*, DWORD);

LRESULT CALLBACK IrregularWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_CREATE) {
    LONG_PTR style = ::GetWindowLongPtrW(hwnd, GWL_STYLE);
    // No caption, system menu, frame, minimise or maximise box (the plain mask 0xFF38FFFF would keep
    // the system menu of a window that has no caption to show it).
    style &= ~static_cast<LONG_PTR>(WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX);
    style |= WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
    ::SetWindowLongPtrW(hwnd, GWL_STYLE, style);
  } else if (msg == WM_SIZE) {
    HWND follower = reinterpret_cast<HWND>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (follower != nullptr && ::IsWindow(follower)) {
      ::SetWindowPos(follower, nullptr, 0, 0, LOWORD(lParam), HIWORD(lParam),
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
  }
  return ::DefWindowProcW(hwnd, msg, wParam, lParam);
}

// GDI+ for the length of one drawing; the main window may have started it as well (calls nest).
class GdiplusSession {
 public:
  GdiplusSession() {
    Gdiplus::GdiplusStartupInput input;
    ok_ = Gdiplus::GdiplusStartup(&token_, &input, nullptr) == Gdiplus::Ok;
  }
  ~GdiplusSession() {
    if (ok_) Gdiplus::GdiplusShutdown(token_);
  }
  bool ok() const { return ok_; }

 private:
  ULONG_PTR token_ = 0;
  bool ok_ = false;
};

struct ScreenDc {
  HWND hwnd;
  HDC dc;
  explicit ScreenDc(HWND w) : hwnd(w), dc(::GetDC(w)) {}
  ~ScreenDc() {
    if (dc) ::ReleaseDC(hwnd, dc);
  }
};

struct MemoryDc {
  HDC dc;
  explicit MemoryDc(HDC compatible) : dc(::CreateCompatibleDC(compatible)) {}
  ~MemoryDc() {
    if (dc) ::DeleteDC(dc);
  }
};

struct DibSection {
  HBITMAP bitmap = nullptr;
  void* bits = nullptr;
  DibSection(HDC dc, int width, int height) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;   // top-down, so rows match GDI+'s
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    bitmap = ::CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (bitmap && bits) std::memset(bits, 0, static_cast<size_t>(width) * height * 4);
  }
  ~DibSection() {
    if (bitmap) ::DeleteObject(bitmap);
  }
};

}  // namespace

CIrregularWindow::CIrregularWindow() = default;

CIrregularWindow::~CIrregularWindow() {
  HWND hwnd = static_cast<HWND>(m_hWnd);
  if (hwnd != nullptr && ::IsWindow(hwnd)) ::DestroyWindow(hwnd);
}

bool CIrregularWindow::RegisterWindowClass() {
  WNDCLASSW wc{};
  wc.lpfnWndProc = IrregularWindowProc;
  wc.hInstance = ::GetModuleHandleW(nullptr);
  wc.hIcon = ::LoadIconW(wc.hInstance, MAKEINTRESOURCEW(kProgramIconResource));
  wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = nullptr;
  wc.lpszMenuName = nullptr;
  wc.lpszClassName = kIrregularWindowClass;
  if (::RegisterClassW(&wc) != 0) return true;
  // A second main window in the same process finds the class already there.
  return ::GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

bool CIrregularWindow::Create() {
  HWND owner = static_cast<HWND>(m_owner);
  if (owner != nullptr && !::IsWindow(owner)) owner = nullptr;
  const std::wstring title = Text(L"nimbrookjsq");
  HWND hwnd = ::CreateWindowExW(WS_EX_LAYERED, kIrregularWindowClass, title.c_str(), WS_OVERLAPPEDWINDOW,
                                CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, owner, nullptr,
                                ::GetModuleHandleW(nullptr), nullptr);
  m_hWnd = hwnd;
  if (hwnd == nullptr) return false;
  ::ShowWindow(hwnd, SW_HIDE);
  return true;
}

bool CIrregularWindow::SetBackground(const std::wstring& imagePath) {
  m_background = imagePath;
  if (imagePath.empty()) return false;
  HWND hwnd = static_cast<HWND>(m_hWnd);
  if (hwnd == nullptr || !::IsWindow(hwnd)) return false;

  GdiplusSession gdiplus;
  if (!gdiplus.ok()) return false;
  Gdiplus::Image image(imagePath.c_str());
  const int width = image.GetLastStatus() == Gdiplus::Ok ? static_cast<int>(image.GetWidth()) : 0;
  const int height = image.GetLastStatus() == Gdiplus::Ok ? static_cast<int>(image.GetHeight()) : 0;
  m_imageSize = {width, height};
  if (width <= 0 || height <= 0) {
    // No picture: the layered window stays without size rather than showing an error box.
    WriteLog(L"背景图片无法加载: " + imagePath);
    return false;
  }

  ScreenDc screen(hwnd);
  MemoryDc memory(screen.dc);
  DibSection dib(screen.dc, width, height);
  if (!memory.dc || !dib.bitmap || !dib.bits) return false;
  HGDIOBJ old = ::SelectObject(memory.dc, dib.bitmap);
  {
    // Drawn into the DIB's own bits as premultiplied ARGB, which is what a layered window expects.
    Gdiplus::Bitmap canvas(width, height, width * 4, PixelFormat32bppPARGB, static_cast<BYTE*>(dib.bits));
    Gdiplus::Graphics graphics(&canvas);
    graphics.SetSmoothingMode(static_cast<Gdiplus::SmoothingMode>(3));
    graphics.DrawImage(&image, 0, 0, width, height);
  }

  RECT windowRect{};
  ::GetWindowRect(hwnd, &windowRect);
  POINT destination{windowRect.left, windowRect.top};
  SIZE size{width, height};
  POINT source{0, 0};
  BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
  auto update = reinterpret_cast<UpdateLayeredWindowFn>(
      reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"User32.DLL"), "UpdateLayeredWindow")));
  BOOL updated = FALSE;
  DWORD error = ERROR_PROC_NOT_FOUND;
  if (update != nullptr) {
    updated = update(hwnd, screen.dc, &destination, &size, memory.dc, &source, 0, &blend, ULW_ALPHA);
    if (!updated) error = ::GetLastError();
  }
  ::SelectObject(memory.dc, old);
  if (!updated) {
    wchar_t text[128];
    std::swprintf(text, 128, L"UpdateLayeredWindow 调用失败,错误代码:%u", static_cast<unsigned>(error));
    ::MessageBoxW(hwnd, text, L"提示", MB_OK);
    return false;
  }
  return true;
}

void CIrregularWindow::PlaceBehind(toolkit::WindowHandle mainWindow) {
  HWND hwnd = static_cast<HWND>(m_hWnd);
  HWND main = static_cast<HWND>(mainWindow);
  if (hwnd == nullptr || main == nullptr || !::IsWindow(hwnd) || !::IsWindow(main)) return;
  RECT mainRect{};
  ::GetWindowRect(main, &mainRect);
  const toolkit::UiPoint origin =
      IrregularWindowOrigin({mainRect.left, mainRect.top, mainRect.right, mainRect.bottom}, m_imageSize);
  ::SetWindowPos(hwnd, main, origin.x, origin.y, m_imageSize.cx, m_imageSize.cy,
                 SWP_NOACTIVATE | SWP_SHOWWINDOW);
}

void CIrregularWindow::Show(bool show) {
  HWND hwnd = static_cast<HWND>(m_hWnd);
  if (hwnd != nullptr && ::IsWindow(hwnd)) ::ShowWindow(hwnd, show ? SW_SHOWNOACTIVATE : SW_HIDE);
}

}  // namespace nimbrook
