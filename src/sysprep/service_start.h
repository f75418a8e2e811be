// Making sure a Windows service runs before a dial-up connection needs it: a stopped service is set
// to start automatically and started, and its state is polled until it runs. Some failures are shown
// to the user in a message box, through a callback the client's windows provide.
#pragma once

#include <chrono>
#include <functional>
#include <string>

#include "os/service_control.h"

namespace nimbrook {

// Shows a finished text in a message box without owner or caption of its own, with an OK button.
using ServiceMessageBox = std::function<void(const std::wstring& text)>;

inline constexpr wchar_t kQueryStatusFailedText[] = L"查询状态失败";
inline constexpr wchar_t kSetAutomaticFailedText[] = L"设置服务自动失败";
inline constexpr wchar_t kStartFailedText[] = L"服务启动失败";

// How the state is polled after a start.
struct ServicePolling {
  std::chrono::milliseconds pause{100};
  std::chrono::milliseconds bound{30000};  // a service still not running then counts as failed
};

// 1. Open the manager and the service; when either fails, false without a message.
// 2. Query the state: a failed query shows "查询状态失败" and gives false; a running service is
//    accepted as it is (its configuration is not touched).
// 3. Set the start type to automatic; on failure "设置服务自动失败", false.
// 4. Start it; on failure "服务启动失败", false.
// 5. Poll, with a pause, until it runs (true), a query fails, it stops again or the bound passes
//    (false, with a log line for the last two).
// Runs on the dial-up connect worker; the message box blocks it until dismissed.
bool EnsureServiceRunning(os::ServiceControl& control, const std::wstring& name, const ServiceMessageBox& messageBox,
                          const ServicePolling& polling = {});

// The client's message box for the routine above. Without one the texts go to the log.
void SetServiceMessageBox(ServiceMessageBox messageBox);

// EnsureServiceRunning with the registered message box (the log when none is registered).
bool EnsureServiceRunning(os::ServiceControl& control, const std::wstring& name);

// The same with the system's service control manager.
bool EnsureServiceRunning(const std::wstring& name);

}  // namespace nimbrook
