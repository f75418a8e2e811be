#include "sysprep/service_start.h"

#include <mutex>
#include <thread>

#include "core/log.h"

namespace nimbrook {
namespace {

struct RegisteredBox {
  std::mutex lock;
  ServiceMessageBox box;
};

RegisteredBox& Registered() {
  static RegisteredBox registered;
  return registered;
}

void Show(const ServiceMessageBox& messageBox, const std::wstring& text) {
  if (messageBox) messageBox(text);
}

}  // namespace

bool EnsureServiceRunning(os::ServiceControl& control, const std::wstring& name, const ServiceMessageBox& messageBox,
                          const ServicePolling& polling) {
  std::unique_ptr<os::ServiceSession> service = control.Open(name);
  if (!service) return false;

  uint32_t state = 0;
  if (!service->QueryState(state)) {
    Show(messageBox, kQueryStatusFailedText);
    return false;
  }
  if (state == os::kServiceRunning) return true;

  if (!service->SetAutomaticStart()) {
    Show(messageBox, kSetAutomaticFailedText);
    return false;
  }
  if (!service->Start()) {
    Show(messageBox, kStartFailedText);
    return false;
  }

  // A service that hangs in its start must not hold the connect worker for ever.
  const auto deadline = std::chrono::steady_clock::now() + polling.bound;
  for (;;) {
    if (!service->QueryState(state)) return false;
    if (state == os::kServiceRunning) return true;
    if (state == os::kServiceStopped) {
      WriteLog(L"服务" + name + L"启动后又停止了");
      return false;
    }
    if (std::chrono::steady_clock::now() >= deadline) {
      WriteLog(L"服务" + name + L"启动超时");
      return false;
    }
    std::this_thread::sleep_for(polling.pause);
  }
}

void SetServiceMessageBox(ServiceMessageBox messageBox) {
  RegisteredBox& registered = Registered();
  std::lock_guard<std::mutex> guard(registered.lock);
  registered.box = std::move(messageBox);
}

bool EnsureServiceRunning(os::ServiceControl& control, const std::wstring& name) {
  ServiceMessageBox box;
  {
    RegisteredBox& registered = Registered();
    std::lock_guard<std::mutex> guard(registered.lock);
    box = registered.box;
  }
  if (!box) box = [](const std::wstring& text) { WriteLog(text); };
  return EnsureServiceRunning(control, name, box);
}

bool EnsureServiceRunning(const std::wstring& name) { return EnsureServiceRunning(os::SystemServiceControl(), name); }

}  // namespace nimbrook
