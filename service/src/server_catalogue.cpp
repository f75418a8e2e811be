// The naslist.
#include "server_catalogue.h"

#include <fstream>

#include "ini_file.h"

namespace nimbrook::service {
namespace {

constexpr std::string_view kFreeKeyword = "\xE5\x85\x8D\xE8\xB4\xB9";  // 免费

// Calls visit(start, end) for each "|"-separated field of the entry.
template <typename Visit>
void ForEachField(std::string_view entry, Visit visit) {
  size_t start = 0;
  while (start <= entry.size()) {
    size_t end = entry.find('|', start);
    if (end == std::string_view::npos) end = entry.size();
    if (visit(start, end)) return;
    start = end + 1;
  }
}

}  // namespace

bool LoadCatalogue(const std::filesystem::path& path, std::vector<std::string>& entries, std::string& error) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    error = "cannot read catalogue " + path.string();
    return false;
  }
  entries.clear();
  std::string line;
  int number = 0;
  while (std::getline(in, line)) {
    ++number;
    if (number == 1 && line.compare(0, 3, "\xEF\xBB\xBF") == 0) line.erase(0, 3);
    const std::string entry = Trim(line);
    if (entry.empty() || entry[0] == '#') continue;
    if (entry.find(';') != std::string::npos) {
      error = path.string() + ":" + std::to_string(number) + ": an entry cannot hold ';'";
      return false;
    }
    entries.push_back(entry);
  }
  return true;
}

std::string EntryField(std::string_view entry, std::string_view key) {
  std::string value;
  ForEachField(entry, [&](size_t start, size_t end) {
    const std::string_view field = entry.substr(start, end - start);
    const size_t comma = field.find(',');
    if (comma != std::string_view::npos && field.substr(0, comma) == key) {
      value = std::string(field.substr(comma + 1));
      return true;
    }
    return false;
  });
  return value;
}

std::string SetEntryField(std::string_view entry, std::string_view key, std::string_view value) {
  std::string out;
  bool replaced = false;
  ForEachField(entry, [&](size_t start, size_t end) {
    std::string_view field = entry.substr(start, end - start);
    const size_t comma = field.find(',');
    if (!out.empty() || start > 0) out += '|';
    if (comma != std::string_view::npos && field.substr(0, comma) == key && !replaced) {
      out += std::string(key) + "," + std::string(value);
      replaced = true;
    } else {
      out += field;
    }
    return false;
  });
  if (!replaced) out += "|" + std::string(key) + "," + std::string(value);
  return out;
}

std::string BuildNaslist(const std::vector<std::string>& entries, bool fullAccess) {
  std::string naslist;
  for (const auto& entry : entries) {
    if (!naslist.empty()) naslist += ';';
    const bool freeServer = EntryField(entry, "area").find(kFreeKeyword) != std::string::npos;
    naslist += fullAccess || freeServer ? entry : SetEntryField(entry, "allow", "-1");
  }
  return naslist;
}

}  // namespace nimbrook::service
