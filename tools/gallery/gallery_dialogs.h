// The dialogs the gallery program can open besides its own window (message boxes, notice pop-up,
// menu, pickers), each the way the client opens it. The client's windows provide OpenGalleryDialog in
// gallery_dialogs.cpp; without that file the gallery knows no dialogs.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "toolkit/control.h"
#include "toolkit/notify.h"
#include "toolkit/paint_manager.h"
#include "toolkit/window_wnd.h"

namespace nimbrook::gallery {

struct GalleryDialogContext {
  // The gallery window: owner of the dialog.
  toolkit::WindowHandle owner = nullptr;
  toolkit::CPaintManagerUI* ownerManager = nullptr;
  // A control of the gallery window that stands for the control that opened the dialog (menus and
  // pickers report their pick as a notification for it, which the gallery logs).
  toolkit::CControlUI* ownerControl = nullptr;
  // Logs every notification it is given (type and sender name): add it to the dialog's paint manager
  // to record what the dialog sends.
  toolkit::INotifyUI* notifyLog = nullptr;
  // Writes one line to the notification log (e.g. "modal 2" with a dialog's close code).
  std::function<void(const std::wstring&)> log;
};

// Opens the dialog called name and returns once it ended (modal dialogs) or is shown (pop-ups);
// false when there is no such dialog.
bool OpenGalleryDialog(const std::wstring& name, const GalleryDialogContext& context);

// The names OpenGalleryDialog knows, for the gallery's usage text and the tests.
std::vector<std::wstring> GalleryDialogNames();

}  // namespace nimbrook::gallery
