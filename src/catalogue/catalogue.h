// The server catalogue held by the main window: the naslist's entries in order and the nine area
// groups (all, free, America, Japan, Hong Kong, Taiwan, Korea, China, Europe) as entry indices.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "catalogue/server_entry.h"

namespace nimbrook {

struct AreaGroup {
  int code;                  // AreaCode, 101..109
  const wchar_t* keyword;    // searched in the area field; empty for "all"
  const wchar_t* optionName; // the option control of the area filter
};

// The nine groups in the order of their codes.
inline constexpr std::array<AreaGroup, 9> kAreaGroupTable = {{
    {kAreaAll, L"", L"allopt"},
    {kAreaFree, L"免费", L"freeopt"},
    {kAreaAmerica, L"美国", L"americaopt"},
    {kAreaJapan, L"日本", L"japopt"},
    {kAreaHongKong, L"香港", L"hkopt"},
    {kAreaTaiwan, L"台湾", L"Taiwanopt"},
    {kAreaKorea, L"韩国", L"Koreaopt"},
    {kAreaChina, L"中国", L"Chinaopt"},
    {kAreaEurope, L"欧洲", L"Europeopt"},
}};

// The area code of an option control name; kNoAreaCode for an unknown name.
int AreaCodeOfOption(std::wstring_view optionName);

// Indices into the catalogue's entries, one list per area code 101..109, each in naslist order.
struct AreaGroups {
  std::array<std::vector<size_t>, 9> members;

  const std::vector<size_t>& Group(int areaCode) const;  // an empty list for codes outside 101..109
  void Clear();
};

// The group of an entry besides "all", decided by its first field (the text before its first "|",
// key and comma included): the first of 免费, 美国, 日本, 香港, 台湾, 韩国, 中国, 欧洲 it contains.
// kNoAreaCode when it contains none.
int EntryGroupCode(std::wstring_view entry);

// The catalogue keeps one copy of the naslist; its entries are views into that copy (valid until the
// next Rebuild or Clear), and its groups hold entry indices.
class Catalogue {
 public:
  Catalogue() = default;
  Catalogue(const Catalogue&) = delete;  // the entries would still view the other's text
  Catalogue& operator=(const Catalogue&) = delete;
  Catalogue(Catalogue&&) = default;  // the text moves with its buffer, so the views stay valid
  Catalogue& operator=(Catalogue&&) = default;

  // Empties the catalogue and fills it from a naslist: entries separated by ";", a trailing ";"
  // makes no entry, two adjacent ";" make an empty entry (in group "all" only). Each entry goes to
  // group "all" and to at most one area group (EntryGroupCode).
  void Rebuild(std::wstring_view naslist);
  void Clear();

  const std::vector<ServerEntry>& Entries() const { return entries_; }
  const AreaGroups& Groups() const { return groups_; }

 private:
  std::vector<wchar_t> text_;  // a vector, not a string: moving it never moves its characters
  std::vector<ServerEntry> entries_;
  AreaGroups groups_;
};

}  // namespace nimbrook
