#include "os/adapters.h"

namespace nimbrook::os {

std::vector<AdapterRecord> ListAdapters() { return {}; }

}  // namespace nimbrook::os
