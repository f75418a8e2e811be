// WinMainFrame: the updater's only window ("WinMainFrame", layout "WinMainFrame.xml" from the
// archive the updater carries). A thin window around UpdaterController: it builds the layout, hands
// the controller the toolkit's notifications and the job worker's messages, and starts the worker.
// Created with new; deletes itself at its final message.
#pragma once

#include <memory>
#include <string>

#include "toolkit/dialog_builder.h"
#include "toolkit/notify.h"
#include "toolkit/paint_manager.h"
#include "toolkit/window_wnd.h"
#include "ui/ui_base.h"
#include "updater/update_job.h"
#include "updater/update_list.h"
#include "updater_window/updater_controller.h"

namespace nimbrook {

inline constexpr wchar_t kUpdaterWindowClass[] = L"WinMainFrame";
inline constexpr wchar_t kUpdaterWindowName[] = L"UpdateFrame";
inline constexpr wchar_t kUpdaterLayout[] = L"WinMainFrame.xml";
inline constexpr wchar_t kClientProgramName[] = L"Nimbrook.exe";
inline constexpr int kUpdaterIconId = 102;
inline constexpr int kUpdaterSkinResourceId = 101;

class WinMainFrame : public CUIBase,
                     public toolkit::CWindowWnd,
                     public toolkit::INotifyUI,
                     public toolkit::IDialogBuilderCallback,
                     private UpdaterWindowHost {
 public:
  // environment: the job's seams (the downloader is required); tests give their own.
  WinMainFrame(std::wstring language, UpdaterPaths paths, UpdateJobEnvironment environment);
  ~WinMainFrame() override;

  // Creates the window (WS_POPUP | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | WS_CAPTION |
  // WS_SYSMENU, the layout's size), sets its icon, centres and shows it; null when creation failed
  // (the object is then gone).
  static WinMainFrame* Open(std::wstring language, UpdaterPaths paths, UpdateJobEnvironment environment);

  intptr_t HandleMessage(unsigned msg, uintptr_t wParam, intptr_t lParam) override;
  void Notify(toolkit::TNotifyUI& msg) override;
  toolkit::CControlUI* CreateControl(const std::wstring& className) override { return nullptr; }

  UpdaterController& Controller() { return controller_; }

 protected:
  const wchar_t* GetWindowClassName() const override { return kUpdaterWindowClass; }
  void OnFinalMessage(toolkit::WindowHandle hWnd) override;

 private:
  intptr_t OnCreate();

  // UpdaterWindowHost
  void StartJob() override;
  void ReleaseJob() override;
  bool StartClient() override;
  void Quit() override;

  struct Worker;
  std::wstring language_;
  UpdaterPaths paths_;
  UpdateJobEnvironment environment_;
  UpdaterController controller_;
  std::shared_ptr<Worker> worker_;
  bool quitPosted_ = false;
};

// True while an update job's worker thread is still running (the updater does not wait for it when
// the user leaves: the process then ends without running its static destructors under the worker).
bool UpdaterWorkerRunning();

// Platform pieces of the updater (Win32 in updater_platform_win.cpp; inert natively).
// A message box without owner and with the default caption, on the calling thread.
void ShowUpdaterMessageBox(const std::wstring& text);
// The bytes of the program's resource id of type "ZIPRES"; empty when it has none.
std::string LoadZipResource(int id);
void SetUpdaterIcon(toolkit::WindowHandle window, int resourceId);
void PostUpdaterQuit(int exitCode);

}  // namespace nimbrook
