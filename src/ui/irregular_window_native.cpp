// Natively there is no layered window: the main window's logic runs without its background.
#include "ui/irregular_window.h"

namespace nimbrook {

CIrregularWindow::CIrregularWindow() = default;
CIrregularWindow::~CIrregularWindow() = default;
bool CIrregularWindow::RegisterWindowClass() { return false; }
bool CIrregularWindow::Create() { return false; }
bool CIrregularWindow::SetBackground(const std::wstring& imagePath) {
  m_background = imagePath;
  return false;
}
void CIrregularWindow::PlaceBehind(toolkit::WindowHandle mainWindow) {}
void CIrregularWindow::Show(bool show) {}

}  // namespace nimbrook
