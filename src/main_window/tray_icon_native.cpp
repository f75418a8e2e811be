// Natively there is no notification area: the icon is never shown.
#include "main_window/tray_icon.h"

namespace nimbrook {

TrayIcon::~TrayIcon() = default;
bool TrayIcon::Add(toolkit::WindowHandle window, int iconResource, const std::wstring& tip) {
  window_ = window;
  iconResource_ = iconResource;
  tip_ = tip;
  return false;
}
bool TrayIcon::Restore() { return false; }
void TrayIcon::SetIcon(int iconResource) { iconResource_ = iconResource; }
void TrayIcon::ShowBalloon(const std::wstring&, const std::wstring&) {}
void TrayIcon::Remove() { added_ = false; }
void TrayIcon::SetMenuTexts(const std::wstring& showMain, const std::wstring& setting, const std::wstring& exit) {
  menuTexts_[0] = showMain;
  menuTexts_[1] = setting;
  menuTexts_[2] = exit;
}
int TrayIcon::RunMenu() { return 0; }
unsigned TaskbarCreatedMessage() { return 0; }

}  // namespace nimbrook
