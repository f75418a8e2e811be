#include <windows.h>

#include <utility>
#include <vector>

#include "os/child_process.h"

namespace nimbrook::os {
namespace {

// Owns one kernel handle.
class Handle {
 public:
  Handle() = default;
  explicit Handle(HANDLE h) : handle_(h == INVALID_HANDLE_VALUE ? nullptr : h) {}
  ~Handle() { Close(); }
  Handle(Handle&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
  Handle& operator=(Handle&& other) noexcept {
    if (this != &other) {
      Close();
      handle_ = std::exchange(other.handle_, nullptr);
    }
    return *this;
  }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;

  HANDLE get() const { return handle_; }
  HANDLE* out() {
    Close();
    return &handle_;
  }
  explicit operator bool() const { return handle_ != nullptr; }
  void Close() {
    if (handle_) CloseHandle(handle_);
    handle_ = nullptr;
  }

 private:
  HANDLE handle_ = nullptr;
};

class PipeOutput final : public ChildOutput {
 public:
  explicit PipeOutput(Handle read) : read_(std::move(read)) {}

  PeekResult Peek(std::size_t max) override {
    PeekResult result;
    std::string buffer(max, '\0');
    DWORD got = 0;
    DWORD available = 0;
    if (!PeekNamedPipe(read_.get(), max ? &buffer[0] : nullptr, static_cast<DWORD>(max), &got, &available,
                       nullptr)) {
      result.error = GetLastError();
      return result;
    }
    buffer.resize(got);
    result.ok = true;
    result.bytes = std::move(buffer);
    result.available = available;
    return result;
  }

  bool Read(std::size_t max, std::string& bytes) override {
    bytes.assign(max, '\0');
    DWORD got = 0;
    if (max == 0 || !ReadFile(read_.get(), &bytes[0], static_cast<DWORD>(max), &got, nullptr)) {
      bytes.clear();
      return false;
    }
    bytes.resize(got);
    return true;
  }

 private:
  Handle read_;
};

class PipeInput final : public ChildInput {
 public:
  explicit PipeInput(Handle write) : write_(std::move(write)) {}

  bool Write(std::string_view bytes) override {
    while (!bytes.empty()) {
      if (!write_) return false;
      DWORD written = 0;
      if (!WriteFile(write_.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) ||
          written == 0) {
        return false;
      }
      bytes.remove_prefix(written);
    }
    return true;
  }
  void Close() override { write_.Close(); }

 private:
  Handle write_;
};

class WinChild final : public ChildProcess {
 public:
  explicit WinChild(Handle process) : process_(std::move(process)) {}

  bool WaitForExit(std::chrono::milliseconds bound) override {
    const auto ms = bound.count() < 0 ? 0 : bound.count();
    return WaitForSingleObject(process_.get(), static_cast<DWORD>(ms)) == WAIT_OBJECT_0;
  }
  bool Terminate() override {
    if (WaitForExit(std::chrono::milliseconds(0))) return true;
    TerminateProcess(process_.get(), 1);
    return WaitForExit(std::chrono::milliseconds(5000));
  }

 private:
  Handle process_;
};

// Restricts inheritance to the pipe ends of this child: another tool started at the same moment must
// not pick them up, or the caller would never see the pipe break when this child ends.
class InheritList {
 public:
  explicit InheritList(std::vector<HANDLE> handles) : handles_(std::move(handles)) {
    SIZE_T size = 0;
    InitializeProcThreadAttributeList(nullptr, 1, 0, &size);
    if (size == 0) return;
    buffer_.resize(size);
    auto* list = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(buffer_.data());
    if (!InitializeProcThreadAttributeList(list, 1, 0, &size)) return;
    initialised_ = true;
    if (UpdateProcThreadAttribute(list, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST, handles_.data(),
                                  handles_.size() * sizeof(HANDLE), nullptr, nullptr)) {
      list_ = list;
    }
  }
  ~InheritList() {
    if (initialised_) DeleteProcThreadAttributeList(reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(buffer_.data()));
  }
  InheritList(const InheritList&) = delete;
  InheritList& operator=(const InheritList&) = delete;
  LPPROC_THREAD_ATTRIBUTE_LIST get() const { return list_; }

