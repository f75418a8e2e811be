// The launcher every external tool of the tunnel engine goes through (route tool, OpenVPN, driver
// installer): it starts a command line hidden from a directory beside the program, once it has made
// sure the file the tool needs lies there. Callers reach it through LaunchInDirectory; tests set a
// recording launcher in its place.
#pragma once

#include <mutex>
#include <string>

#include "os/child_process.h"

namespace nimbrook {

struct LaunchRequest {
  std::wstring fileName;     // must be readable in the directory, or nothing is started
  std::wstring commandLine;  // started as it stands
  std::wstring subDir;       // below the program directory: "route", "openvpn", "openvpn\driver_x64"
  bool pipeInput = false;    // the child's standard input from a pipe the caller writes
  bool pipeOutput = false;   // the child's standard output and error into a pipe the caller reads
};

// The started child with the pipe ends asked for; process null and error set when nothing started
// (os::kErrorFileNotFound when the file is missing).
using LaunchResult = os::StartedChild;

class Launcher {
 public:
  virtual ~Launcher() = default;
  virtual LaunchResult Launch(const LaunchRequest& request) = 0;
};

// The real launcher. The working directory is the program directory + subDir; it becomes the
// process's current directory for the start (the tools find their files relative to it) and the
// previous directory is restored on every path. The directory is process-wide, so launches from
// different workers are serialised by one lock. A missing file is logged with the text of
// "msg_no_route_file", its "#" replaced by the file name; no message box.
class DirectoryLauncher final : public Launcher {
 public:
  // programDir empty: the process paths' program directory at each launch.
  explicit DirectoryLauncher(os::ProcessStarter& starter, std::wstring programDir = {});
  LaunchResult Launch(const LaunchRequest& request) override;

  // The working directory of a launch: programDir + subDir + separator.
  static std::wstring WorkingDirectory(const std::wstring& programDir, const std::wstring& subDir);

 private:
  os::ProcessStarter& starter_;
  std::wstring programDir_;
};

// The launcher LaunchInDirectory uses: the one set, or a DirectoryLauncher over the system's process
// starter. SetLauncher(nullptr) restores that. Set it before workers start (tests, composition).
Launcher& ActiveLauncher();
void SetLauncher(Launcher* launcher);

LaunchResult LaunchInDirectory(const LaunchRequest& request);

// The missing-file log line: "msg_no_route_file" with its first "#" replaced by the file name.
std::wstring MissingFileLine(const std::wstring& fileName);

}  // namespace nimbrook
