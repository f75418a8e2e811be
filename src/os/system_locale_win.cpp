#include <windows.h>

#include "os/system_locale.h"

namespace nimbrook::os {

unsigned long SystemDefaultLcid() { return GetSystemDefaultLCID(); }

}  // namespace nimbrook::os
