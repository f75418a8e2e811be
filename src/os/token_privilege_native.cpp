// The native build has no access tokens to adjust.
#include "os/token_privilege.h"

namespace nimbrook::os {

bool EnableProcessPrivilege(const std::wstring&) { return false; }

}  // namespace nimbrook::os
