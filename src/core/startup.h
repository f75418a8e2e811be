// The client's start-up initialisation and its shutdown: process paths, the system preparation hook
// of old Windows, configuration directory, language, log reset and the system-type line, and at the
// end the registered shutdown steps of the modules that hold process-wide objects.
#pragma once

#include <functional>
#include <string>

#include "os/system_info.h"

namespace nimbrook {

// Work that start-up runs but that belongs to later modules (the tunnel's system preparation, the
// HTTP client's proxy reading). The client's composition fills them in; an empty hook is skipped.
struct StartupHooks {
  std::function<void()> adjustDialUpBinding;    // Windows 5.x and older only (PrepareSystem)
  std::function<void()> reconcileIpSecSetting;  // first step of ClientInitialisation
  std::function<void()> readSystemProxy;        // last step of ClientInitialisation
  std::function<bool()> isWow64;                // empty: os::IsWow64
};

// SetProcessPaths(ComputePaths(executable path)). An unreadable executable path leaves the program
// directory empty, so every other path is a bare relative name.
void InitialiseProcessPaths();

// Runs the dial-up binding adjustment when the system is Windows 5.x or older. An unreadable version
// is not taken for an old one: the adjustment rewrites a system binding order. True when it ran.
bool PrepareSystem(const StartupHooks& hooks, const os::VersionFacts& version);

struct InitialisationResult {
  bool configDirectoryReady = false;  // the configuration directory exists (found or created)
  bool configFileReady = false;       // config.ini could be opened or was created with the language
  std::wstring language;              // the language selected and loaded; empty when none was
  bool logReset = false;
  bool wow64 = false;                 // what the system-type line said
};

inline constexpr wchar_t kNotFound[] = L"not found";
inline constexpr wchar_t kLine64Bit[] = L"系统类型 64 bit\n";
inline constexpr wchar_t kLine32Bit[] = L"系统类型 32 bit\n";

// The client's initialisation, on the UI thread after COM is up:
//  1. reconcileIpSecSetting;
//  2. the configuration directory is created when missing;
//  3. config.ini must open for reading, or be created holding the system language; when it cannot,
//     or the directory can be neither found nor created, steps 4-6 are skipped (no language, no log
//     reset, no system-type line);
//  4. the language: key "language" of section "Setting" read with the wide profile API ("not found"
//     when missing, at most 1023 characters): "eng" when the value is empty, the system language
//     when it is missing; selected and its table loaded;
//  5. the log is emptied;
//  6. "系统类型 64 bit\n" or "系统类型 32 bit\n" is logged, by whether the process runs under WOW64;
//  7. readSystemProxy, in every case: the proxy setting does not depend on the configuration.
InitialisationResult ClientInitialisation(const StartupHooks& hooks);

// Shutdown steps run after the UI message loop ends, stage by stage in the order below, and within a
// stage in the order they were registered. Modules register when they create a process-wide object,
// which is not the order of release: the update check is created first and the login service later,
// so each of the two has a stage of its own and the login service always goes first.
enum class ShutdownStage {
  Engines = 0,       // the cached tunnel engines
  LoginService = 1,  // the login service
  Singletons = 2,    // other process-wide objects
  UpdateCheck = 3,   // the update check
  Workers = 4,       // workers that must let go of process-wide objects before they are destroyed
  Last = 5,
};

void RegisterShutdownStep(ShutdownStage stage, std::function<void()> step);
// Runs every registered step once and forgets them; a step that throws does not stop the others.
// Steps registered while the shutdown runs are run too, after those of their stage.
void RunShutdown();

}  // namespace nimbrook
