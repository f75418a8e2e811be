#include <windows.h>

#include "os/debug_output.h"

namespace nimbrook::os {

void WriteDebugOutput(const std::wstring& text) { OutputDebugStringW(text.c_str()); }

}  // namespace nimbrook::os
