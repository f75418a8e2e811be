// Scripted ICMP echo for tests and benchmarks: per target address, the outcome of each echo in turn,
// replayed from the start by every handle opened. Optionally each echo takes its round-trip time
// (or the whole time-out) of real time. Header-only, so it is compiled only where it is included.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

#include "os/icmp_echo.h"

namespace nimbrook::os {

struct FakeEcho {
  enum class Kind { Reply, ErrorStatus, CallFails };
  Kind kind = Kind::CallFails;
  uint32_t value = 0;  // round-trip time of a reply, status of an error reply

  static FakeEcho Reply(uint32_t roundTripTime) { return {Kind::Reply, roundTripTime}; }
  // A reply record whose status is not success (e.g. 11003, host unreachable).
  static FakeEcho Error(uint32_t status) { return {Kind::ErrorStatus, status}; }
  // The call fails and writes nothing (a time-out, or no route).
  static FakeEcho Fails() { return {Kind::CallFails, 0}; }
};

// The scripted network. Thread-safe: many workers open handles and send at once. Must outlive the
// handles it opens.
class FakeIcmpNetwork {
 public:
  // The echoes to one address, in order; echoes past the end of the script fail.
  void Script(uint32_t address, std::vector<FakeEcho> echoes) {
    std::lock_guard<std::mutex> guard(lock_);
    scripts_[address] = std::move(echoes);
  }
  void Replies(uint32_t address, const std::vector<uint32_t>& times) {
    std::vector<FakeEcho> echoes;
    for (uint32_t t : times) echoes.push_back(FakeEcho::Reply(t));
    Script(address, std::move(echoes));
  }

  // Each echo sleeps for its round-trip time, or for the time-out when it fails.
  void SimulateTime(bool on) { simulateTime_ = on; }
  // Runs on the sending thread before every echo (a test may block workers here).
  void BeforeEcho(std::function<void(uint32_t address)> hook) {
    std::lock_guard<std::mutex> guard(lock_);
    beforeEcho_ = std::move(hook);
  }

  std::unique_ptr<IcmpEcho> Open() { return std::make_unique<Handle>(*this); }

  int openHandles() const { return openHandles_.load(); }
  int handlesOpened() const { return handlesOpened_.load(); }
  uint64_t echoesSent() const { return echoesSent_.load(); }

 private:
  class Handle final : public IcmpEcho {
   public:
    explicit Handle(FakeIcmpNetwork& network) : network_(network) {
      ++network_.openHandles_;
      ++network_.handlesOpened_;
    }
    ~Handle() override { --network_.openHandles_; }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;

    uint32_t Send(uint32_t address, const uint8_t* payload, size_t payloadSize, uint32_t timeoutMs,
                  EchoReplyRecord& reply) override {
      ++network_.echoesSent_;
      FakeEcho echo;
      std::function<void(uint32_t)> hook;
      {
        std::lock_guard<std::mutex> guard(network_.lock_);
        hook = network_.beforeEcho_;
        const auto found = network_.scripts_.find(address);
        const size_t step = sent_[address]++;
        if (found != network_.scripts_.end() && step < found->second.size()) echo = found->second[step];
      }
      if (hook) hook(address);
      if (network_.simulateTime_) {
        const uint32_t ms = echo.kind == FakeEcho::Kind::CallFails ? timeoutMs : echo.value;
        std::this_thread::sleep_for(std::chrono::milliseconds(echo.kind == FakeEcho::Kind::ErrorStatus ? 0 : ms));
      }
      switch (echo.kind) {
        case FakeEcho::Kind::Reply:
          reply = EchoReplyRecord{address, 0, echo.value};
          return 1;
        case FakeEcho::Kind::ErrorStatus:
          reply = EchoReplyRecord{address, echo.value, 0};
          return 1;
        case FakeEcho::Kind::CallFails:
          break;
      }
      return 0;
    }

   private:
    FakeIcmpNetwork& network_;
    std::map<uint32_t, size_t> sent_;
  };

  std::mutex lock_;
  std::map<uint32_t, std::vector<FakeEcho>> scripts_;
  std::function<void(uint32_t)> beforeEcho_;
  std::atomic<bool> simulateTime_{false};
  std::atomic<int> openHandles_{0};
  std::atomic<int> handlesOpened_{0};
  std::atomic<uint64_t> echoesSent_{0};
};

}  // namespace nimbrook::os
