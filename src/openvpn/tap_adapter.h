// The TAP adapter OpenVPN needs: before each OpenVPN connection the engine asks "openvpn.exe
// --show-adapters" for an adapter and installs the driver with "tapinstall.exe" when there is none;
// the settings window can remove the driver. The tools run hidden and are read line by line.
#pragma once

#include <chrono>
#include <functional>
#include <string>

#include "os/child_process.h"

namespace nimbrook {

class OpenVpner;

inline constexpr wchar_t kTapInstallExe[] = L"tapinstall.exe";
inline constexpr wchar_t kShowAdaptersFormat[] = L"%s --show-adapters";
inline constexpr std::size_t kLineBufferSize = 1024;
inline constexpr std::size_t kInstallOutputLimit = 4096;

// "openvpn.exe --show-adapters", "tapinstall.exe install OemWin2k.inf tap0901",
// "tapinstall.exe remove OemWin2k.inf tap0901".
std::wstring ShowAdaptersCommandLine();
std::wstring InstallDriverCommandLine();
std::wstring RemoveDriverCommandLine();

// "openvpn\driver_x64" on 64-bit Windows, "openvpn\driver_x86" otherwise.
std::wstring DriverSubDir(bool windows64);
// 64-bit Windows: a 64-bit build, or a 32-bit build under WOW64.
bool IsWindows64();

// How long a tool may run before it is ended: the adapter listing answers at once; the driver
// installer may wait for the subscriber to confirm Windows' driver prompt.
struct TapToolBounds {
  std::chrono::milliseconds listing{60000};
  std::chrono::milliseconds driver{300000};
};

// Reads one "\r\n"-ended line (at most kLineBufferSize bytes with its line end) into line, without
// the line end. False when the tool has ended and everything was read, for a line too long, when
// the pipe fails, and when the deadline passes or stop() turns true before a line is complete; a
// failure other than the tool's end calls pipeFailed. When process is given and has ended, a last
// line without a line end is returned whole instead of waiting for one.
[[nodiscard]] bool ReadLine(os::ChildOutput& pipe, std::string& line, os::ChildProcess* process = nullptr,
                            const std::function<void()>& pipeFailed = {},
                            std::chrono::steady_clock::time_point deadline = std::chrono::steady_clock::time_point::max(),
                            const std::function<bool()>& stop = {});

// The first "{...}" of the adapter listing: the text strictly between the braces; empty when the
// listing has no brace pair.
std::string AdapterIdFromListing(const std::string& listing);
// The installer's output reports success ("Drivers updated successfully" or "Drivers installed
// successfully").
bool InstallSucceeded(const std::string& output);
// "str_tap_uninstall" for "No devices were removed", else "str_tap_uninstallok" for "Removed" or
// "removed", else "str_tap_uninstallfailed".
std::wstring RemovalResult(const std::string& output);

// Sets the engine's tapReady and adapterId, installing the driver when no adapter is listed (with
// progress notifications "str_tap_installing", then "str_tap_ok" or "str_tap_failed"). When a tool
// cannot be started, or the listing does not end within its bound, the engine keeps its previous
// result. A tool still running at its bound is ended and logged; so is one running when the engine
// is asked to stop (a disconnect, or the engine going away), which also ends the check.
void CheckTapAdapter(OpenVpner& engine, const TapToolBounds& bounds = TapToolBounds());

// Removes the driver and reports the ids "str_tap_uninstalling" and then the result through
// showStatus (the settings window's status line). Returns the result id; empty when the remover
// could not be started (nothing is shown then).
std::wstring RemoveTapDriver(const std::function<void(const std::wstring&)>& showStatus,
                             const TapToolBounds& bounds = TapToolBounds());

}  // namespace nimbrook
