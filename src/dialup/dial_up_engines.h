// Creating the dial-up engines for the engine cache, and the protocols they cannot serve on this
// system. The client's composition registers the factory; nothing here registers itself.
#pragma once

#include <memory>
#include <string>

#include "dialup/dial_up_seams.h"
#include "tunnel/connector.h"
#include "tunnel/protocol.h"

namespace nimbrook {

// BaseVpner for DialUp, IpsecVpner for Ipsec, SstpVpner for Sstp; null for OpenVpn.
std::unique_ptr<Connector> MakeDialUpEngine(EngineKind kind, DialUpSeams seams);
std::unique_ptr<Connector> MakeDialUpEngine(EngineKind kind);  // with DefaultDialUpSeams()

// The names of the protocols this system cannot dial, separated by "|": empty on Windows newer than
// major version 5, "IPSEC|SSTP" otherwise. The server list drops them from every server's offer.
std::wstring UnavailableProtocolNames(bool modernWindows);
std::wstring UnavailableProtocolNames();  // for this system

}  // namespace nimbrook
