// The in-memory service control manager of the tests.
#include "os/service_control.h"

namespace nimbrook::os {

class FakeServiceSession final : public ServiceSession {
 public:
  FakeServiceSession(FakeServiceControl& owner, std::wstring name) : owner_(owner), name_(std::move(name)) {}

  bool QueryState(uint32_t& state) override {
    std::lock_guard<std::mutex> guard(owner_.lock_);
    FakeService& service = owner_.services_[name_];
    ++service.queries;
    if (service.queryFails) return false;
    if (started_) {
      if (service.failQueryAfterStart) {
        service.failQueryAfterStart = false;
        return false;
      }
      if (!service.afterStart.empty()) {
        service.state = service.afterStart.front();
        if (service.afterStart.size() > 1) service.afterStart.erase(service.afterStart.begin());
      }
    }
    state = service.state;
    return true;
  }

  bool SetAutomaticStart() override {
    std::lock_guard<std::mutex> guard(owner_.lock_);
    FakeService& service = owner_.services_[name_];
    if (service.configFails) return false;
    ++service.configChanges;
    service.automatic = true;
    return true;
  }

  bool Start() override {
    std::lock_guard<std::mutex> guard(owner_.lock_);
    FakeService& service = owner_.services_[name_];
    ++service.starts;
    if (service.startFails) return false;
    started_ = true;
    if (service.afterStart.empty()) service.state = kServiceRunning;
    return true;
  }

 private:
  FakeServiceControl& owner_;
  std::wstring name_;
  bool started_ = false;
};

void FakeServiceControl::Add(const std::wstring& name, FakeService service) {
  std::lock_guard<std::mutex> guard(lock_);
  services_[name] = std::move(service);
}

FakeService FakeServiceControl::Get(const std::wstring& name) const {
  std::lock_guard<std::mutex> guard(lock_);
  auto found = services_.find(name);
  return found == services_.end() ? FakeService{} : found->second;
}

std::vector<std::wstring> FakeServiceControl::Opened() const {
  std::lock_guard<std::mutex> guard(lock_);
  return opened_;
}

std::unique_ptr<ServiceSession> FakeServiceControl::Open(const std::wstring& name) {
  std::lock_guard<std::mutex> guard(lock_);
  opened_.push_back(name);
  if (services_.count(name) == 0) return nullptr;
  return std::make_unique<FakeServiceSession>(*this, name);
}

}  // namespace nimbrook::os
