#include <windows.h>

#include "settings_window/setting_frame.h"

namespace nimbrook {

void ShowSystemMessage(const std::wstring& text) { (void)MessageBoxW(nullptr, text.c_str(), nullptr, MB_OK); }

}  // namespace nimbrook
