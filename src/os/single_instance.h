// The client's single-instance guard: a named mutex held for the life of the process. A second start
// finds the name taken, brings the running copy's main or login window to the front and ends.
// The mutex is Windows only (the native build has no client program); the choice of window is portable.
#pragma once

#include <string>

namespace nimbrook::os {

inline constexpr wchar_t kSingleInstanceName[] = L"SINGLE_INSTANCE_KEYWORD";

struct SingleInstanceResult {
  bool firstInstance = false;  // this process holds the name
  bool failed = false;         // the mutex could not be created at all
};

class SingleInstance {
 public:
  // CreateMutexW(no security attributes, not owned, name). When the name already exists the handle
  // is closed at once and, with bringRunningForward, the running instance's windows are brought
  // forward (BringRunningInstanceForward with the desktop's windows). The client keeps the object
  // until it ends.
  [[nodiscard]] static SingleInstance Claim(const std::wstring& name = kSingleInstanceName,
                                            bool bringRunningForward = true);

  SingleInstance() = default;
  ~SingleInstance();
  SingleInstance(SingleInstance&& other) noexcept;
  SingleInstance& operator=(SingleInstance&& other) noexcept;
  SingleInstance(const SingleInstance&) = delete;
  SingleInstance& operator=(const SingleInstance&) = delete;

  [[nodiscard]] SingleInstanceResult result() const { return result_; }

 private:
  void Close();

  void* mutex_ = nullptr;  // HANDLE, held by the first instance only
  SingleInstanceResult result_;
};

// The windows of a running instance, as the guard looks them up and shows them (FindWindowW by class
// name, ShowWindow SW_SHOWNORMAL, SetForegroundWindow). A seam, so the choice is tested without windows.
class InstanceWindows {
 public:
  virtual ~InstanceWindows() = default;
  virtual void* Find(const wchar_t* className) = 0;  // null when there is no such window
  virtual void ShowNormal(void* window) = 0;
  virtual void BringToFront(void* window) = 0;
};

// The desktop's windows (Windows only).
InstanceWindows& DesktopWindows();

enum class BroughtForward { None = 0, Login = 1, Main = 2 };

// Shows the running instance: when a main window ("NimbrookFrame") exists, it and the background
// window ("__IrregularWindowClass") are shown normally and the main window is brought to the front;
// otherwise a login window ("LoginFrame") is shown normally and brought to the front; with neither
// (only the update window is open), nothing happens.
BroughtForward BringRunningInstanceForward(InstanceWindows& windows);

}  // namespace nimbrook::os
