// CAutoUpdater: the client's first window ("UpdateFrame"). While its animation runs, the machine
// identity collector and the update check work on threads of their own; a timer watches the check's
// state and the window asks to update (then starts the updater from the program directory and ends the
// program) or hands over to the login window. Created with new; deletes itself at its final message.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "toolkit/notify.h"
#include "toolkit/window_wnd.h"
#include "ui/ui_base.h"
#include "update_window/update_window_controller.h"

namespace nimbrook {

inline constexpr wchar_t kUpdateWindowClass[] = L"UpdateFrame";
inline constexpr wchar_t kUpdateLayout[] = L"update.xml";

class CAutoUpdater : public CUIBase,
                     public toolkit::CWindowWnd,
                     public toolkit::INotifyUI,
                     private UpdateWindowHost {
 public:
  // openLogin opens the login window, with a text for its tips label (may be empty); called once.
  using OpenLogin = std::function<void(const std::wstring& noticeId)>;
  CAutoUpdater(std::shared_ptr<UpdateCheck> check, OpenLogin openLogin);
  ~CAutoUpdater() override;

  // Creates the window, centres and shows it; null when it could not be created (the object is gone).
  static CAutoUpdater* Open(std::shared_ptr<UpdateCheck> check, OpenLogin openLogin);

  intptr_t HandleMessage(unsigned msg, uintptr_t wParam, intptr_t lParam) override;
  void Notify(toolkit::TNotifyUI& msg) override;

 protected:
  const wchar_t* GetWindowClassName() const override { return kUpdateWindowClass; }
  unsigned GetClassStyle() const override { return toolkit::kCsDblClks; }
  void OnFinalMessage(toolkit::WindowHandle hWnd) override;

 private:
  void OnWindowInit();
  void StartAnimation();

  // UpdateWindowHost
  void StopPolling() override;
  bool AskToUpdate() override;
  bool StartUpdater(const std::wstring& path, const std::wstring& language) override;
  void QuitProgram() override;
  void OpenLoginWindow(const std::wstring& noticeId) override;

  std::shared_ptr<UpdateCheck> check_;
  OpenLogin openLogin_;
  std::shared_ptr<UpdateAnimation> animation_ = std::make_shared<UpdateAnimation>();
  UpdateWindowController controller_;
  bool handedOver_ = false;  // the login window or the updater took over
};

}  // namespace nimbrook
