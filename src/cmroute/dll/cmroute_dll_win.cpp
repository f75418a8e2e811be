// cmroute.dll: the SetRoutes entry that "rundll32.exe cmroute.dll,SetRoutes /STATIC_FILE_NAME ..."
// calls (rundll32 prefers SetRoutesW), applying a static route file with the IP Helper API. It shows
// nothing: each run writes its outcome to "cmroute.log" beside the DLL.
#include <windows.h>

#include <string>

#include "cmroute/route_table_win.h"
#include "cmroute/set_routes.h"
#include "core/file_io.h"
#include "core/text.h"

namespace {

HINSTANCE g_module = nullptr;

// Kept small: a run appends a few lines, and a log past this size starts afresh.
constexpr long kMaxLogSize = 256 * 1024;

std::wstring LogPath() {
  wchar_t path[MAX_PATH + 1] = {};
  const DWORD length = GetModuleFileNameW(g_module, path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return L"";
  std::wstring dir(path, length);
  const size_t slash = dir.find_last_of(L"\\/");
  dir = slash == std::wstring::npos ? L"" : dir.substr(0, slash + 1);
  return dir + L"cmroute.log";
}

void AppendLog(const std::wstring& line) {
  const std::wstring path = LogPath();
  if (path.empty()) return;
  nimbrook::FileHandle file = nimbrook::OpenFile(path, "ab");
  if (!file) return;
  if (std::fseek(file.get(), 0, SEEK_END) == 0 && std::ftell(file.get()) > kMaxLogSize) {
    file = nimbrook::OpenFile(path, "wb");
    if (!file) return;
  }
  const std::string utf8 = nimbrook::text::ToUtf8(line) + "\n";
  std::fwrite(utf8.data(), 1, utf8.size(), file.get());
}

int Run(const std::wstring& commandLine) {
  nimbrook::cmroute::IpHelperRouteTable table;
  return static_cast<int>(nimbrook::cmroute::RunSetRoutes(commandLine, table, AppendLog));
}

}  // namespace

extern "C" {

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    g_module = instance;
    DisableThreadLibraryCalls(instance);
  }
  return TRUE;
}

// The outcome of one run as a number (0 success; see SetRoutesStatus), for callers that load the DLL
// themselves rather than through rundll32.
int WINAPI SetRoutesStatusW(const wchar_t* commandLine) {
  return Run(commandLine ? commandLine : L"");
}

void CALLBACK SetRoutesW(HWND, HINSTANCE, LPWSTR commandLine, int) {
  Run(commandLine ? commandLine : L"");
}

// The narrow form: the command line arrives in the system ANSI code page.
void CALLBACK SetRoutes(HWND, HINSTANCE, LPSTR commandLine, int) {
  Run(nimbrook::text::FromAnsi(commandLine ? commandLine : ""));
}

}  // extern "C"
