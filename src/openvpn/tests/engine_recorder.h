// An observer that records the engine's notifications (state, code, message) and lets a test wait,
// with a generous bound, until a given notification or the end of an attempt has arrived.
#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <ostream>
#include <thread>
#include <string>
#include <vector>

#include "tunnel/connector.h"

namespace nimbrook::testing {

struct Seen {
  int32_t state;
  int32_t code;
  std::wstring message;
  bool operator==(const Seen& other) const {
    return state == other.state && code == other.code && message == other.message;
  }
};

// The OpenVPN engine's notifications as the window sees them.
inline const Seen kConnecting{1, 2, L"str_connecting"};
inline const Seen kConnected{3, 4, L"str_connect_ok"};
inline const Seen kDisconnecting{4, 5, L"str_disconnecing"};
inline const Seen kDisconnected{0, 1, L""};
inline const Seen kDropped{0, 13, L""};
inline const Seen kFailed{2, 3, L"str_connect_failed"};

inline std::ostream& operator<<(std::ostream& out, const Seen& seen) {
  out << "(" << seen.state << "," << seen.code << ",";
  for (wchar_t c : seen.message) out << static_cast<char>(c < 128 ? c : '?');
  return out << ")";
}

class EngineRecorder : public StateObserver {
 public:
  void OnStateChanged(StateSubject* subject) override {
    auto* engine = static_cast<Connector*>(subject);
    std::lock_guard<std::mutex> guard(lock_);
    seen_.push_back({engine->State(), subject->Code(), subject->Message()});
    changed_.notify_all();
  }

  std::vector<Seen> All() const {
    std::lock_guard<std::mutex> guard(lock_);
    return seen_;
  }

  // Waits until a notification with this code has arrived; false when the bound passed first.
  bool WaitForCode(int32_t code, std::chrono::seconds bound = std::chrono::seconds(60)) {
    std::unique_lock<std::mutex> guard(lock_);
    return changed_.wait_for(guard, bound, [&] {
      for (const auto& s : seen_) {
        if (s.code == code) return true;
      }
      return false;
    });
  }

  // Waits for the notification that ends an attempt: disconnected (1), failed (3) or dropped (13).
  bool WaitForEnd(std::chrono::seconds bound = std::chrono::seconds(60)) {
    std::unique_lock<std::mutex> guard(lock_);
    return changed_.wait_for(guard, bound, [&] {
      for (const auto& s : seen_) {
        if (s.code == 1 || s.code == 3 || s.code == 13) return true;
      }
      return false;
    });
  }

 private:
  mutable std::mutex lock_;
  std::condition_variable changed_;
  std::vector<Seen> seen_;
};

// Waits until the engine's attempt is over (the connect worker has finished).
template <class Engine>
bool WaitForAttemptEnd(const Engine& engine, std::chrono::seconds bound = std::chrono::seconds(60)) {
  const auto deadline = std::chrono::steady_clock::now() + bound;
  while (engine.AttemptRunning()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return true;
}

}  // namespace nimbrook::testing
