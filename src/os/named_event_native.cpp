// The native build's named events: a table of the events held open in this process, so that
// SignalNamedEvent reaches a NamedEvent created elsewhere in the same process, as it would across
// processes on Windows. An event exists only while someone holds it.
#include <atomic>
#include <map>
#include <mutex>
#include <utility>

#include "os/named_event.h"

namespace nimbrook::os {
namespace {

struct Shared {
  std::atomic<bool> set{false};
};

std::mutex& TableLock() {
  static std::mutex lock;
  return lock;
}

std::map<std::wstring, std::weak_ptr<Shared>>& Table() {
  static std::map<std::wstring, std::weak_ptr<Shared>> table;
  return table;
}

}  // namespace

struct NamedEvent::State {
  std::shared_ptr<Shared> shared;
};

NamedEvent NamedEvent::Create(const std::wstring& name) {
  std::lock_guard<std::mutex> guard(TableLock());
  auto& slot = Table()[name];
  std::shared_ptr<Shared> shared = slot.lock();
  if (!shared) {
    shared = std::make_shared<Shared>();
    slot = shared;
  }
  NamedEvent event;
  event.state_ = std::make_shared<State>(State{std::move(shared)});
  return event;
}

NamedEvent::~NamedEvent() = default;
NamedEvent::NamedEvent(NamedEvent&& other) noexcept : state_(std::move(other.state_)) {}
NamedEvent& NamedEvent::operator=(NamedEvent&& other) noexcept {
  state_ = std::move(other.state_);
  return *this;
}

bool NamedEvent::valid() const { return state_ != nullptr; }
bool NamedEvent::Set() {
  if (!state_) return false;
  state_->shared->set = true;
  return true;
}
bool NamedEvent::Reset() {
  if (!state_) return false;
  state_->shared->set = false;
  return true;
}
bool NamedEvent::IsSet() const { return state_ && state_->shared->set.load(); }
void NamedEvent::Close() { state_.reset(); }

bool SignalNamedEvent(const std::wstring& name) {
  std::lock_guard<std::mutex> guard(TableLock());
  auto found = Table().find(name);
  if (found == Table().end()) return false;
  std::shared_ptr<Shared> shared = found->second.lock();
  if (!shared) {
    Table().erase(found);
    return false;
  }
  shared->set = true;
  return true;
}

}  // namespace nimbrook::os
