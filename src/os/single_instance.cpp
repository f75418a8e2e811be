#include "os/single_instance.h"

namespace nimbrook::os {

BroughtForward BringRunningInstanceForward(InstanceWindows& windows) {
  void* const login = windows.Find(L"LoginFrame");
  void* const main = windows.Find(L"NimbrookFrame");
  void* const background = windows.Find(L"__IrregularWindowClass");
  if (main) {
    // The main window may be hidden in the tray; its background window goes with it.
    windows.ShowNormal(main);
    if (background) windows.ShowNormal(background);
    windows.BringToFront(main);
    return BroughtForward::Main;
  }
  if (login) {
    windows.ShowNormal(login);
    windows.BringToFront(login);
    return BroughtForward::Login;
  }
  return BroughtForward::None;
}

}  // namespace nimbrook::os