 private:
  std::vector<HANDLE> handles_;
  std::vector<char> buffer_;
  bool initialised_ = false;
  LPPROC_THREAD_ATTRIBUTE_LIST list_ = nullptr;
};

// An anonymous pipe whose child end is inheritable and whose own end is not.
bool MakePipe(Handle& childEnd, Handle& ownEnd, bool childReads) {
  SECURITY_ATTRIBUTES security{};
  security.nLength = sizeof security;
  security.bInheritHandle = TRUE;
  Handle read;
  Handle write;
  if (!CreatePipe(read.out(), write.out(), &security, 0)) return false;
  Handle& own = childReads ? write : read;
  if (!SetHandleInformation(own.get(), HANDLE_FLAG_INHERIT, 0)) return false;
  childEnd = std::move(childReads ? read : write);
  ownEnd = std::move(own);
  return true;
}

class WinStarter final : public ProcessStarter {
 public:
  StartedChild Start(const ChildOptions& options) override {
    StartedChild result;
    Handle childIn, ownIn, childOut, ownOut;
    if ((options.pipeInput && !MakePipe(childIn, ownIn, true)) ||
        (options.pipeOutput && !MakePipe(childOut, ownOut, false))) {
      result.error = GetLastError();
      result.pipeFailed = true;
      return result;
    }

    std::vector<HANDLE> inherited;
    if (childIn) inherited.push_back(childIn.get());
    if (childOut) inherited.push_back(childOut.get());

    STARTUPINFOEXW startup{};
    startup.StartupInfo.cb = sizeof startup;
    startup.StartupInfo.dwFlags = STARTF_USESHOWWINDOW | STARTF_USESTDHANDLES;
    startup.StartupInfo.wShowWindow = SW_HIDE;
    startup.StartupInfo.hStdInput = childIn.get();
    startup.StartupInfo.hStdOutput = childOut.get();
    startup.StartupInfo.hStdError = childOut.get();

    // CreateProcessW may write into the command line.
    std::vector<wchar_t> line(options.commandLine.begin(), options.commandLine.end());
    line.push_back(L'\0');
    PROCESS_INFORMATION process{};
    BOOL started = FALSE;
    DWORD error = 0;
    if (inherited.empty()) {
      startup.StartupInfo.cb = sizeof(STARTUPINFOW);
      started = CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                               &startup.StartupInfo, &process);
      if (!started) error = GetLastError();
    } else {
      InheritList list(inherited);
      if (list.get()) {
        startup.lpAttributeList = list.get();
        started = CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, EXTENDED_STARTUPINFO_PRESENT,
                                 nullptr, nullptr, &startup.StartupInfo, &process);
        if (!started) error = GetLastError();
      }
      if (!started && (list.get() == nullptr || error == ERROR_INVALID_PARAMETER)) {
        // Systems without inheritance lists (XP): plain inheritance.
        startup.StartupInfo.cb = sizeof(STARTUPINFOW);
        startup.lpAttributeList = nullptr;
        line.assign(options.commandLine.begin(), options.commandLine.end());
        line.push_back(L'\0');
        started = CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                                 &startup.StartupInfo, &process);
        error = started ? 0 : GetLastError();
      }
    }
    if (!started) {
      result.error = error;
      return result;
    }
    CloseHandle(process.hThread);
    // The child holds its own copies now; ours must go, or the output pipe never breaks.
    childIn.Close();
    childOut.Close();
    result.process = std::make_unique<WinChild>(Handle(process.hProcess));
    if (ownIn) result.input = std::make_unique<PipeInput>(std::move(ownIn));
    if (ownOut) result.output = std::make_unique<PipeOutput>(std::move(ownOut));
    return result;
  }
};

}  // namespace

ProcessStarter& SystemProcessStarter() {
  static WinStarter starter;
  return starter;
}

std::wstring CurrentDirectory() {
  std::vector<wchar_t> buffer(MAX_PATH);
  for (int attempt = 0; attempt < 3; ++attempt) {
    const DWORD length = GetCurrentDirectoryW(static_cast<DWORD>(buffer.size()), buffer.data());
    if (length == 0) return std::wstring();
    if (length < buffer.size()) return std::wstring(buffer.data(), length);
    buffer.resize(length + 1);
  }
  return std::wstring();
}

bool SetCurrentDirectoryPath(const std::wstring& path) { return SetCurrentDirectoryW(path.c_str()) != FALSE; }

}  // namespace nimbrook::os
