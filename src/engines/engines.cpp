#include "engines/engines.h"

#include <memory>

#include "dialup/dial_up_engines.h"
#include "http/system_proxy.h"
#include "openvpn/open_vpner.h"
#include "sysprep/startup_hooks.h"
#include "tunnel/engine_cache.h"

namespace nimbrook {

namespace {

std::unique_ptr<Connector> MakeEngine(EngineKind kind) {
  if (kind == EngineKind::OpenVpn) {
    return std::make_unique<OpenVpner>();
  }
  return MakeDialUpEngine(kind);
}

}  // namespace

void RegisterTunnelEngines() { SetEngineFactory(MakeEngine); }

void FillTunnelStartupHooks(StartupHooks& hooks) {
  FillSystemPreparationHooks(hooks);
  hooks.readSystemProxy = [] { ReadSystemProxy(); };
}

}  // namespace nimbrook
