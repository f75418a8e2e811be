// The accepted login answer: "yes|" + account head + "_" + naslist. Splits it, reads the account
// head, and looks up a field ("key,value", fields joined by "|") of the head or of a server entry.
#pragma once

#include <string>
#include <string_view>

namespace nimbrook {

// Views into the answer text: valid while that text is.
struct SplitAnswer {
  std::wstring_view head;     // from index 4 up to the first "_"
  std::wstring_view naslist;  // everything after the first "_"
};

// Skips the first four characters (the "yes|" marker). Only the first "_" separates; the naslist
// may hold further "_" characters. An answer without "_" has an empty head and the whole text after
// the first four characters as its naslist; an answer of four characters or fewer splits into two
// empty texts.
SplitAnswer SplitLoginAnswer(std::wstring_view answer);

// The value of the first field named key: the characters after "key," up to the next "|" or the end.
// The key must be a whole field name (at the start or after a "|"); a key that only occurs inside
// another field's value is not a match. Empty when the text has no such field.
std::wstring EntryValue(std::wstring_view entry, std::wstring_view key);

struct AccountHead {
  std::wstring srvtype;     // account type
  std::wstring expiration;  // "Y-M-D h:m:s"
  std::wstring srvid;       // the account's service id
};

AccountHead ReadAccountHead(std::wstring_view head);

}  // namespace nimbrook
