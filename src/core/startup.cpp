#include "core/startup.h"

#include <algorithm>
#include <exception>
#include <mutex>
#include <utility>
#include <vector>

#include "core/file_io.h"
#include "core/languages.h"
#include "core/log.h"
#include "core/paths.h"
#include "os/module_path.h"
#include "os/profile_file.h"

namespace nimbrook {
namespace {

constexpr size_t kLanguageCapacity = 1024;

struct ShutdownStep {
  ShutdownStage stage;
  std::function<void()> run;
};

struct ShutdownRegistry {
  std::mutex lock;
  std::vector<ShutdownStep> steps;
};

ShutdownRegistry& Registry() {
  static ShutdownRegistry registry;
  return registry;
}

// A file that opens for reading. A directory of that name is not one, though the C run-time of some
// systems opens it.
bool CanRead(const std::wstring& path) { return FileExists(path) && static_cast<bool>(OpenFile(path, "rb")); }

void Run(const std::function<void()>& hook) {
  if (hook) hook();
}

}  // namespace

void InitialiseProcessPaths() { SetProcessPaths(ComputePaths(os::ExecutablePath())); }

bool PrepareSystem(const StartupHooks& hooks, const os::VersionFacts& version) {
  if (!version.valid || version.major > 5) return false;
  Run(hooks.adjustDialUpBinding);
  return true;
}

InitialisationResult ClientInitialisation(const StartupHooks& hooks) {
  InitialisationResult result;
  Run(hooks.reconcileIpSecSetting);

  const ProcessPaths& paths = Paths();
  result.configDirectoryReady = CreateDirectoryIfMissing(paths.configDir);
  const std::wstring configFile = JoinPath(paths.configDir, L"config.ini");
  result.configFileReady = result.configDirectoryReady && (CanRead(configFile) || StoreSystemLanguage());
  if (result.configFileReady) {
    std::wstring language = L"eng";
    const std::wstring stored =
        os::SystemProfile().ReadString(configFile, L"Setting", L"language", kNotFound, kLanguageCapacity);
    if (!stored.empty()) language = stored == kNotFound ? SystemLanguage() : stored;
    SelectLanguage(language);
    LoadLanguage();
    result.language = CurrentLanguage();

    ResetLog();
    result.logReset = true;

    result.wow64 = hooks.isWow64 ? hooks.isWow64() : os::IsWow64();
    WriteLog(result.wow64 ? kLine64Bit : kLine32Bit);
  }
  // The proxy setting does not depend on the configuration: an unwritable program directory must not
  // cost the OpenVPN configuration its proxy line.
  Run(hooks.readSystemProxy);
  return result;
}

void RegisterShutdownStep(ShutdownStage stage, std::function<void()> step) {
  if (!step) return;
  auto& registry = Registry();
  std::lock_guard<std::mutex> guard(registry.lock);
  registry.steps.push_back({stage, std::move(step)});
}

void RunShutdown() {
  auto& registry = Registry();
  for (;;) {
    std::vector<ShutdownStep> steps;
    {
      std::lock_guard<std::mutex> guard(registry.lock);
      steps.swap(registry.steps);
    }
    if (steps.empty()) return;
    std::stable_sort(steps.begin(), steps.end(),
                     [](const ShutdownStep& a, const ShutdownStep& b) { return a.stage < b.stage; });
    for (const auto& step : steps) {
      try {
        step.run();
      } catch (const std::exception&) {
        // One module failing to let go must not keep the others from it.
      }
    }
  }
}

}  // namespace nimbrook
