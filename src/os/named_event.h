// Named events shared with other processes: the OpenVPN engine holds "nimbrookjsq_exit_event" open
// while its child runs and sets it to ask the child to end. On Windows these are kernel events; the
// native build keeps an in-process table so the engine's stop logic is tested without Windows.
#pragma once

#include <memory>
#include <string>

namespace nimbrook::os {

// A manual-reset event held open under a name. Move-only; the destructor closes the handle.
class NamedEvent {
 public:
  // Creates the event, or opens it when another holder already made it; not set when created here.
  // Check valid() for success.
  [[nodiscard]] static NamedEvent Create(const std::wstring& name);

  NamedEvent() = default;
  ~NamedEvent();
  NamedEvent(NamedEvent&& other) noexcept;
  NamedEvent& operator=(NamedEvent&& other) noexcept;
  NamedEvent(const NamedEvent&) = delete;
  NamedEvent& operator=(const NamedEvent&) = delete;

  [[nodiscard]] bool valid() const;
  bool Set();
  bool Reset();
  [[nodiscard]] bool IsSet() const;
  void Close();

 private:
  struct State;
  std::shared_ptr<State> state_;
};

// Opens the event by its name with all access, sets it and closes it again. False when no event of
// that name exists (nobody holds it open) or it cannot be set.
bool SignalNamedEvent(const std::wstring& name);

}  // namespace nimbrook::os
