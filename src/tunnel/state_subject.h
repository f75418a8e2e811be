// State notification shared by the tunnel engines and the login service: a subject holds the last
// notification (code, message) and calls its attached observers, in attach order, on the thread that
// sends the notification.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <list>
#include <mutex>
#include <string>

namespace nimbrook {

class StateSubject;

// Receives the notifications of the subjects it is attached to. The call runs on the notifying
// thread (an engine or login worker): an observer that owns a window hands the notification over to
// the UI thread and must not touch the window directly.
class StateObserver {
 public:
  virtual ~StateObserver() = default;
  virtual void OnStateChanged(StateSubject* subject) = 0;
};

// Threading rules:
//  - The observer list is guarded by its own lock. Attach and Detach may be called from any thread,
//    also from inside OnStateChanged.
//  - Notify copies the list under that lock and calls the observers of the copy with no list lock
//    held. An observer attached during a delivery first hears the next notification; one detached
//    during a delivery is not called for the rest of it.
//  - Deliveries of one subject are serialised: a notification from a second thread waits until the
//    current one has reached every observer, so code and message stay stable while observers read
//    them and notifications arrive in the order they were sent. A Notify from inside an observer, on
//    the delivering thread, is delivered at once (nested).
//  - Therefore an observer must not block on another thread that is itself notifying the same
//    subject (a window's synchronous hand-over to its own UI thread is fine as long as the UI thread
//    does not wait for engine workers).
//  - The subject does not own its observers. An observer must be detached, or outlive the subject's
//    last notification, before it is destroyed.
class StateSubject {
 public:
  StateSubject() = default;
  virtual ~StateSubject() = default;
  StateSubject(const StateSubject&) = delete;
  StateSubject& operator=(const StateSubject&) = delete;

  // Appends the observer unless the list already holds it (or it is null). True when appended.
  bool Attach(StateObserver* observer);
  // Removes the observer. True when it was attached.
  bool Detach(StateObserver* observer);
  [[nodiscard]] bool IsAttached(StateObserver* observer) const;
  [[nodiscard]] std::size_t ObserverCount() const;

  // Sets code and message (detail 0, extra empty) and calls every attached observer in list order.
  void Notify(int32_t code, const std::wstring& message);

  // From now on notifications still change the fields but reach no observer: an engine calls it
  // first thing when it is going away, so its clean-up never calls a window that is gone.
  void StopNotifying() { silenced.store(true); }
  [[nodiscard]] bool IsNotifying() const { return !silenced.load(); }

  // The last notification, read by observers from inside OnStateChanged (or at any other time).
  [[nodiscard]] int32_t Code() const;
  [[nodiscard]] int32_t Detail() const;
  [[nodiscard]] std::wstring Message() const;
  [[nodiscard]] std::wstring Extra() const;

 protected:
  // Notification with a step run under the delivery lock before the fields change: a derived
  // subject sets its own state there, so state, code and message always change together.
  void Publish(int32_t code, const std::wstring& message, const std::function<void()>& beforeFields);

 private:
  mutable std::mutex listLock;          // guards observers
  mutable std::mutex fieldLock;         // guards code, detail, message, extra
  std::recursive_mutex deliveryLock;    // one delivery at a time; nested deliveries allowed

  std::atomic<bool> silenced{false};
  std::list<StateObserver*> observers;  // attach order, each at most once; not owned
  int32_t code = 0;
  int32_t detail = 0;                   // always 0 in this system
  std::wstring message;
  std::wstring extra;                   // always empty in this system
};

}  // namespace nimbrook
