// The service's stop flag. Requests that wait (stalls, delays) and long transfers watch it, so a
// stopping service never waits for them.
#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace nimbrook::service {

class StopSignal {
 public:
  void Raise();
  void Reset();
  bool Raised() const;
  // Waits up to the duration; true when the stop was raised (at once or during the wait).
  bool WaitFor(std::chrono::milliseconds duration) const;

 private:
  mutable std::mutex mutex_;
  mutable std::condition_variable changed_;
  bool raised_ = false;
};

}  // namespace nimbrook::service
