// The native build's registry: in memory, empty at start.
#include "os/registry_fake.h"

namespace nimbrook::os {

Registry& SystemRegistry() {
  static MemoryRegistry registry;
  return registry;
}

}  // namespace nimbrook::os
