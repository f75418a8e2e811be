#include <windows.h>
#include <tlhelp32.h>

#include "os/process_list.h"

namespace nimbrook::os {
namespace {

class SnapshotHandle {
 public:
  explicit SnapshotHandle(HANDLE handle) : handle_(handle) {}
  ~SnapshotHandle() {
    if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
  }
  SnapshotHandle(SnapshotHandle&& other) noexcept : handle_(other.handle_) { other.handle_ = INVALID_HANDLE_VALUE; }
  SnapshotHandle& operator=(SnapshotHandle&&) = delete;
  SnapshotHandle(const SnapshotHandle&) = delete;
  SnapshotHandle& operator=(const SnapshotHandle&) = delete;
  HANDLE Get() const { return handle_; }

 private:
  HANDLE handle_;
};

class ToolhelpProcessList : public ProcessList {
 public:
  bool IsRunning(const std::wstring& exeName) override {
    SnapshotHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (snapshot.Get() == INVALID_HANDLE_VALUE) return false;
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32FirstW(snapshot.Get(), &entry); more; more = Process32NextW(snapshot.Get(), &entry)) {
      if (exeName == entry.szExeFile) return true;
    }
    return false;
  }
};

}  // namespace

ProcessList& SystemProcessList() {
  static ToolhelpProcessList list;
  return list;
}

}  // namespace nimbrook::os
