#include <windows.h>

#include <utility>

#include "os/named_event.h"

namespace nimbrook::os {

struct NamedEvent::State {
  explicit State(HANDLE h) : handle(h) {}
  ~State() { CloseHandle(handle); }
  State(const State&) = delete;
  State& operator=(const State&) = delete;
  HANDLE handle;
};

NamedEvent NamedEvent::Create(const std::wstring& name) {
  NamedEvent event;
  HANDLE handle = CreateEventW(nullptr, TRUE, FALSE, name.c_str());
  if (handle) event.state_ = std::make_shared<State>(handle);
  return event;
}

NamedEvent::~NamedEvent() = default;
NamedEvent::NamedEvent(NamedEvent&& other) noexcept : state_(std::move(other.state_)) {}
NamedEvent& NamedEvent::operator=(NamedEvent&& other) noexcept {
  state_ = std::move(other.state_);
  return *this;
}

bool NamedEvent::valid() const { return state_ != nullptr; }
bool NamedEvent::Set() { return state_ && SetEvent(state_->handle); }
bool NamedEvent::Reset() { return state_ && ResetEvent(state_->handle); }
bool NamedEvent::IsSet() const { return state_ && WaitForSingleObject(state_->handle, 0) == WAIT_OBJECT_0; }
void NamedEvent::Close() { state_.reset(); }

bool SignalNamedEvent(const std::wstring& name) {
  HANDLE handle = OpenEventW(EVENT_ALL_ACCESS, TRUE, name.c_str());
  if (!handle) return false;
  const bool set = SetEvent(handle) != FALSE;
  CloseHandle(handle);
  return set;
}

}  // namespace nimbrook::os
