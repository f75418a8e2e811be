// The observer list and the notification delivery of StateSubject.
#include "tunnel/state_subject.h"

#include <algorithm>
#include <vector>

namespace nimbrook {

bool StateSubject::Attach(StateObserver* observer) {
  if (observer == nullptr) return false;
  std::lock_guard<std::mutex> lock(listLock);
  if (std::find(observers.begin(), observers.end(), observer) != observers.end()) return false;
  observers.push_back(observer);
  return true;
}

bool StateSubject::Detach(StateObserver* observer) {
  std::lock_guard<std::mutex> lock(listLock);
  auto it = std::find(observers.begin(), observers.end(), observer);
  if (it == observers.end()) return false;
  observers.erase(it);
  return true;
}

bool StateSubject::IsAttached(StateObserver* observer) const {
  std::lock_guard<std::mutex> lock(listLock);
  return std::find(observers.begin(), observers.end(), observer) != observers.end();
}

std::size_t StateSubject::ObserverCount() const {
  std::lock_guard<std::mutex> lock(listLock);
  return observers.size();
}

void StateSubject::Notify(int32_t code, const std::wstring& message) {
  Publish(code, message, {});
}

void StateSubject::Publish(int32_t newCode, const std::wstring& newMessage,
                           const std::function<void()>& beforeFields) {
  std::lock_guard<std::recursive_mutex> delivery(deliveryLock);
  if (beforeFields) beforeFields();
  {
    std::lock_guard<std::mutex> lock(fieldLock);
    code = newCode;
    message = newMessage;
    detail = 0;
    extra.clear();
  }
  if (silenced.load()) return;
  std::vector<StateObserver*> targets;
  {
    std::lock_guard<std::mutex> lock(listLock);
    targets.assign(observers.begin(), observers.end());
  }
  for (StateObserver* observer : targets) {
    // An observer detached by an earlier observer of this delivery is not called any more.
    if (!IsAttached(observer) || silenced.load()) continue;
    observer->OnStateChanged(this);
  }
}

int32_t StateSubject::Code() const {
  std::lock_guard<std::mutex> lock(fieldLock);
  return code;
}

int32_t StateSubject::Detail() const {
  std::lock_guard<std::mutex> lock(fieldLock);
  return detail;
}

std::wstring StateSubject::Message() const {
  std::lock_guard<std::mutex> lock(fieldLock);
  return message;
}

std::wstring StateSubject::Extra() const {
  std::lock_guard<std::mutex> lock(fieldLock);
  return extra;
}

}  // namespace nimbrook
