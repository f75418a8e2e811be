// Enabling a privilege of the process's own access token (the shutdown privilege before a reboot).
#pragma once

#include <string>

namespace nimbrook::os {

// Opens the process token for privilege adjustment, looks the privilege up by name and enables it.
// False when a step fails or the system reports that the privilege was not assigned. Always false
// natively.
bool EnableProcessPrivilege(const std::wstring& privilegeName);

}  // namespace nimbrook::os
