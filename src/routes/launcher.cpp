// Launching the tunnel engine's tools from a directory beside the program.
#include "routes/launcher.h"

#include <atomic>

#include "core/file_io.h"
#include "core/languages.h"
#include "core/log.h"
#include "core/paths.h"

namespace nimbrook {
namespace {

// The current directory belongs to the whole process: two launches must not interleave their
// change and restore, or one starts its tool in the other's directory.
std::mutex& CurrentDirectoryLock() {
  static std::mutex lock;
  return lock;
}

std::atomic<Launcher*>& SetLauncherSlot() {
  static std::atomic<Launcher*> slot{nullptr};
  return slot;
}

// Puts the previous current directory back whichever way the launch ends.
class DirectoryRestore {
 public:
  DirectoryRestore() : previous_(os::CurrentDirectory()) {}
  ~DirectoryRestore() {
    if (!previous_.empty()) (void)os::SetCurrentDirectoryPath(previous_);
  }
  DirectoryRestore(const DirectoryRestore&) = delete;
  DirectoryRestore& operator=(const DirectoryRestore&) = delete;

 private:
  std::wstring previous_;
};

}  // namespace

DirectoryLauncher::DirectoryLauncher(os::ProcessStarter& starter, std::wstring programDir)
    : starter_(starter), programDir_(std::move(programDir)) {}

std::wstring DirectoryLauncher::WorkingDirectory(const std::wstring& programDir, const std::wstring& subDir) {
  return AsDirectory(JoinPath(programDir, ToNativeSeparators(subDir)));
}

LaunchResult DirectoryLauncher::Launch(const LaunchRequest& request) {
  const std::wstring programDir = programDir_.empty() ? Paths().programDir : programDir_;
  const std::wstring workingDir = WorkingDirectory(programDir, request.subDir);

  std::lock_guard<std::mutex> guard(CurrentDirectoryLock());
  DirectoryRestore restore;
  LaunchResult result;
  if (!os::SetCurrentDirectoryPath(workingDir) || !OpenFile(request.fileName, "rb")) {
    WriteLog(MissingFileLine(request.fileName));
    result.error = os::kErrorFileNotFound;
    return result;
  }
  os::ChildOptions options;
  options.commandLine = request.commandLine;
  options.pipeInput = request.pipeInput;
  options.pipeOutput = request.pipeOutput;
  return starter_.Start(options);
}

Launcher& ActiveLauncher() {
  if (Launcher* set = SetLauncherSlot().load()) return *set;
  static DirectoryLauncher system(os::SystemProcessStarter());
  return system;
}

void SetLauncher(Launcher* launcher) { SetLauncherSlot().store(launcher); }

LaunchResult LaunchInDirectory(const LaunchRequest& request) { return ActiveLauncher().Launch(request); }

std::wstring MissingFileLine(const std::wstring& fileName) {
  std::wstring line = Text(L"msg_no_route_file");
  const auto hash = line.find(L'#');
  if (hash != std::wstring::npos) line.replace(hash, 1, fileName);
  return line;
}

}  // namespace nimbrook
