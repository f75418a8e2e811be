// The tunnel's composition: registers the factory that gives the engine cache a dial-up, OpenVPN,
// IKEv2 or SSTP engine for each protocol, and fills the start-up hooks the tunnel and the HTTP client
// provide. The client's entry point calls both once, before the first window opens.
#pragma once

#include "core/startup.h"

namespace nimbrook {

// SetEngineFactory with the real engines: BaseVpner, OpenVpner, IpsecVpner and SstpVpner on their
// system bindings.
void RegisterTunnelEngines();

// The dial-up binding adjustment and the IPsec reconciliation of the system preparation, and the
// system proxy reading of the HTTP client.
void FillTunnelStartupHooks(StartupHooks& hooks);

}  // namespace nimbrook
