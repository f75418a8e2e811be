// The native build has no message boxes, resources or message loop: the updater's platform pieces do
// nothing there (the window logic is tested through the controller).
#include "updater_window/win_main_frame.h"

namespace nimbrook {

void ShowUpdaterMessageBox(const std::wstring&) {}
std::string LoadZipResource(int) { return {}; }
void SetUpdaterIcon(toolkit::WindowHandle, int) {}
void PostUpdaterQuit(int) {}

}  // namespace nimbrook
