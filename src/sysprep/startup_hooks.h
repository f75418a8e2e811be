// The system preparation steps of the client's start-up, handed to core's start-up sequence.
#pragma once

#include "core/startup.h"

namespace nimbrook {

// Fills adjustDialUpBinding (FixNdisWanBinding on the system registry; start-up runs it on Windows
// 5.x only) and reconcileIpSecSetting (ReconcileIpSecSetting on the system registry). Other hooks are
// left as they are.
void FillSystemPreparationHooks(StartupHooks& hooks);

}  // namespace nimbrook
