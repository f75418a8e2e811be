// Listing adapters, installing and removing the TAP driver with the tools shipped beside OpenVPN.
#include "openvpn/tap_adapter.h"

#include <cstdint>
#include <thread>

#include "core/log.h"
#include "openvpn/open_vpner.h"
#include "os/system_info.h"
#include "routes/launcher.h"
#include "tunnel/protocol.h"

namespace nimbrook {
namespace {

struct ToolRun {
  bool started = false;
  bool timedOut = false;  // still running at its bound or when asked to stop, and ended
  std::string output;     // the lines, concatenated without their line ends
};

// Runs a tool hidden with its output into a pipe and collects its lines (at most limit bytes count).
// A tool that hangs (silent, or never ending its output) is ended at its bound, and any tool as soon
// as stop() turns true.
ToolRun RunTool(const std::wstring& fileName, const std::wstring& commandLine, const std::wstring& subDir,
                const std::function<void()>& pipeFailed, std::size_t limit, std::chrono::milliseconds bound,
                const std::function<void()>& started = {}, const std::function<bool()>& stop = {}) {
  ToolRun run;
  LaunchRequest request;
  request.fileName = fileName;
  request.commandLine = commandLine;
  request.subDir = subDir;
  request.pipeOutput = true;
  LaunchResult child = LaunchInDirectory(request);
  if (!child.started() || !child.output) {
    // A missing file is logged by the launcher; any other refusal only here.
    if (child.error != os::kErrorFileNotFound) WriteLog(fileName + L"无法启动，错误码" + std::to_wstring(child.error));
    return run;
  }
  run.started = true;
  if (started) started();
  const auto deadline = std::chrono::steady_clock::now() + bound;
  std::string line;
  while (ReadLine(*child.output, line, child.process.get(), pipeFailed, deadline, stop)) {
    if (run.output.size() < limit) run.output += line.substr(0, limit - run.output.size());
  }
  const bool stopped = stop && stop();
  if ((stopped || std::chrono::steady_clock::now() >= deadline) &&
      !child.process->WaitForExit(std::chrono::milliseconds(0))) {
    WriteLog(fileName + (stopped ? L"运行中止，已结束该进程" : L"运行超时，已结束该进程"));
    child.process->Terminate();
    run.timedOut = true;
  }
  return run;
}

}  // namespace

std::wstring ShowAdaptersCommandLine() { return std::wstring(kOpenVpnExe) + L" --show-adapters"; }
std::wstring InstallDriverCommandLine() { return std::wstring(kTapInstallExe) + L" install OemWin2k.inf tap0901"; }
std::wstring RemoveDriverCommandLine() { return std::wstring(kTapInstallExe) + L" remove OemWin2k.inf tap0901"; }

std::wstring DriverSubDir(bool windows64) { return windows64 ? L"openvpn\\driver_x64" : L"openvpn\\driver_x86"; }

bool IsWindows64() {
  // A 64-bit program is never under WOW64, yet it needs the 64-bit driver.
  return sizeof(void*) == 8 || os::IsWow64();
}

bool ReadLine(os::ChildOutput& pipe, std::string& line, os::ChildProcess* process,
              const std::function<void()>& pipeFailed, std::chrono::steady_clock::time_point deadline,
              const std::function<bool()>& stop) {
  line.clear();
  while (true) {
    const os::PeekResult peek = pipe.Peek(kLineBufferSize);
    if (!peek.ok) {
      if (peek.error != os::kErrorBrokenPipe && pipeFailed) pipeFailed();
      return false;
    }
    const auto cr = peek.bytes.find('\r');
    if (cr != std::string::npos) {
      const std::size_t length = cr + 2;
      if (length > kLineBufferSize) return false;
      std::string bytes;
      std::string part;
      while (bytes.size() < length) {
        if (!pipe.Read(length - bytes.size(), part) || part.empty()) return false;
        bytes += part;
      }
      line = bytes.substr(0, cr);
      return true;
    }
    if (peek.bytes.size() >= kLineBufferSize) return false;  // a line longer than the buffer
    if (process != nullptr && process->WaitForExit(std::chrono::milliseconds(0))) {
      // The tool has ended: whatever is waiting is all there will be. A last line without a line
      // end is taken as it is instead of waiting for one forever.
      const os::PeekResult rest = pipe.Peek(kLineBufferSize);
      if (!rest.ok || rest.bytes.empty()) return false;
      if (rest.bytes.find('\r') != std::string::npos) continue;
      if (!pipe.Read(rest.bytes.size(), line)) return false;
      return true;
    }
    if (std::chrono::steady_clock::now() >= deadline || (stop && stop())) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
}

std::string AdapterIdFromListing(const std::string& listing) {
  const auto open = listing.find('{');
  if (open == std::string::npos) return std::string();
  const auto close = listing.find('}', open + 1);
  if (close == std::string::npos) return std::string();
  return listing.substr(open + 1, close - open - 1);
}

bool InstallSucceeded(const std::string& output) {
  return output.find("Drivers updated successfully") != std::string::npos ||
         output.find("Drivers installed successfully") != std::string::npos;
}

std::wstring RemovalResult(const std::string& output) {
  if (output.find("No devices were removed") != std::string::npos) return L"str_tap_uninstall";
  if (output.find("Removed") != std::string::npos || output.find("removed") != std::string::npos) {
    return L"str_tap_uninstallok";
  }
  return L"str_tap_uninstallfailed";
}

void CheckTapAdapter(OpenVpner& engine, const TapToolBounds& bounds) {
  const auto pipeFailed = [&engine] { engine.Notify(kStateConnecting, kCodeProgress, L"str_pipe_closed"); };
  const auto stop = [&engine] { return engine.StopRequested(); };
  const ToolRun listing =
      RunTool(kOpenVpnExe, ShowAdaptersCommandLine(), kOpenVpnSubDir, pipeFailed, SIZE_MAX, bounds.listing, {}, stop);
  // A listing cut short says nothing about the adapters: installing over a working one is no answer.
  if (!listing.started || listing.timedOut) return;
  const auto open = listing.output.find('{');
  if (open != std::string::npos && listing.output.find('}', open + 1) != std::string::npos) {
    engine.SetTapResult(true, AdapterIdFromListing(listing.output));
    return;
  }

  if (stop()) return;
  engine.Notify(kStateConnecting, kCodeProgress, L"str_tap_installing");
  const ToolRun install =
      RunTool(kTapInstallExe, InstallDriverCommandLine(), DriverSubDir(IsWindows64()), pipeFailed, kInstallOutputLimit,
              bounds.driver, {}, stop);
  if (!install.started || stop()) return;
  if (InstallSucceeded(install.output)) {
    engine.Notify(kStateConnecting, kCodeProgress, L"str_tap_ok");
    engine.SetTapResult(true, std::string());
  } else {
    engine.Notify(kStateConnecting, kCodeProgress, L"str_tap_failed");
    engine.SetTapResult(false, std::string());
  }
}

std::wstring RemoveTapDriver(const std::function<void(const std::wstring&)>& showStatus, const TapToolBounds& bounds) {
  const auto show = [&showStatus](const std::wstring& id) {
    if (showStatus) showStatus(id);
  };
  const ToolRun removal =
      RunTool(kTapInstallExe, RemoveDriverCommandLine(), DriverSubDir(IsWindows64()),
              [&show] { show(L"str_pipe_closed"); }, SIZE_MAX, bounds.driver, [&show] { show(L"str_tap_uninstalling"); });
  if (!removal.started) return std::wstring();
  const std::wstring result = RemovalResult(removal.output);
  show(result);
  return result;
}

}  // namespace nimbrook
