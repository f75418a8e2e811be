// Natively there are no Windows console tools to run: the starter refuses, and the tests drive the
// engine through fakes. The current directory is the real one.
#include <filesystem>
#include <string>
#include <system_error>

#include "os/child_process.h"

namespace nimbrook::os {
namespace {

class RefusingStarter final : public ProcessStarter {
 public:
  StartedChild Start(const ChildOptions&) override {
    StartedChild child;
    child.error = kErrorNotSupported;
    return child;
  }
};

}  // namespace

ProcessStarter& SystemProcessStarter() {
  static RefusingStarter starter;
  return starter;
}

std::wstring CurrentDirectory() {
  try {
    std::error_code ec;
    const auto path = std::filesystem::current_path(ec);
    return ec ? std::wstring() : path.wstring();
  } catch (...) {
    return std::wstring();  // a name that does not convert
  }
}

bool SetCurrentDirectoryPath(const std::wstring& path) {
  try {
    std::error_code ec;
    std::filesystem::current_path(std::filesystem::path(path), ec);
    return !ec;
  } catch (...) {
    return false;
  }
}

}  // namespace nimbrook::os
