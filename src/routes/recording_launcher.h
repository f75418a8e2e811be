// A launcher for tests: records every request and answers with a fake child, or with a refusal
// carrying the error code the test chose.
#pragma once

#include <memory>
#include <mutex>
#include <vector>

#include "os/child_process_fake.h"
#include "routes/launcher.h"

namespace nimbrook::testing {

class RecordingLauncher final : public Launcher {
 public:
  LaunchResult Launch(const LaunchRequest& request) override {
    std::lock_guard<std::mutex> guard(lock_);
    requests_.push_back(request);
    LaunchResult result;
    if (refuseWith != 0) {
      result.error = refuseWith;
      return result;
    }
    auto state = std::make_shared<os::FakeChildState>();
    if (prepare) prepare(request, *state);
    children_.push_back(state);
    os::ChildOptions options;
    options.commandLine = request.commandLine;
    options.pipeInput = request.pipeInput;
    options.pipeOutput = request.pipeOutput;
    return os::MakeFakeChild(state, options);
  }

  std::vector<LaunchRequest> Requests() const {
    std::lock_guard<std::mutex> guard(lock_);
    return requests_;
  }
  std::vector<std::shared_ptr<os::FakeChildState>> Children() const {
    std::lock_guard<std::mutex> guard(lock_);
    return children_;
  }

  unsigned long refuseWith = 0;  // non-zero: every launch fails with this system error
  // Fills a started child's state (its output, its behaviour) before it is handed out.
  std::function<void(const LaunchRequest&, os::FakeChildState&)> prepare;

 private:
  mutable std::mutex lock_;
  std::vector<LaunchRequest> requests_;
  std::vector<std::shared_ptr<os::FakeChildState>> children_;
};

// Sets a launcher for the life of a test and restores the real one afterwards.
class ScopedLauncher {
 public:
  explicit ScopedLauncher(Launcher& launcher) { SetLauncher(&launcher); }
  ~ScopedLauncher() { SetLauncher(nullptr); }
  ScopedLauncher(const ScopedLauncher&) = delete;
  ScopedLauncher& operator=(const ScopedLauncher&) = delete;
};

}  // namespace nimbrook::testing
