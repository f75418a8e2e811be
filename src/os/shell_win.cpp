#include <windows.h>
#include <shellapi.h>

#include <vector>

#include "os/shell.h"

namespace nimbrook::os {
namespace {

class WinShell final : public Shell {
 public:
  bool StartProgram(const std::wstring& commandLine) override {
    // CreateProcessW may write into the command line.
    std::vector<wchar_t> line(commandLine.begin(), commandLine.end());
    line.push_back(L'\0');
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOW;
    PROCESS_INFORMATION process{};
    // No inherited handles: a browser that holds a pipe end of ours would keep the other end from
    // ever seeing the pipe close.
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
      return false;
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return true;
  }

  bool OpenWithDefaultProgram(const std::wstring& target) override {
    const auto result = reinterpret_cast<INT_PTR>(
        ShellExecuteW(nullptr, L"open", target.c_str(), nullptr, nullptr, SW_SHOWNORMAL));
    return result > 32;
  }
};

}  // namespace

Shell& SystemShell() {
  static WinShell shell;
  return shell;
}

}  // namespace nimbrook::os
