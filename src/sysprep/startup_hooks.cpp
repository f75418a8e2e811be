#include "sysprep/startup_hooks.h"

#include "os/registry.h"
#include "sysprep/ipsec_setting.h"
#include "sysprep/ndiswan_binding.h"

namespace nimbrook {

void FillSystemPreparationHooks(StartupHooks& hooks) {
  hooks.adjustDialUpBinding = [] { FixNdisWanBinding(); };
  hooks.reconcileIpSecSetting = [] { ReconcileIpSecSetting(os::SystemRegistry()); };
}

}  // namespace nimbrook
