#include "main_window/server_list_view.h"

#include <algorithm>
#include <cstdint>
#include <utility>

#include "catalogue/catalogue.h"
#include "core/languages.h"
#include "core/text.h"
#include "main_window/server_rows.h"
#include "toolkit/vertical_layout.h"

namespace nimbrook {

using namespace toolkit;

namespace {

// The controls inside "conn" that cannot be changed while the list is locked.
constexpr const wchar_t* kLockedChoices[] = {L"PPTP",      L"L2TP",      L"OVPN-UDP", L"OVPN-TCP", L"OVPN-UDP+",
                                             L"OVPN-TCP+", L"IPSEC",     L"SSTP",     L"NULL",     L"route_ipscope"};

enum class SortKey { Name, Delay, Load };

// The leading number of a text's first `length` characters, as the C library reads it.
int32_t LeadingNumber(const std::wstring& text, size_t length) {
  return static_cast<int32_t>(text::LeadingInteger(text::ToAnsi(std::wstring_view(text).substr(0, length))));
}

// The first UTF-16 code unit of a text as a number (0 for an empty text).
int32_t FirstCodeUnit(const std::wstring& text) {
  if (text.empty()) return 0;
  const auto c = static_cast<uint32_t>(text[0]);
  return static_cast<int32_t>(c > 0xFFFF ? 0xD800 + ((c - 0x10000) >> 10) : c);
}

}  // namespace

ServerListView::ServerListView(CListUI& list, CControlUI* curnode, CContainerUI* conn, std::function<bool()> busy)
    : currentNodeName(Text(L"str_no")), list_(list), curnode_(curnode), conn_(conn), busy_(std::move(busy)) {}

RowId ServerListView::AddRow(const ServerEntry& entry) {
  BuiltServerRow built = BuildServerRow(entry);
  CControlUI* row = built.row.get();
  if (!list_.Add(built.row.release())) return 0;
  const RowId id = nextId_++;
  rows_[id] = {row, row->GetLifeToken()};
  ids_[row] = id;

  // An empty name never identifies the connected server: a nameless entry must not lock the list.
  if (!connectedServerName.empty() && entry.nasname == connectedServerName) {
    const int index = RowCount() - 1;
    // Another row of the same name marked earlier gives the mark up.
    if (selectedIndex != index) MarkNormal(RowAt(selectedIndex));
    selectedIndex = index;
    connectedIndex = index;
    (void)SelectRow(index, true);
    connectedRowId_ = id;
    Lock(true);
    MarkSelected(row);
  }
  return id;
}

void ServerListView::RemoveAllRows() {
  list_.RemoveAll();
  rows_.clear();
  ids_.clear();
  selectedIndex = -1;
  connectedIndex = -1;
  connectedRowId_ = 0;
}

int ServerListView::RowCount() const { return list_.GetCount(); }

CControlUI* ServerListView::RowAt(int index) const { return list_.GetItemAt(index); }

CControlUI* ServerListView::RowById(RowId id) const {
  auto it = rows_.find(id);
  if (it == rows_.end() || it->second.life.expired()) return nullptr;
  return it->second.row;
}

RowId ServerListView::IdOf(const CControlUI* row) const {
  if (!row) return 0;
  auto it = ids_.find(row);
  if (it == ids_.end()) return 0;
  // A freed row's address may have been reused by another control.
  return RowById(it->second) == row ? it->second : 0;
}

int ServerListView::IndexOf(const CControlUI* row) const {
  return row ? list_.GetItemIndex(const_cast<CControlUI*>(row)) : -1;
}

std::wstring ServerListView::RowText(const CControlUI* row, const std::wstring& subName) const {
  if (!row) return {};
  const CControlUI* sub = const_cast<CControlUI*>(row)->FindSubControl(subName);
  return sub ? sub->GetText() : std::wstring();
}

void ServerListView::SetDelayText(CControlUI* row, const std::wstring& text) {
  if (!row) return;
  if (CControlUI* delay = row->FindSubControl(kRowDelay)) delay->SetText(text);
}

void ServerListView::Filter(int areaCode) {
  for (int i = 0; i < RowCount(); ++i) {
    CControlUI* row = RowAt(i);
    row->SetVisible(areaCode == kAreaAll || row->GetTag() == static_cast<uintptr_t>(areaCode));
  }
}

ServerListView::AreaClick ServerListView::ClickAreaOption(const std::wstring& optionName, int firstRowForAll) {
  const int code = AreaCodeOfOption(optionName);
  if (code == kNoAreaCode) return AreaClick::Ignored;
  currentAreaOption = optionName;
  Filter(code);
  const bool busy = Busy();
  if (RowCount() == 0 && !busy) {
    ShowCurrentNode(Text(L"str_no"));
    return AreaClick::EmptyList;
  }
  if (busy) return AreaClick::Busy;
  int target = 0;
  if (code == kAreaAll) {
    target = firstRowForAll >= 0 && firstRowForAll < RowCount() ? firstRowForAll : 0;
  } else {
    // The area's first row: rows of other areas stay in place, hidden, so row 0 is rarely one of them.
    target = -1;
    for (int i = 0; i < RowCount() && target < 0; ++i) {
      if (Shown(RowAt(i))) target = i;
    }
  }
  (void)SelectRow(target, true);
  return AreaClick::Selected;
}

void ServerListView::Sort(CControlUI& header) {
  SortKey key;
  const std::wstring& name = header.GetName();
  if (name == L"server_header") key = SortKey::Name;
  else if (name == L"delay_header") key = SortKey::Delay;
  else if (name == L"usagerate_header") key = SortKey::Load;
  else return;
  const bool ascending = header.GetTag() == 0;

  std::vector<std::pair<int32_t, CControlUI*>> keyed;
  std::vector<CControlUI*> unkeyed;   // no delay measured, timed out or under one millisecond
  keyed.reserve(RowCount());
  for (int i = 0; i < RowCount(); ++i) {
    CControlUI* row = RowAt(i);
    if (key == SortKey::Name) {
      keyed.emplace_back(FirstCodeUnit(RowText(row, kRowName)), row);
    } else if (key == SortKey::Delay) {
      const std::wstring delay = RowText(row, kRowDelay);
      const size_t ms = delay.find(L"ms");
      if (ms == std::wstring::npos || delay.find(L"小于") != std::wstring::npos) {
        unkeyed.push_back(row);
      } else {
        keyed.emplace_back(LeadingNumber(delay, ms + 1), row);
      }
    } else {
      const std::wstring percent = RowText(row, kRowPercent);
      const size_t sign = percent.find(L'%');
      if (sign == std::wstring::npos) {
        unkeyed.push_back(row);
      } else {
        keyed.emplace_back(LeadingNumber(percent, sign + 1), row);
      }
    }
  }
  // Stable: rows with equal keys keep the order the user saw, so sorting twice changes nothing.
  std::stable_sort(keyed.begin(), keyed.end(), [ascending](const auto& x, const auto& y) {
    return ascending ? x.first < y.first : y.first < x.first;
  });
  std::vector<CControlUI*> order;
  order.reserve(RowCount());
  for (const auto& k : keyed) order.push_back(k.second);
  order.insert(order.end(), unkeyed.begin(), unkeyed.end());

  CControlUI* selected = RowAt(selectedIndex);
  CControlUI* connected = RowAt(connectedIndex);
  ApplyOrder(order);
  // The indices name rows, not places: the next selection unmarks the right row, and the end of a
  // connection reselects the connected server.
  if (selected) selectedIndex = IndexOf(selected);
  if (connected) connectedIndex = IndexOf(connected);
  header.SetTag(header.GetTag() == 0 ? 1 : 0);
}

void ServerListView::ApplyOrder(const std::vector<CControlUI*>& order) {
  // The rows are put in order inside the list's body in one pass, with the selected row held at the
  // place the list's selection names; one move through the list then takes it to its place,
  // renumbers the rows once and lets the selection follow it.
  CVerticalLayoutUI* body = list_.GetList();
  const int selectedPlace = list_.GetCurSel();
  CControlUI* selected = RowAt(selectedPlace);
  std::vector<CControlUI*> staged = order;
  int selectedTarget = -1;
  if (selected) {
    selectedTarget = static_cast<int>(std::find(order.begin(), order.end(), selected) - order.begin());
    if (selectedTarget == static_cast<int>(order.size())) return;   // not a permutation of the rows
    staged.erase(staged.begin() + selectedTarget);
    staged.insert(staged.begin() + selectedPlace, selected);
  }
  if (!body->ReorderItems(staged)) return;   // not a permutation of the rows
  if (selected) {
    (void)list_.SetItemIndex(selected, selectedTarget);
  } else if (!order.empty()) {
    (void)list_.SetItemIndex(order.front(), 0);   // already there: only renumbers
  }
}

CControlUI* ServerListView::OnItemSelect() {
  if (Busy()) return nullptr;
  const int current = list_.GetCurSel();
  CControlUI* row = RowAt(current);
  if (!row) return nullptr;
  MarkNormal(RowAt(selectedIndex));
  selectedIndex = current;
  MarkSelected(row);
  ShowCurrentNode(RowText(row, kRowName));
  selectedArea = RowText(row, kRowArea);
  return row;
}

bool ServerListView::SelectRow(int index, bool takeFocus) { return list_.SelectItem(index, takeFocus); }

void ServerListView::Lock(bool locked) {
  locked_ = locked;
  list_.SetMouseChildEnabled(!locked);
  if (!locked) {
    // The connected server is selected again when the current filter shows it (under "allopt" it
    // always does); otherwise nothing is selected.
    (void)SelectRow(Shown(RowAt(connectedIndex)) ? connectedIndex : -1, true);
  }
  if (!conn_) return;
  for (const wchar_t* name : kLockedChoices) {
    if (CControlUI* control = conn_->FindSubControl(name)) control->SetEnabled(!locked);
  }
}

void ServerListView::MarkNormal(CControlUI* row) {
  if (row) MarkRowNormal(*row);
}

void ServerListView::MarkSelected(CControlUI* row) {
  if (row) MarkRowSelected(*row);
}

void ServerListView::ShowCurrentNode(const std::wstring& name) {
  currentNodeName = name;
  if (curnode_) curnode_->SetText(name);
}

bool ServerListView::Shown(const CControlUI* row) const { return row && row->GetVisibleFlag(); }

}  // namespace nimbrook
