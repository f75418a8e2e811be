#include "sysprep/ipsec_setting.h"

#include <atomic>

namespace nimbrook {
namespace {

constexpr size_t kValueCapacity = 1024;

std::atomic<bool>& Flag() {
  static std::atomic<bool> enabled{false};
  return enabled;
}

}  // namespace

bool L2tpIpsecEnabled() { return Flag().load(); }
void SetL2tpIpsecEnabled(bool enabled) { Flag().store(enabled); }

bool IsIpSecAllowed(os::Registry& registry, const os::RegistryLocation& at) {
  const os::RegistryValue value = registry.Read(at, kProhibitIpSecValue, kValueCapacity);
  switch (value.status) {
    case os::RegistryStatus::NoKey:
      return false;
    case os::RegistryStatus::NoValue:
      return true;
    case os::RegistryStatus::Failed:
      return true;  // nothing read: the zeroed buffer reads as allowed
    case os::RegistryStatus::Ok:
      break;
  }
  if (value.data.empty()) return true;
  // RasMan reads the DWORD as a whole: 256 forbids IPsec although its first byte is 0.
  if (value.type == os::kRegistryDword && value.data.size() >= 4) {
    return value.data.compare(0, 4, std::string(4, '\0')) == 0;
  }
  return value.data[0] == '\0';
}

void WriteProhibitIpSec(os::Registry& registry, const os::RegistryLocation& at) {
  (void)registry.Write(at, kProhibitIpSecValue, os::kRegistryDword, os::DwordBytes(L2tpIpsecEnabled() ? 0 : 1));
}

void ReconcileIpSecSetting(os::Registry& registry, const os::RegistryLocation& at) {
  SetL2tpIpsecEnabled(IsIpSecAllowed(registry, at));
  if (!L2tpIpsecEnabled()) {
    SetL2tpIpsecEnabled(true);
    WriteProhibitIpSec(registry, at);
  }
}

}  // namespace nimbrook
