#include <windows.h>

#include <utility>

#include "os/single_instance.h"

namespace nimbrook::os {

SingleInstance SingleInstance::Claim(const std::wstring& name, bool bringRunningForward) {
  SingleInstance instance;
  HANDLE mutex = CreateMutexW(nullptr, FALSE, name.c_str());
  if (!mutex) {
    instance.result_.failed = true;
    return instance;
  }
  if (GetLastError() == ERROR_ALREADY_EXISTS) {
    CloseHandle(mutex);
    if (bringRunningForward) (void)BringRunningInstanceForward(DesktopWindows());
    return instance;
  }
  instance.mutex_ = mutex;
  instance.result_.firstInstance = true;
  return instance;
}

SingleInstance::~SingleInstance() { Close(); }

SingleInstance::SingleInstance(SingleInstance&& other) noexcept
    : mutex_(std::exchange(other.mutex_, nullptr)), result_(std::exchange(other.result_, {})) {}

SingleInstance& SingleInstance::operator=(SingleInstance&& other) noexcept {
  if (this != &other) {
    Close();
    mutex_ = std::exchange(other.mutex_, nullptr);
    result_ = std::exchange(other.result_, {});
  }
  return *this;
}

void SingleInstance::Close() {
  if (mutex_) CloseHandle(static_cast<HANDLE>(std::exchange(mutex_, nullptr)));
}

namespace {

class Desktop final : public InstanceWindows {
 public:
  void* Find(const wchar_t* className) override { return FindWindowW(className, nullptr); }
  void ShowNormal(void* window) override { ShowWindow(static_cast<HWND>(window), SW_SHOWNORMAL); }
  void BringToFront(void* window) override { SetForegroundWindow(static_cast<HWND>(window)); }
};

}  // namespace

InstanceWindows& DesktopWindows() {
  static Desktop desktop;
  return desktop;
}

}  // namespace nimbrook::os
