#include "catalogue/catalogue.h"

#include <algorithm>

namespace nimbrook {

int AreaCodeOfOption(std::wstring_view optionName) {
  for (const AreaGroup& group : kAreaGroupTable) {
    if (optionName == group.optionName) return group.code;
  }
  return kNoAreaCode;
}

const std::vector<size_t>& AreaGroups::Group(int areaCode) const {
  static const std::vector<size_t> kNone;
  if (areaCode < kAreaAll || areaCode > kAreaEurope) return kNone;
  return members[static_cast<size_t>(areaCode - kAreaAll)];
}

void AreaGroups::Clear() {
  for (auto& group : members) group.clear();
}

int EntryGroupCode(std::wstring_view entry) {
  const size_t bar = entry.find(L'|');
  return AreaCodeOf(bar == std::wstring_view::npos ? entry : entry.substr(0, bar));
}

void Catalogue::Clear() {
  entries_.clear();
  groups_.Clear();
}

void Catalogue::AddEntry(std::wstring_view entry) {
  const size_t index = entries_.size();
  entries_.push_back(ParseServerEntry(entry));
  groups_.members[0].push_back(index);
  const int code = EntryGroupCode(entry);
  if (code != kNoAreaCode) groups_.members[static_cast<size_t>(code - kAreaAll)].push_back(index);
}

void Catalogue::Rebuild(std::wstring_view naslist) {
  Clear();
  // One entry per ";" (plus a last one without): room for all of them at once, so the entries are
  // never moved while the list grows.
  const size_t count = static_cast<size_t>(std::count(naslist.begin(), naslist.end(), L';')) + 1;
  entries_.reserve(count);
  groups_.members[0].reserve(count);
  size_t start = 0;
  while (start < naslist.size()) {
    const size_t semicolon = naslist.find(L';', start);
    const size_t end = semicolon == std::wstring_view::npos ? naslist.size() : semicolon;
    AddEntry(naslist.substr(start, end - start));
    if (semicolon == std::wstring_view::npos) break;
    start = semicolon + 1;
  }
}

}  // namespace nimbrook
