#include "os/system_locale.h"

namespace nimbrook::os {

// The native build has no Windows locale; it behaves like an English system.
unsigned long SystemDefaultLcid() { return 0x0409; }

}  // namespace nimbrook::os
