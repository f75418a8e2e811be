#include "os/debug_output.h"

namespace nimbrook::os {

void WriteDebugOutput(const std::wstring&) {}

}  // namespace nimbrook::os
