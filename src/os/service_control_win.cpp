// The Windows service control manager behind the seam.
#include <windows.h>

#include <memory>

#include "os/service_control.h"

namespace nimbrook::os {
namespace {

struct ServiceHandleCloser {
  void operator()(SC_HANDLE handle) const {
    if (handle) CloseServiceHandle(handle);
  }
};
using ServiceHandle = std::unique_ptr<std::remove_pointer_t<SC_HANDLE>, ServiceHandleCloser>;

class WinServiceSession final : public ServiceSession {
 public:
  WinServiceSession(ServiceHandle manager, ServiceHandle service)
      : manager_(std::move(manager)), service_(std::move(service)) {}

  bool QueryState(uint32_t& state) override {
    SERVICE_STATUS status{};
    if (!QueryServiceStatus(service_.get(), &status)) return false;
    state = status.dwCurrentState;
    return true;
  }

  bool SetAutomaticStart() override {
    // The database lock does nothing on current Windows; older systems need it, and a refused lock
    // does not stop the change.
    SC_LOCK lock = LockServiceDatabase(manager_.get());
    // The password argument stays null: the service keeps its account and that account's password.
    const BOOL changed = ChangeServiceConfigW(service_.get(), SERVICE_NO_CHANGE, SERVICE_AUTO_START, SERVICE_NO_CHANGE,
                                              nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
    if (lock) UnlockServiceDatabase(lock);
    return changed != FALSE;
  }

  bool Start() override {
    if (StartServiceW(service_.get(), 0, nullptr)) return true;
    return GetLastError() == ERROR_SERVICE_ALREADY_RUNNING;
  }

 private:
  ServiceHandle manager_;
  ServiceHandle service_;
};

class WinServiceControl final : public ServiceControl {
 public:
  std::unique_ptr<ServiceSession> Open(const std::wstring& name) override {
    // Execute access includes connecting and locking the database.
    ServiceHandle manager(OpenSCManagerW(nullptr, nullptr, GENERIC_EXECUTE));
    if (!manager) return nullptr;
    ServiceHandle service(OpenServiceW(manager.get(), name.c_str(),
                                       SERVICE_CHANGE_CONFIG | SERVICE_QUERY_STATUS | SERVICE_START | SERVICE_STOP));
    if (!service) return nullptr;
    return std::make_unique<WinServiceSession>(std::move(manager), std::move(service));
  }
};

}  // namespace

ServiceControl& SystemServiceControl() {
  static WinServiceControl control;
  return control;
}

}  // namespace nimbrook::os
