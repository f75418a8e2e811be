// CDropDownWnd: what the main menu and the two pickers share. Each is a borderless, rounded,
// tool-style pop-up opened from a control of the main window (its owner control): created hidden on
// the owner's window, shown at a screen point, hidden when the user picks an item or clicks
// elsewhere, and reporting the pick as a notification posted through the owner's paint manager,
// for the owner control, named after the picked item.
//   CMenuWnd::Popup(ownerControl, screenPoint);   // made anew for every click
#pragma once

#include <memory>
#include <string>

#include "toolkit/control.h"
#include "toolkit/notify.h"
#include "toolkit/window_wnd.h"
#include "ui/ui_base.h"

namespace nimbrook {

// Round corner of every drop-down, in logical pixels.
inline constexpr toolkit::UiSize kDropDownRoundCorner{3, 3};

class CDropDownWnd : public CUIBase, public toolkit::CWindowWnd, public toolkit::INotifyUI {
 public:
  ~CDropDownWnd() override;

  // Stores the owner and creates the hidden window on the owner's window. False when there is no
  // window: a null owner, an owner that is not on a window, or a failed creation. Like Create, a
  // false result means the pop-up has received its final message and deleted itself: the caller
  // never deletes it.
  [[nodiscard]] bool Init(toolkit::CControlUI* owner);
  // Shows the pop-up with its top-left at the screen point (device pixels).
  virtual void ShowAt(toolkit::UiPoint screen) = 0;

  toolkit::CControlUI* GetOwnerControl() const;

  intptr_t HandleMessage(unsigned msg, uintptr_t wParam, intptr_t lParam) override;

 protected:
  explicit CDropDownWnd(const std::wstring& layoutFile);

  // After the standard creation (layout built and attached, notifier added, round corner set).
  virtual void OnCreated() {}
  void OnFinalMessage(toolkit::WindowHandle hWnd) override;

  // Pickers: keeps the width, makes the window PickerHeight(rows) high at the point, shows it.
  void ShowAsPicker(toolkit::UiPoint screen, int rows);
  // Posts the pick for the owner control; nothing when there is no owner (or it is gone).
  void SendPick(const std::wstring& item);
  // Hides the pop-up; it is destroyed once the current message is done (a new one is made for the
  // next click, so a hidden one would only linger).
  void HidePopup();

  // Makes, creates and shows a pop-up. True when shown; when it could not be created it is already
  // gone (Init).
  template <typename Wnd, typename... Args>
  static bool PopupWith(toolkit::CControlUI* owner, toolkit::UiPoint screen, Args&&... args) {
    auto* wnd = new Wnd(std::forward<Args>(args)...);
    if (!wnd->Init(owner)) return false;
    wnd->ShowAt(screen);
    return true;
  }

 private:
  std::wstring m_layoutFile;
  toolkit::CControlUI* m_owner = nullptr;
  std::weak_ptr<const bool> m_ownerLife;   // expires when the owner control is destroyed
  bool m_closing = false;
};

}  // namespace nimbrook
