#include <sys/utsname.h>

#include <cstring>

#include "os/system_info.h"

namespace nimbrook::os {

VersionFacts ReadVersionFacts() {
  VersionFacts facts;  // not Windows: no version to report
  utsname name{};
  if (uname(&name) == 0) {
    if (std::strcmp(name.machine, "x86_64") == 0) facts.nativeArchitecture = kArchitectureAmd64;
    else if (std::strcmp(name.machine, "aarch64") == 0) facts.nativeArchitecture = kArchitectureArm64;
    else if (std::strcmp(name.machine, "ia64") == 0) facts.nativeArchitecture = kArchitectureIa64;
    else facts.nativeArchitecture = kArchitectureX86;
  }
  return facts;
}

bool IsWow64() { return false; }

}  // namespace nimbrook::os
