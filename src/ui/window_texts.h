// The texts and rows the client's dialogs put into their layouts, apart from the windows so that an
// off-screen render shows exactly what the window shows: the message box's texts per kind, the
// menu's item texts, the route picker's texts and the protocol picker's rows.
#pragma once

#include <string>
#include <vector>

#include "toolkit/container.h"
#include "toolkit/paint_manager.h"

namespace nimbrook {

// "title", "ok", "cancel" from the language table as the kind says, "text" unchanged.
void FillPopBoxTexts(toolkit::CPaintManagerUI& pm, const std::wstring& kind, const std::wstring& text);
// The five text controls of the menu.
void FillMenuTexts(toolkit::CPaintManagerUI& pm);
// "route_ipscope" and "route_global".
void FillRouteTexts(toolkit::CPaintManagerUI& pm);
// One 25-pixel row per protocol name, each a button named and labelled by the protocol; the current
// protocol's row is marked. Returns the number of rows added.
int FillProtocolRows(toolkit::CContainerUI& list, const std::wstring& current,
                     const std::vector<std::wstring>& protocols);

}  // namespace nimbrook
