#include <windows.h>
#include <objbase.h>

#include <utility>

#include "os/process_setup.h"

namespace nimbrook::os {

bool EnableDpiAwareness() {
  HMODULE user32 = LoadLibraryW(L"user32.dll");
  if (!user32) return false;
  using SetProcessDpiAwareFunction = BOOL(WINAPI*)();
  const auto setAware = reinterpret_cast<SetProcessDpiAwareFunction>(
      reinterpret_cast<void*>(GetProcAddress(user32, "SetProcessDPIAware")));
  const bool done = setAware && setAware() != FALSE;
  FreeLibrary(user32);
  return done;
}

ComInitialisation ComInitialisation::Initialise() {
  ComInitialisation com;
  const HRESULT hr = CoInitialize(nullptr);
  com.status_ = hr;
  com.initialised_ = SUCCEEDED(hr);  // S_FALSE (already initialised) also needs its CoUninitialize
  return com;
}

ComInitialisation::~ComInitialisation() {
  if (initialised_) CoUninitialize();
}

ComInitialisation::ComInitialisation(ComInitialisation&& other) noexcept
    : initialised_(std::exchange(other.initialised_, false)), status_(other.status_) {}

ComInitialisation& ComInitialisation::operator=(ComInitialisation&& other) noexcept {
  if (this != &other) {
    if (initialised_) CoUninitialize();
    initialised_ = std::exchange(other.initialised_, false);
    status_ = other.status_;
  }
  return *this;
}

}  // namespace nimbrook::os
