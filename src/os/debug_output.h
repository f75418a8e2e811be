// Diagnostics for an attached debugger (OutputDebugStringW): lines that are not worth the log.
#pragma once

#include <string>

namespace nimbrook::os {

// OutputDebugStringW on Windows; natively nothing.
void WriteDebugOutput(const std::wstring& text);

}  // namespace nimbrook::os
