#include "core/log.h"
#include "settings_window/setting_frame.h"

namespace nimbrook {

// The native build has no screen: the text goes to the log.
void ShowSystemMessage(const std::wstring& text) { WriteLog(text); }

}  // namespace nimbrook
