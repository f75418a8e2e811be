// Finding and shutting down a request's socket.
#include "connection_abort.h"

#include <arpa/inet.h>
#include <dirent.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <cstdlib>
#include <cstring>

namespace nimbrook::service {
namespace {

bool AddressOf(const sockaddr_storage& address, std::string& host, int& port) {
  char text[INET6_ADDRSTRLEN] = {};
  if (address.ss_family == AF_INET) {
    const auto* v4 = reinterpret_cast<const sockaddr_in*>(&address);
    if (!inet_ntop(AF_INET, &v4->sin_addr, text, sizeof text)) return false;
    port = ntohs(v4->sin_port);
  } else if (address.ss_family == AF_INET6) {
    const auto* v6 = reinterpret_cast<const sockaddr_in6*>(&address);
    if (!inet_ntop(AF_INET6, &v6->sin6_addr, text, sizeof text)) return false;
    port = ntohs(v6->sin6_port);
  } else {
    return false;
  }
  host = text;
  return true;
}

}  // namespace

bool AbortConnection(const std::string& remoteAddress, int remotePort, int localPort) {
  DIR* directory = opendir("/proc/self/fd");
  if (!directory) return false;
  bool found = false;
  while (const dirent* entry = readdir(directory)) {
    char* end = nullptr;
    const long fd = std::strtol(entry->d_name, &end, 10);
    if (end == entry->d_name || *end != '\0' || fd == dirfd(directory)) continue;
    sockaddr_storage peer{};
    socklen_t peerLength = sizeof peer;
    if (getpeername(static_cast<int>(fd), reinterpret_cast<sockaddr*>(&peer), &peerLength) != 0) continue;
    sockaddr_storage local{};
    socklen_t localLength = sizeof local;
    if (getsockname(static_cast<int>(fd), reinterpret_cast<sockaddr*>(&local), &localLength) != 0) continue;
    std::string peerHost, localHost;
    int peerPort = 0, ownPort = 0;
    if (!AddressOf(peer, peerHost, peerPort) || !AddressOf(local, localHost, ownPort)) continue;
    if (peerHost == remoteAddress && peerPort == remotePort && ownPort == localPort) {
      found = shutdown(static_cast<int>(fd), SHUT_RDWR) == 0;
      break;
    }
  }
  closedir(directory);
  return found;
}

}  // namespace nimbrook::service
