// In-memory stand-ins for a started child and its pipes, for native tests of the code that drives
// console tools. The test plays the child: it queues output, reads what was written, ends the child.
#pragma once

#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "os/child_process.h"

namespace nimbrook::os {

// What the fake child and its pipes share; the test holds it after the pipes have gone to the code
// under test.
struct FakeChildState {
  std::mutex lock;
  std::condition_variable changed;
  std::deque<std::string> output;       // chunks the child has printed and nobody read yet
  bool outputClosed = false;            // the child closed its output (ended)
  std::vector<std::string> inputWrites; // what was written to the child's input, write by write
  bool inputClosed = false;
  bool exited = false;
  int terminations = 0;
  // Called (without the lock) whenever the code under test reads or peeks, so a test can play the
  // child's side (answer, exit on an event) from the reader's thread.
  std::function<void()> onPoll;

  void Print(std::string bytes) {
    std::lock_guard<std::mutex> guard(lock);
    output.push_back(std::move(bytes));
    changed.notify_all();
  }
  void End() {
    std::lock_guard<std::mutex> guard(lock);
    outputClosed = true;
    exited = true;
    changed.notify_all();
  }
  std::vector<std::string> Writes() {
    std::lock_guard<std::mutex> guard(lock);
    return inputWrites;
  }
};

class FakeChildOutput final : public ChildOutput {
 public:
  explicit FakeChildOutput(std::shared_ptr<FakeChildState> state) : state_(std::move(state)) {}
  PeekResult Peek(std::size_t max) override {
    if (state_->onPoll) state_->onPoll();
    std::lock_guard<std::mutex> guard(state_->lock);
    PeekResult result;
    if (state_->output.empty()) {
      if (state_->outputClosed) {
        result.error = kErrorBrokenPipe;
        return result;
      }
      result.ok = true;
      return result;
    }
    result.ok = true;
    // Like a real pipe, a peek sees across the child's separate writes.
    for (const auto& chunk : state_->output) {
      result.available += chunk.size();
      if (result.bytes.size() < max) result.bytes += chunk.substr(0, max - result.bytes.size());
    }
    return result;
  }
  bool Read(std::size_t max, std::string& bytes) override {
    std::unique_lock<std::mutex> guard(state_->lock);
    state_->changed.wait(guard, [&] { return !state_->output.empty() || state_->outputClosed; });
    if (state_->output.empty()) return false;
    std::string& front = state_->output.front();
    bytes = front.substr(0, max);
    if (front.size() > max) {
      front.erase(0, max);
    } else {
      state_->output.pop_front();
    }
    return true;
  }

 private:
  std::shared_ptr<FakeChildState> state_;
};

class FakeChildInput final : public ChildInput {
 public:
  explicit FakeChildInput(std::shared_ptr<FakeChildState> state) : state_(std::move(state)) {}
  bool Write(std::string_view bytes) override {
    std::lock_guard<std::mutex> guard(state_->lock);
    if (state_->inputClosed) return false;
    state_->inputWrites.emplace_back(bytes);
    state_->changed.notify_all();
    return true;
  }
  void Close() override {
    std::lock_guard<std::mutex> guard(state_->lock);
    state_->inputClosed = true;
    state_->changed.notify_all();
  }

 private:
  std::shared_ptr<FakeChildState> state_;
};

class FakeChildProcess final : public ChildProcess {
 public:
  explicit FakeChildProcess(std::shared_ptr<FakeChildState> state) : state_(std::move(state)) {}
  bool WaitForExit(std::chrono::milliseconds bound) override {
    std::unique_lock<std::mutex> guard(state_->lock);
    return state_->changed.wait_for(guard, bound, [&] { return state_->exited; });
  }
  bool Terminate() override {
    std::lock_guard<std::mutex> guard(state_->lock);
    ++state_->terminations;
    state_->exited = true;
    state_->outputClosed = true;
    state_->changed.notify_all();
    return true;
  }

 private:
  std::shared_ptr<FakeChildState> state_;
};

// A started child made of the fakes above, with the pipes the options ask for.
inline StartedChild MakeFakeChild(const std::shared_ptr<FakeChildState>& state, const ChildOptions& options) {
  StartedChild child;
  child.process = std::make_unique<FakeChildProcess>(state);
  if (options.pipeInput) child.input = std::make_unique<FakeChildInput>(state);
  if (options.pipeOutput) child.output = std::make_unique<FakeChildOutput>(state);
  return child;
}

}  // namespace nimbrook::os
