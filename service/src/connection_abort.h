// Ends the TCP connection of a request without sending an answer, for requests the service holds
// and then drops. The HTTP library gives handlers no socket, so the socket is found by its two
// addresses among the process's descriptors; it is shut down, and the library closes it later.
#pragma once

#include <string>

namespace nimbrook::service {

// Shuts down the connected socket whose local port is localPort and whose peer is
// remoteAddress:remotePort. False when no such socket exists.
[[nodiscard]] bool AbortConnection(const std::string& remoteAddress, int remotePort, int localPort);

}  // namespace nimbrook::service
