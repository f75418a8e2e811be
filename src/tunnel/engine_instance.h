// The class-wide "current instance" pointer through which an engine's workers find their engine: set
// by a constructor and by the engine cache when it hands the engine out, cleared by the destructor.
#pragma once

#include <atomic>

namespace nimbrook {

template <class Engine>
class EngineInstance {
 public:
  void Select(Engine* engine) { current.store(engine); }
  // Clears the pointer only when it still names this engine: destroying one engine must not orphan
  // the workers of another that was selected since.
  void Release(Engine* engine) {
    Engine* expected = engine;
    current.compare_exchange_strong(expected, nullptr);
  }
  // Workers read it once at their start.
  [[nodiscard]] Engine* Get() const { return current.load(); }

 private:
  std::atomic<Engine*> current{nullptr};
};

}  // namespace nimbrook
