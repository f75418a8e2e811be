// The in-memory auto-reset event of the RAS seam.
#include <condition_variable>
#include <mutex>

#include "os/ras.h"

namespace nimbrook::os {
namespace {

class MemoryRasEvent final : public RasEvent {
 public:
  void Signal() override {
    {
      std::lock_guard<std::mutex> guard(lock_);
      signalled_ = true;
    }
    changed_.notify_all();
  }
  bool Wait(std::optional<std::chrono::milliseconds> bound) override {
    std::unique_lock<std::mutex> guard(lock_);
    const auto ready = [this] { return signalled_; };
    if (bound) {
      if (!changed_.wait_for(guard, *bound, ready)) return false;
    } else {
      changed_.wait(guard, ready);
    }
    signalled_ = false;  // auto-reset
    return true;
  }

 private:
  std::mutex lock_;
  std::condition_variable changed_;
  bool signalled_ = false;
};

}  // namespace

std::unique_ptr<RasEvent> MakeMemoryRasEvent() { return std::make_unique<MemoryRasEvent>(); }

}  // namespace nimbrook::os
