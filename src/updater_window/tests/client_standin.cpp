// Stands in for Nimbrook.exe in the updater's check: appends "started" and its command line to
// "started.txt" beside itself, then ends at once.
#include <windows.h>

#include <cstdio>
#include <string>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR arguments, int) {
  wchar_t path[MAX_PATH] = {};
  const DWORD length = ::GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring file(path, length);
  file = file.substr(0, file.find_last_of(L"\\/") + 1) + L"started.txt";
  if (FILE* out = _wfopen(file.c_str(), L"ab")) {
    std::fprintf(out, "started %ls\n", arguments ? arguments : L"");
    std::fclose(out);
  }
  return 0;
}
