// The main window's server list: builds one row per server, filters the rows by area, sorts them by
// name, delay or load, keeps the selected and the connected row marked, and locks the list while a
// connection is being made or held. UI thread only; the window reads and writes the list state below.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "catalogue/server_entry.h"
#include "main_window/row_id.h"
#include "toolkit/container.h"
#include "toolkit/list.h"

namespace nimbrook {

class ServerListView {
 public:
  // list: the list "serverlist"; curnode: the label showing the current node (may be null); conn: the
  // container "conn" whose protocol and route controls are disabled while the list is locked (may be
  // null); busy: whether a connection is being made or held.
  ServerListView(toolkit::CListUI& list, toolkit::CControlUI* curnode, toolkit::CContainerUI* conn,
                 std::function<bool()> busy);

  // Appends the row of an entry. The row of the server connected last becomes the selected and the
  // connected row and locks the list. Returns the row's id; ids are never handed out twice.
  RowId AddRow(const ServerEntry& entry);
  // Empties the list for a catalogue rebuild. The selected and connected indices and the connected
  // row are forgotten (their rows are gone); the connected server's name stays, so that the rebuild
  // marks its row again.
  void RemoveAllRows();
  int RowCount() const;
  toolkit::CControlUI* RowAt(int index) const;
  toolkit::CControlUI* RowById(RowId id) const;            // null when the row is gone
  RowId IdOf(const toolkit::CControlUI* row) const;         // 0 for a control that is no live row
  int IndexOf(const toolkit::CControlUI* row) const;        // -1 for a control that is no row
  // The text of a named sub-control of a row ("serv_name", "serv_ip", "conn_type", "area", ...);
  // empty when the row or the sub-control is absent.
  std::wstring RowText(const toolkit::CControlUI* row, const std::wstring& subName) const;
  void SetDelayText(toolkit::CControlUI* row, const std::wstring& text);

  // Shows the rows of one area (101: every row); hidden rows keep their place and index.
  void Filter(int areaCode);

  enum class AreaClick {
    EmptyList,  // no rows and no connection: "str_no" is shown; the window resets protocol and route
    Busy,       // a connection is being made or held: the filter changed, nothing else
    Selected,   // a row was selected (or none could be)
    Ignored,    // not an area option name: nothing changed
  };
  // A click on an area option: filters by its area and selects the first row of the area. Under
  // "allopt" that is row firstRowForAll (the size of the free group for accounts of service id
  // "11", else 0), or row 0 when there is no such row.
  AreaClick ClickAreaOption(const std::wstring& optionName, int firstRowForAll);

  // A click on a sortable header (server_header, delay_header, usagerate_header): sorts ascending
  // when the header's tag is 0, descending otherwise, then flips the tag. Other headers do nothing.
  // Rows with equal keys, and rows that take no part (no delay measured yet), keep their previous
  // order; the selected and the connected index follow their rows.
  void Sort(toolkit::CControlUI& header);

  // "itemselect" from the list. Null while a connection is being made or held (nothing changes).
  // Otherwise the old row is marked normal and the list's selection becomes the selected row, the
  // current node and the selected area; returns that row.
  toolkit::CControlUI* OnItemSelect();
  // Selects a row of the list (-1: none); false when the row cannot be selected.
  bool SelectRow(int index, bool takeFocus = true);
  void Lock(bool locked);
  bool IsLocked() const { return locked_; }
  void MarkNormal(toolkit::CControlUI* row);
  void MarkSelected(toolkit::CControlUI* row);

  // The row of the current connection; null when none was set or its row is gone.
  toolkit::CControlUI* ConnectedRow() const { return RowById(connectedRowId_); }
  void SetConnectedRow(toolkit::CControlUI* row) { connectedRowId_ = IdOf(row); }

  // Sets the current node name and shows it in curnode.
  void ShowCurrentNode(const std::wstring& name);

  // List state, read and written by the window.
  int selectedIndex = -1;
  int connectedIndex = -1;
  std::wstring currentAreaOption = L"allopt";
  std::wstring selectedArea;
  std::wstring connectedServerName;
  std::wstring currentNodeName;

 private:
  struct LiveRow {
    toolkit::CControlUI* row = nullptr;
    std::weak_ptr<const bool> life;   // expires when the list deletes the row
  };

  bool Busy() const { return busy_ && busy_(); }
  bool Shown(const toolkit::CControlUI* row) const;
  void ApplyOrder(const std::vector<toolkit::CControlUI*>& order);

  toolkit::CListUI& list_;
  toolkit::CControlUI* curnode_;
  toolkit::CContainerUI* conn_;
  std::function<bool()> busy_;
  bool locked_ = false;
  RowId nextId_ = 1;
  RowId connectedRowId_ = 0;
  std::unordered_map<RowId, LiveRow> rows_;
  std::unordered_map<const toolkit::CControlUI*, RowId> ids_;
};

}  // namespace nimbrook
