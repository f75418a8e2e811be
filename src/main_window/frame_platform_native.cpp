// Headless builds: windows have no icons and the tests run no message loop.
#include "main_window/nimbrook_frame.h"

namespace nimbrook {

void SetWindowIconFromResource(toolkit::WindowHandle, int) {}
void PostQuitToLoop(int) {}
bool StartWindowTimer(toolkit::WindowHandle, uint32_t, uint32_t) { return false; }
void StopWindowTimer(toolkit::WindowHandle, uint32_t) {}
void BringWindowToFront(toolkit::WindowHandle) {}

}  // namespace nimbrook
