// CIrregularWindow: the layered window behind the main window that shows a background image with
// per-pixel alpha ("skin/quell.dll", a PNG). The main window owns it: sets itself as owner,
// registers the class, creates the window, sets the background and places it after every move.
// Windows only; natively registration and creation answer false.
#pragma once

#include <string>

#include "toolkit/ui_types.h"
#include "toolkit/window_wnd.h"

namespace nimbrook {

inline constexpr wchar_t kIrregularWindowClass[] = L"__IrregularWindowClass";

class CIrregularWindow {
 public:
  CIrregularWindow();
  virtual ~CIrregularWindow();
  CIrregularWindow(const CIrregularWindow&) = delete;
  CIrregularWindow& operator=(const CIrregularWindow&) = delete;

  virtual bool RegisterWindowClass();
  // Creates the hidden layered window, owned by the stored owner when it is still a window.
  virtual bool Create();

  void SetOwner(toolkit::WindowHandle owner) { m_owner = owner; }
  toolkit::WindowHandle GetOwner() const { return m_owner; }
  toolkit::WindowHandle GetHWND() const { return m_hWnd; }

  // Loads the image and puts it on the layered window. An empty path does nothing; an image that
  // cannot be loaded leaves a zero-sized window (logged). False when nothing was shown.
  bool SetBackground(const std::wstring& imagePath);
  const std::wstring& GetBackground() const { return m_background; }
  toolkit::UiSize GetImageSize() const { return m_imageSize; }

  // Puts the window behind the main window: its size, left at the main window's left, top half its
  // height above the main window's top, directly after the main window in z-order, shown.
  void PlaceBehind(toolkit::WindowHandle mainWindow);
  void Show(bool show);

 private:
  toolkit::WindowHandle m_owner = nullptr;
  toolkit::WindowHandle m_hWnd = nullptr;
  std::wstring m_background;
  toolkit::UiSize m_imageSize{};
};

}  // namespace nimbrook
