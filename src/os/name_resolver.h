// Host-name resolution as a seam: the first IPv4 address the system's resolver gives for a name.
// Called from worker threads, many at once, so implementations are thread-safe. Tests use
// FakeNameResolver (name_resolver_fake.h).
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace nimbrook::os {

class NameResolver {
 public:
  virtual ~NameResolver() = default;
  // `host` is narrow text in the system code page. The address is in network byte order; nothing
  // when the name does not resolve to an IPv4 address.
  [[nodiscard]] virtual std::optional<uint32_t> FirstIpv4(const std::string& host) = 0;
};

// The system resolver (getaddrinfo). Stateless; one instance may serve the whole process.
class SystemNameResolver final : public NameResolver {
 public:
  [[nodiscard]] std::optional<uint32_t> FirstIpv4(const std::string& host) override;
};

}  // namespace nimbrook::os
