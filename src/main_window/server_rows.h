// One server of the catalogue as a row of the main window's server list. The row carries the
// server's values as the texts of its labels (some hidden) and its area code as its tag; the rest of
// the client reads a server's fields back from its row by the labels' names.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "catalogue/server_entry.h"
#include "ui/list_container_element_ex.h"

namespace nimbrook {

// Names of the row's sub-controls that the window reads or restyles.
inline constexpr wchar_t kRowName[] = L"serv_name";
inline constexpr wchar_t kRowDesc[] = L"serv_desc";
inline constexpr wchar_t kRowDelay[] = L"serv_delay";
inline constexpr wchar_t kRowPercent[] = L"percent";
inline constexpr wchar_t kRowLoadBar[] = L"serv_playload";
inline constexpr wchar_t kRowFlag[] = L"flag_ico";
inline constexpr wchar_t kRowIp[] = L"serv_ip";
inline constexpr wchar_t kRowAllow[] = L"serv_allow";
inline constexpr wchar_t kRowConnType[] = L"conn_type";
inline constexpr wchar_t kRowArea[] = L"area";

struct BuiltServerRow {
  std::unique_ptr<CListContainerElementExUI> row;
  // False when the toolkit refused one of the fixed attribute texts (a toolkit gap, not bad data).
  bool attributesAccepted = true;
};

// Builds the row of one entry. Server texts are set as control texts, never spliced into attribute
// texts, so no server value can add or change an attribute. A connecttype item whose name is one of
// the row's own sub-control names gets no label of its own: it would hide that sub-control from a
// lookup by name.
[[nodiscard]] BuiltServerRow BuildServerRow(const ServerEntry& entry);

// The flag image name as it goes into the flag's bkimage attribute: the name when it is a plain file
// name (letters, digits, "_", "-", "."), otherwise "unknown.png".
std::wstring SafeFlagImage(std::wstring_view image);

// The label colours of a row that is shown normally and of the selected row.
void MarkRowNormal(toolkit::CControlUI& row);
void MarkRowSelected(toolkit::CControlUI& row);

}  // namespace nimbrook
