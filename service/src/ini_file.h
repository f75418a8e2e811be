// A small INI reader for the service's data directory: sections and keys in file order, compared
// without regard to case, values trimmed. Lines starting with ";" or "#" are comments.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace nimbrook::service {

struct IniSection {
  std::string name;
  std::vector<std::pair<std::string, std::string>> entries;  // key, value in file order

  // The value of key, or nullptr when the section has no such key (the first occurrence counts).
  const std::string* Find(std::string_view key) const;
  std::string Value(std::string_view key, std::string_view fallback = {}) const;
};

struct IniFile {
  std::vector<IniSection> sections;  // in file order; a repeated section name is merged into the first

  const IniSection* Find(std::string_view section) const;
  std::string Value(std::string_view section, std::string_view key, std::string_view fallback = {}) const;
};

// Parses UTF-8 text (a leading byte-order mark is skipped). Lines before the first section header
// and lines without "=" are ignored.
IniFile ParseIni(std::string_view text);

// Reads and parses a file; false when it cannot be read.
[[nodiscard]] bool LoadIni(const std::filesystem::path& path, IniFile& ini);

bool EqualsNoCase(std::string_view a, std::string_view b);
std::string Trim(std::string_view text);

}  // namespace nimbrook::service
