#include "sysprep/ndiswan_binding.h"

#include <algorithm>

#include "os/debug_output.h"

namespace nimbrook {
namespace {

constexpr size_t kBindCapacity = 1024;

}  // namespace

std::optional<std::vector<std::wstring>> MoveNdisWanFirst(const std::vector<std::wstring>& bind) {
  const auto found = std::find(bind.begin(), bind.end(), std::wstring(kNdisWanIp));
  if (found == bind.end() || found == bind.begin()) return std::nullopt;
  std::vector<std::wstring> reordered;
  reordered.reserve(bind.size());
  reordered.push_back(*found);
  reordered.insert(reordered.end(), bind.begin(), found);
  reordered.insert(reordered.end(), found + 1, bind.end());
  return reordered;
}

bool FixNdisWanBinding(os::Registry& registry, const std::function<void(const std::wstring&)>& debugOutput,
                       const os::RegistryLocation& at) {
  const os::RegistryValue value = registry.Read(at, kBindValue, kBindCapacity);
  if (value.status != os::RegistryStatus::Ok || value.type != os::kRegistryMultiSz) return false;
  const std::optional<std::vector<std::wstring>> reordered = MoveNdisWanFirst(os::ParseMultiString(value.data));
  if (!reordered) return false;
  std::string bytes = os::MultiStringBytes(*reordered);
  // The same entries make the same length; spare zeros the stored value carried are kept. Anything
  // else behind the list's end (a damaged value) would be lost by a rewrite: leave such a value alone.
  if (bytes.size() < value.data.size()) {
    if (value.data.find_first_not_of('\0', bytes.size()) != std::string::npos) return false;
    bytes.resize(value.data.size(), '\0');
  }
  if (registry.Write(at, kBindValue, os::kRegistryMultiSz, bytes) != os::RegistryStatus::Ok) {
    if (debugOutput) debugOutput(L"修改错误");
    return false;
  }
  return true;
}

void FixNdisWanBinding() { (void)FixNdisWanBinding(os::SystemRegistry(), os::WriteDebugOutput); }

}  // namespace nimbrook
