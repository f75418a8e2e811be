#include "os/shell.h"

namespace nimbrook::os {
namespace {

class NativeShell final : public Shell {
 public:
  bool StartProgram(const std::wstring&) override { return false; }
  bool OpenWithDefaultProgram(const std::wstring&) override { return false; }
};

}  // namespace

Shell& SystemShell() {
  static NativeShell shell;
  return shell;
}

}  // namespace nimbrook::os
