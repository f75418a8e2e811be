// The system's default locale. A first start picks its display language from it, before the subscriber
// has chosen one.
#pragma once

namespace nimbrook::os {

// The locale identifier of the system default locale (GetSystemDefaultLCID on Windows; the native
// build reports 0x0409, English (United States)).
unsigned long SystemDefaultLcid();

}  // namespace nimbrook::os
