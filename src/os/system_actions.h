// What the settings window's tools and the about window ask of the system: a program started through
// the shell with its window shown or hidden, the system directory (so that system programs are
// started by their full path, never found through a search that includes the current directory),
// a forced reboot, and the version of the running executable. A seam, so the window logic is
// tested without starting anything.
#pragma once

#include <cstdint>
#include <string>

namespace nimbrook::os {

class SystemActions {
 public:
  virtual ~SystemActions() = default;
  // ShellExecuteW(owner, "open", file, parameters, no directory, SW_SHOWNORMAL or SW_HIDE); its
  // result (above 32 on success).
  virtual intptr_t ShellOpen(void* owner, const std::wstring& file, const std::wstring& parameters,
                             bool hidden) = 0;
  // GetSystemDirectoryW ("C:\Windows\system32"), without a trailing separator; empty on failure.
  virtual std::wstring SystemDirectory() = 0;
  // ExitWindowsEx with reboot and force; true when the system accepted it.
  virtual bool RebootForcibly() = 0;
};

// The real system on Windows. Natively nothing is started: ShellOpen answers 0 (failure), the
// system directory is empty and no reboot happens.
SystemActions& SystemActionsOfProcess();

// "major.minor.build.revision" of the running executable's version resource; empty when it has none.
std::wstring ExecutableVersion();

}  // namespace nimbrook::os
