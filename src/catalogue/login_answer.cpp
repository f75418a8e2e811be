#include "catalogue/login_answer.h"

namespace nimbrook {

SplitAnswer SplitLoginAnswer(std::wstring_view answer) {
  SplitAnswer result;
  if (answer.size() <= 4) return result;
  const std::wstring_view rest = answer.substr(4);
  const size_t p = rest.find(L'_');
  if (p == std::wstring_view::npos) {
    result.naslist = rest;
    return result;
  }
  result.head = rest.substr(0, p);
  result.naslist = rest.substr(p + 1);
  return result;
}

std::wstring EntryValue(std::wstring_view entry, std::wstring_view key) {
  if (key.empty()) return {};
  // Only a whole field name counts: at the start of the text or right after a "|", followed by ",".
  // A key met inside another field's value ("info,no allow here") is passed over.
  for (size_t k = entry.find(key); k != std::wstring_view::npos; k = entry.find(key, k + 1)) {
    const size_t c = k + key.size();
    if ((k != 0 && entry[k - 1] != L'|') || c >= entry.size() || entry[c] != L',') continue;
    const size_t e = entry.find(L'|', c);
    const size_t end = e == std::wstring_view::npos ? entry.size() : e;
    return std::wstring(entry.substr(c + 1, end - c - 1));
  }
  return {};
}

AccountHead ReadAccountHead(std::wstring_view head) {
  AccountHead result;
  result.srvtype = EntryValue(head, L"srvtype");
  result.expiration = EntryValue(head, L"expiration");
  result.srvid = EntryValue(head, L"srvid");
  return result;
}

}  // namespace nimbrook
