// The engine cache: hands the main window the engine for a protocol, one engine object per kind for
// the life of the program, created through the factory that the composition of the client registers.
#pragma once

#include <cstddef>
#include <functional>
#include <memory>

#include "tunnel/connector.h"
#include "tunnel/protocol.h"

namespace nimbrook {

// Creates the engine of a kind (BaseVpner, OpenVpner, IpsecVpner, SstpVpner). May return null.
using EngineFactory = std::function<std::unique_ptr<Connector>(EngineKind)>;

// Registers (or, with an empty function, removes) the factory. Engines already cached stay.
void SetEngineFactory(EngineFactory factory);

// The engine for a protocol: 0, 1 share the dial-up engine; 2-5 share the OpenVPN engine; 6 IPSec;
// 7 SSTP. A cached engine is made the current instance of its class (Connector::Select) and
// returned; otherwise the factory creates it and the cache keeps it. Null, with a log line, for AUTO
// and every other number outside 0-7, when no factory is registered, and when the factory yields
// nothing or fails. The first engine created registers DestroyEngines as a shutdown step.
// Called from the UI thread; the factory runs without the cache's lock held, and must not call
// GetEngine itself.
Connector* GetEngine(int32_t protocol);

// The cached engine of a kind without creating or selecting it; null when there is none.
Connector* CachedEngine(EngineKind kind);
std::size_t CachedEngineCount();

// Destroys every cached engine, in kind order, and empties the cache. Run at shutdown, after the
// main window has waited for the link to go down: no engine worker may still be running.
void DestroyEngines();

}  // namespace nimbrook
