// Headless builds: windows have no icons and the tests run no message loop.
#include "main_window/nimbrook_frame.h"

namespace nimbrook {

void SetWindowIconFromResource(toolkit::WindowHandle, int) {}
void PostQuitToLoop(int) {}

}  // namespace nimbrook
