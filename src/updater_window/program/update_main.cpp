// Update.exe: the updater the client starts with its language code as the command line. It waits for
// the client to end, replaces the release files listed in "config\update.ini", installs the new
// descriptor and offers to restart the client.
#include <windows.h>
#include <objbase.h>

#include <string>

#include "core/paths.h"
#include "http/http_client.h"
#include "os/module_path.h"
#include "toolkit/paint_manager.h"
#include "toolkit/resource_store.h"
#include "updater/update_job.h"
#include "updater/update_list.h"
#include "updater_window/win_main_frame.h"

using namespace nimbrook;

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  // The language is the code the client passes; a start without one shows nothing.
  const std::wstring language = LanguageFromCommandLine(CommandLineArguments(::GetCommandLineW()));
  if (language.empty()) return 0;

  const std::wstring executable = os::ExecutablePath();
  const size_t cut = executable.find_last_of(L"\\/");
  const UpdaterPaths paths = ComputeUpdaterPaths(cut == std::wstring::npos ? std::wstring() : executable.substr(0, cut + 1));
  if (!HandOverReadable(paths)) return 0;

  const HRESULT com = ::CoInitialize(nullptr);
  if (FAILED(com)) return 0;

  toolkit::CPaintManagerUI::SetInstance(instance);
  // The layout and its images travel inside the updater; a missing archive leaves an empty window.
  (void)toolkit::SetResourceZipBytes(LoadZipResource(kUpdaterSkinResourceId));

  // The job's objects outlive the window: its worker may still be running when the loop ends.
  static HttpClient http(HttpVariant::Updater());
  static HttpFileDownloader downloader(http);
  UpdateJobEnvironment environment;
  environment.downloader = &downloader;
  if (WinMainFrame::Open(language, paths, environment) != nullptr) toolkit::CPaintManagerUI::MessageLoop();

  ::CoUninitialize();
  // The user left while a download was running: end without waiting for it (the files already
  // replaced stay replaced, a half-written temporary file is overwritten by the next run).
  if (UpdaterWorkerRunning()) ::ExitProcess(0);
  return 0;
}
