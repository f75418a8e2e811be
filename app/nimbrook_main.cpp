// Nimbrook.exe, the client's entry point: the single-instance guard, the process paths, the system
// preparation, the toolkit and COM, the client's initialisation, then the update check window, which
// hands over to the login window and that to the main window while one message loop runs. After the
// loop the shutdown releases the engines, the login service and the update check, in that order.
#include <windows.h>
#include <ole2.h>

#include <memory>
#include <string>

#include "client/client_composition.h"
#include "core/languages.h"
#include "core/log.h"
#include "core/paths.h"
#include "core/settings.h"
#include "core/startup.h"
#include "core/system_facts.h"
#include "login_window/login_frame.h"
#include "main_window/nimbrook_frame.h"
#include "os/single_instance.h"
#include "os/system_info.h"
#include "toolkit/paint_manager.h"
#include "ui/pop_box.h"
#include "update_window/auto_updater.h"

using namespace nimbrook;
using namespace nimbrook::toolkit;

namespace {

// Loaded before the entry point runs and saved after it has returned.
SettingsPersistence g_settings;

// What the composition wires into the main window once the login has opened it.
void WireMainWindow(ClientComposition& composition, CNimbrookFrame& frame) {
  composition.InstallServiceMessageBox(
      [window = frame.GetHWND()](const std::wstring& text) { (void)CPopBox::Show(window, kPopBoxOk, text); });
  ClientServices services = composition.Services();
  if (!services.login) return;
  services.login->SetReloadCallback([&frame](const std::wstring& answer) { frame.PostRefreshedAnswer(answer); });
  std::weak_ptr<LoginService> login = services.login;
  frame.SetOnFinal([login] {
    if (auto service = login.lock()) service->SetReloadCallback({});
  });
}

void OpenLoginWindow(ClientComposition& composition, const std::wstring& noticeId, int windowsMajor,
                     const std::string& systemDescription) {
  ClientServices services = composition.Services();
  LoginFrameContext context;
  context.window.settings = &services.settings;
  context.window.profile = &services.profile;
  context.window.login = services.login;
  context.window.systemDescription = systemDescription;
  context.window.configIni = Paths().configDir + L"config.ini";
  context.window.startNoticeId = noticeId;
  context.windowsMajor = windowsMajor;
  context.mainWindowOpened = [&composition](CNimbrookFrame& frame) { WireMainWindow(composition, frame); };
  // Without a login window nothing would ever end the loop.
  if (CLoginFrame::Open(std::move(context)) == nullptr) ::PostQuitMessage(0);
}

BOOL CALLBACK DestroyOne(HWND window, LPARAM) {
  ::DestroyWindow(window);
  return TRUE;
}

void DestroyRemainingWindows() { ::EnumThreadWindows(::GetCurrentThreadId(), DestroyOne, 0); }

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  os::SingleInstance guard = os::SingleInstance::Claim();
  // A second start has brought the first one's window forward; a failed mutex ends quietly too.
  if (!guard.result().firstInstance) return 0;

  InitialiseProcessPaths();
  ClientComposition composition;
  const os::VersionFacts version = os::ReadVersionFacts();
  (void)PrepareSystem(composition.Hooks(), version);
  BecomeDpiAware();

  CPaintManagerUI::SetInstance(instance);
  CPaintManagerUI::SetResourcePath(Paths().programDir + L"skin\\");
  (void)CPaintManagerUI::SetResourceZip(L"skin.dll");

  // OLE rather than plain COM: the main window's embedded browser panes need it; it initialises COM.
  const HRESULT com = ::OleInitialize(nullptr);
  if (FAILED(com)) return 0;

  (void)ClientInitialisation(composition.Hooks());

  const int windowsMajor = version.major > 0 ? static_cast<int>(version.major) : 6;
  const std::string systemDescription = SystemDescription(version);
  CAutoUpdater* updater = CAutoUpdater::Open(
      composition.Services().update, [&composition, windowsMajor, systemDescription](const std::wstring& noticeId) {
        OpenLoginWindow(composition, noticeId, windowsMajor, systemDescription);
      });
  if (updater != nullptr) CPaintManagerUI::MessageLoop();

  // Windows still open (the login window's close button ends the loop without closing it) go first:
  // they hold the login service, which the shutdown must be able to release.
  DestroyRemainingWindows();
  RunShutdown();
  ::OleUninitialize();
  return 0;
}
