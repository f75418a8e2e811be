// A scripted resolver for tests: names map to addresses, everything else does not resolve; every
// lookup is recorded with the thread that made it. Header-only, compiled only into tests.
#pragma once

#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "os/name_resolver.h"

namespace nimbrook::os {

class FakeNameResolver final : public NameResolver {
 public:
  void Add(const std::string& host, uint32_t address) {
    std::lock_guard<std::mutex> guard(lock_);
    names_[host] = address;
  }

  std::optional<uint32_t> FirstIpv4(const std::string& host) override {
    std::lock_guard<std::mutex> guard(lock_);
    lookups_.emplace_back(host, std::this_thread::get_id());
    const auto found = names_.find(host);
    if (found == names_.end()) return std::nullopt;
    return found->second;
  }

  std::vector<std::pair<std::string, std::thread::id>> lookups() const {
    std::lock_guard<std::mutex> guard(lock_);
    return lookups_;
  }

 private:
  mutable std::mutex lock_;
  std::map<std::string, uint32_t> names_;
  std::vector<std::pair<std::string, std::thread::id>> lookups_;
};

}  // namespace nimbrook::os
