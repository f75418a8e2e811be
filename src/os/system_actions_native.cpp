#include "os/system_actions.h"

namespace nimbrook::os {
namespace {

class NativeSystemActions final : public SystemActions {
 public:
  intptr_t ShellOpen(void*, const std::wstring&, const std::wstring&, bool) override { return 0; }
  std::wstring SystemDirectory() override { return L""; }
  bool RebootForcibly() override { return false; }
};

}  // namespace

SystemActions& SystemActionsOfProcess() {
  static NativeSystemActions actions;
  return actions;
}

std::wstring ExecutableVersion() { return L""; }

}  // namespace nimbrook::os
