// A stand-in for the main window's UI thread: Deliver queues the job and waits, as a synchronous
// window message does, until the thread that pumps has handled it. On the pumping thread itself
// Deliver handles the job at once, as a message sent to a window of the sending thread is.
#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

#include "delay/delay_pass.h"

namespace nimbrook::testing {

class UiThreadStandIn {
 public:
  using Handler = std::function<void(PingJob& job)>;

  // Created on the thread that will pump; `handler` runs there for every delivered job.
  explicit UiThreadStandIn(Handler handler) : state_(std::make_shared<State>()) {
    state_->handler = std::move(handler);
    state_->uiThread = std::this_thread::get_id();
  }

  // The Deliver of a pass. Holds the shared state only, so late workers outlive the stand-in safely.
  DelayPass::Deliver MakeDeliver() const {
    return [state = state_](PingJob& job) {
      if (std::this_thread::get_id() == state->uiThread) {
        state->handler(job);
        return;
      }
      Message message;
      message.job = &job;
      std::unique_lock<std::mutex> lock(state->lock);
      state->queue.push_back(&message);
      state->arrived.notify_all();
      message.done.wait(lock, [&] { return message.handled; });
    };
  }

  // Handles queued jobs until `done` holds. False when nothing arrived for `patience` (a hang guard,
  // not a measure of speed).
  bool PumpUntil(const std::function<bool()>& done,
                 std::chrono::milliseconds patience = std::chrono::milliseconds(60000)) {
    while (!done()) {
      Message* message = nullptr;
      {
        std::unique_lock<std::mutex> lock(state_->lock);
        if (!state_->arrived.wait_for(lock, patience, [&] { return !state_->queue.empty(); })) return false;
        message = state_->queue.front();
        state_->queue.pop_front();
      }
      state_->handler(*message->job);
      std::lock_guard<std::mutex> lock(state_->lock);
      message->handled = true;
      message->done.notify_one();
    }
    return true;
  }

  // Waits until `count` workers are blocked in Deliver.
  bool WaitForQueued(size_t count, std::chrono::milliseconds patience = std::chrono::milliseconds(60000)) {
    std::unique_lock<std::mutex> lock(state_->lock);
    return state_->arrived.wait_for(lock, patience, [&] { return state_->queue.size() >= count; });
  }

 private:
  struct Message {
    PingJob* job = nullptr;
    bool handled = false;
    std::condition_variable done;  // one per message: handing one back wakes only its worker
  };
  struct State {
    Handler handler;
    std::thread::id uiThread;
    std::mutex lock;
    std::condition_variable arrived;
    std::deque<Message*> queue;
  };
  std::shared_ptr<State> state_;
};

// Starts workers on real small-stack threads and counts those still running, so a test can wait
// until every worker has ended and released what it held.
class CountingThreads {
 public:
  CountingThreads() : state_(std::make_shared<State>()) {}

  // A startThread seam: `start` really starts the thread (false refuses).
  std::function<bool(std::function<void()>)> Seam(std::function<bool(std::function<void()>)> start) const {
    return [state = state_, start = std::move(start)](std::function<void()> work) {
      {
        std::lock_guard<std::mutex> lock(state->lock);
        ++state->running;
        if (state->running > state->peak) state->peak = state->running;
      }
      const bool started = start([state, work = std::move(work)]() mutable {
        work();
        work = nullptr;  // release the worker's captures before it counts as ended
        std::lock_guard<std::mutex> lock(state->lock);
        --state->running;
        state->changed.notify_all();
      });
      if (!started) {
        std::lock_guard<std::mutex> lock(state->lock);
        --state->running;
      }
      return started;
    };
  }

  bool WaitAllEnded(std::chrono::milliseconds patience = std::chrono::milliseconds(60000)) {
    std::unique_lock<std::mutex> lock(state_->lock);
    return state_->changed.wait_for(lock, patience, [&] { return state_->running == 0; });
  }
  int peak() const {
    std::lock_guard<std::mutex> lock(state_->lock);
    return state_->peak;
  }

 private:
  struct State {
    mutable std::mutex lock;
    std::condition_variable changed;
    int running = 0;
    int peak = 0;
  };
  std::shared_ptr<State> state_;
};

}  // namespace nimbrook::testing
