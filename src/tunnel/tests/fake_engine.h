// A test engine: records Connect/Disconnect calls and has its own kind's instance pointer.
#pragma once

#include <atomic>
#include <map>

#include "tunnel/connector.h"
#include "tunnel/engine_instance.h"

namespace nimbrook::testing {

class FakeEngine : public Connector {
 public:
  explicit FakeEngine(EngineKind kind) : kind(kind) {
    Instance(kind).Select(this);
    ++alive;
  }
  ~FakeEngine() override {
    Instance(kind).Release(this);
    --alive;
  }
  void Connect() override { ++connects; }
  void Disconnect() override { ++disconnects; }
  void Select() override { Instance(kind).Select(this); }

  // The dial-up kinds (DialUp, Ipsec, Sstp) share one pointer, as the dial-up engine family does.
  static EngineInstance<FakeEngine>& Instance(EngineKind kind) {
    static EngineInstance<FakeEngine> dialUp;
    static EngineInstance<FakeEngine> openVpn;
    return kind == EngineKind::OpenVpn ? openVpn : dialUp;
  }

  // Exposes the protected setter for tests.
  void StoreLocalAddress(const std::string& address) { SetLocalAddress(address); }

  const EngineKind kind;
  int connects = 0;
  int disconnects = 0;
  static inline std::atomic<int> alive{0};
};

}  // namespace nimbrook::testing
