// Privilege adjustment of the process token.
#include <windows.h>

#include "os/token_privilege.h"

namespace nimbrook::os {

bool EnableProcessPrivilege(const std::wstring& privilegeName) {
  HANDLE token = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token)) return false;
  TOKEN_PRIVILEGES privileges{};
  privileges.PrivilegeCount = 1;
  privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
  bool ok = LookupPrivilegeValueW(nullptr, privilegeName.c_str(), &privileges.Privileges[0].Luid) != FALSE;
  if (ok) {
    // AdjustTokenPrivileges succeeds also when the privilege is not assigned; the last error says so.
    SetLastError(ERROR_SUCCESS);
    ok = AdjustTokenPrivileges(token, FALSE, &privileges, 0, nullptr, nullptr) != FALSE &&
         GetLastError() == ERROR_SUCCESS;
  }
  CloseHandle(token);
  return ok;
}

}  // namespace nimbrook::os
