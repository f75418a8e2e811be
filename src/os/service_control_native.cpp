// The native build has no service control manager.
#include "os/service_control.h"

namespace nimbrook::os {
namespace {

class MissingServiceControl final : public ServiceControl {
 public:
  std::unique_ptr<ServiceSession> Open(const std::wstring&) override { return nullptr; }
};

}  // namespace

ServiceControl& SystemServiceControl() {
  static MissingServiceControl control;
  return control;
}

}  // namespace nimbrook::os
