// Console tools run as hidden child processes with pipes for their standard input and output: the
// tunnel engine starts OpenVPN, the driver installer and the route tool through this seam, reads
// what they print and answers their prompts. Also the process-wide current directory.
#pragma once

#include <chrono>
#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

namespace nimbrook::os {

// System error codes the callers decide by (the Win32 values; the native build uses the same).
inline constexpr unsigned long kErrorFileNotFound = 2;
inline constexpr unsigned long kErrorBrokenPipe = 109;   // the other end closed: the child has ended
inline constexpr unsigned long kErrorNotSupported = 50;  // no child processes in this build

struct PeekResult {
  bool ok = false;
  unsigned long error = 0;  // when not ok; kErrorBrokenPipe once the child has closed its output
  std::string bytes;        // up to the requested number of waiting bytes, left in the pipe
  std::size_t available = 0;  // all bytes waiting in the pipe
};

// The caller's end of the pipe the child writes its standard output and error into.
class ChildOutput {
 public:
  virtual ~ChildOutput() = default;
  // Looks at the waiting bytes without taking them; never blocks.
  virtual PeekResult Peek(std::size_t max) = 0;
  // Takes up to max bytes (blocks until at least one is there); false when reading fails.
  [[nodiscard]] virtual bool Read(std::size_t max, std::string& bytes) = 0;
};

// The caller's end of the pipe the child reads its standard input from.
class ChildInput {
 public:
  virtual ~ChildInput() = default;
  // Writes all bytes; false when the pipe is closed or broken.
  [[nodiscard]] virtual bool Write(std::string_view bytes) = 0;
  // Closes the pipe: the child reads the end of its input.
  virtual void Close() = 0;
};

// A started child. Dropping the object closes the handle; it does not end the child.
class ChildProcess {
 public:
  virtual ~ChildProcess() = default;
  // True when the child has ended within the bound (zero: just look).
  [[nodiscard]] virtual bool WaitForExit(std::chrono::milliseconds bound) = 0;
  // Ends the child at once; true when it is ended afterwards.
  virtual bool Terminate() = 0;
};

struct ChildOptions {
  std::wstring commandLine;  // searched for its program as CreateProcess does (current directory too)
  bool pipeInput = false;    // standard input from a pipe the caller writes
  bool pipeOutput = false;   // standard output and error into one pipe the caller reads
};

struct StartedChild {
  std::unique_ptr<ChildProcess> process;  // null when nothing was started
  std::unique_ptr<ChildInput> input;      // with pipeInput
  std::unique_ptr<ChildOutput> output;    // with pipeOutput
  unsigned long error = 0;                // the system error when nothing was started
  bool pipeFailed = false;                // the pipes could not be made (nothing was started)
  [[nodiscard]] bool started() const { return process != nullptr; }
};

class ProcessStarter {
 public:
  virtual ~ProcessStarter() = default;
  // Starts the command line hidden, with only the requested pipe ends inherited and the child's ends
  // closed here once it runs, so the caller sees the output pipe break when the child ends.
  virtual StartedChild Start(const ChildOptions& options) = 0;
};

// The real starter on Windows. Natively there are no Windows tools to run: every start fails with
// kErrorNotSupported.
ProcessStarter& SystemProcessStarter();

// The process's current directory (with no trailing separator, as the system reports it), and
// changing it; false when the directory cannot be entered.
std::wstring CurrentDirectory();
[[nodiscard]] bool SetCurrentDirectoryPath(const std::wstring& path);

}  // namespace nimbrook::os
