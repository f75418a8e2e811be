// The running processes, as the updater needs them to wait for the client to exit: on Windows a
// Toolhelp process snapshot; natively a fake whose list tests (and the native front-ends) set.
#pragma once

#include <string>
#include <vector>

namespace nimbrook::os {

class ProcessList {
 public:
  virtual ~ProcessList() = default;
  // True when a process whose executable name is exactly exeName (case-sensitive) runs now.
  // A snapshot that cannot be taken counts as no such process.
  virtual bool IsRunning(const std::wstring& exeName) = 0;
};

// The platform's process list (Toolhelp on Windows; natively a FakeProcessList that lists nothing).
ProcessList& SystemProcessList();

// A list that names whatever it is given; IsRunning counts its looks.
class FakeProcessList : public ProcessList {
 public:
  bool IsRunning(const std::wstring& exeName) override {
    ++looks;
    if (stillRunningLooks > 0) {
      --stillRunningLooks;
      return true;
    }
    for (const auto& name : running) {
      if (name == exeName) return true;
    }
    return false;
  }
  std::vector<std::wstring> running;
  int stillRunningLooks = 0;  // the first this many looks report a running process, whatever the name
  int looks = 0;
};

}  // namespace nimbrook::os
