// INI parsing for the data directory.
#include "ini_file.h"

#include <cctype>
#include <fstream>
#include <sstream>

namespace nimbrook::service {

bool EqualsNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) return false;
  }
  return true;
}

std::string Trim(std::string_view text) {
  const auto first = text.find_first_not_of(" \t\r\n");
  if (first == std::string_view::npos) return {};
  const auto last = text.find_last_not_of(" \t\r\n");
  return std::string(text.substr(first, last - first + 1));
}

const std::string* IniSection::Find(std::string_view key) const {
  for (const auto& [k, v] : entries) {
    if (EqualsNoCase(k, key)) return &v;
  }
  return nullptr;
}

std::string IniSection::Value(std::string_view key, std::string_view fallback) const {
  const std::string* value = Find(key);
  return value ? *value : std::string(fallback);
}

const IniSection* IniFile::Find(std::string_view section) const {
  for (const auto& s : sections) {
    if (EqualsNoCase(s.name, section)) return &s;
  }
  return nullptr;
}

std::string IniFile::Value(std::string_view section, std::string_view key, std::string_view fallback) const {
  const IniSection* s = Find(section);
  return s ? s->Value(key, fallback) : std::string(fallback);
}

IniFile ParseIni(std::string_view text) {
  if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
  IniFile ini;
  IniSection* current = nullptr;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    const std::string line = Trim(text.substr(start, end - start));
    start = end + 1;
    if (line.empty() || line[0] == ';' || line[0] == '#') continue;
    if (line.front() == '[') {
      const auto close = line.find(']');
      const std::string name = Trim(line.substr(1, close == std::string::npos ? std::string::npos : close - 1));
      current = nullptr;
      for (auto& s : ini.sections) {
        if (EqualsNoCase(s.name, name)) current = &s;
      }
      if (!current) {
        ini.sections.push_back(IniSection{name, {}});
        current = &ini.sections.back();
      }
      continue;
    }
    const auto eq = line.find('=');
    if (!current || eq == std::string::npos) continue;
    std::string key = Trim(std::string_view(line).substr(0, eq));
    if (key.empty()) continue;
    current->entries.emplace_back(std::move(key), Trim(std::string_view(line).substr(eq + 1)));
  }
  return ini;
}

bool LoadIni(const std::filesystem::path& path, IniFile& ini) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::ostringstream buffer;
  buffer << in.rdbuf();
  ini = ParseIni(buffer.str());
  return true;
}

}  // namespace nimbrook::service
