// The native build has no certificate stores.
#include "os/certificate_import.h"

namespace nimbrook::os {

bool ImportIntoRootStore(const std::wstring&) { return false; }

}  // namespace nimbrook::os
