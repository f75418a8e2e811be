#include "sysprep/windows_version.h"

namespace nimbrook {

bool IsModernWindows(const os::VersionFacts& version) { return version.valid && version.major > 5; }

bool IsModernWindows() {
  static const os::VersionFacts version = os::ReadVersionFacts();
  return IsModernWindows(version);
}

}  // namespace nimbrook
