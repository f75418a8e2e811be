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
  text_.clear();
}

void Catalogue::Rebuild(std::wstring_view naslist) {
  // The copy is made before the old text goes: the naslist may be a view into it.
  std::vector<wchar_t> text(naslist.begin(), naslist.end());
  entries_.clear();
  groups_.Clear();
  const std::wstring_view list(text.data(), text.size());
  // One entry per ";" (plus a last one without): room for all of them at once.
  const size_t count = static_cast<size_t>(std::count(list.begin(), list.end(), L';')) + 1;
  entries_.reserve(count);
  groups_.members[0].reserve(count);
  size_t start = 0;
  while (start < list.size()) {
    const size_t semicolon = list.find(L';', start);
    const size_t end = semicolon == std::wstring_view::npos ? list.size() : semicolon;
    const std::wstring_view entry = list.substr(start, end - start);
    const size_t index = entries_.size();
    entries_.push_back(ParseServerEntry(entry));
    groups_.members[0].push_back(index);
    const int code = EntryGroupCode(entry);
    if (code != kNoAreaCode) groups_.members[static_cast<size_t>(code - kAreaAll)].push_back(index);
    if (semicolon == std::wstring_view::npos) break;
    start = semicolon + 1;
  }
  text_ = std::move(text);  // the buffer the entries view is handed over, not copied
}

}  // namespace nimbrook
