// Host names through the C library's getaddrinfo.
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include "os/name_resolver.h"

namespace nimbrook::os {

std::optional<uint32_t> SystemNameResolver::FirstIpv4(const std::string& host) {
  if (host.empty()) return std::nullopt;
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;  // one entry per address rather than one per socket type
  addrinfo* answer = nullptr;
  if (getaddrinfo(host.c_str(), nullptr, &hints, &answer) != 0 || !answer) return std::nullopt;
  std::optional<uint32_t> address;
  for (const addrinfo* entry = answer; entry; entry = entry->ai_next) {
    if (entry->ai_family == AF_INET && entry->ai_addr) {
      address = reinterpret_cast<const sockaddr_in*>(entry->ai_addr)->sin_addr.s_addr;
      break;
    }
  }
  freeaddrinfo(answer);
  return address;
}

}  // namespace nimbrook::os
