// The server catalogue sent in the login answer (the naslist): data/catalogue/<file> holds one
// server entry per line in the wire form "area,香港|nasname,..|IP,..|info,..|allow,..|onlineusers,..|
// maxusers,..|connecttype,PPTP=1723#..."; the entries are joined with ";". An account without full
// access (free type, or expired) gets allow -1 on every server whose area is not a free one.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace nimbrook::service {

// Reads the entries of a catalogue file (blank lines and lines starting with "#" skipped). False
// with an error text when it cannot be read or an entry holds ";".
[[nodiscard]] bool LoadCatalogue(const std::filesystem::path& path, std::vector<std::string>& entries,
                                 std::string& error);

// The naslist for an account.
std::string BuildNaslist(const std::vector<std::string>& entries, bool fullAccess);

// The value of a field of an entry ("" when absent); fields are matched by their whole key.
std::string EntryField(std::string_view entry, std::string_view key);

// The entry with the field's value replaced (or appended when the entry lacks it).
std::string SetEntryField(std::string_view entry, std::string_view key, std::string_view value);

}  // namespace nimbrook::service
