// INI files read and written by the rules of the Windows profile API: sections and keys compared
// without case, values trimmed and stripped of one pair of surrounding quotes, files that start with a
// UTF-16LE byte-order mark read and written as UTF-16LE, every other file as narrow (ANSI) text.
#include <mutex>

#include "core/file_io.h"
#include "core/text.h"
#include "os/profile_file.h"

namespace nimbrook::os {
namespace {

struct IniText {
  bool utf16 = false;
  bool utf8Bom = false;  // kept on writing: a file must read the same after a value is written
  std::vector<std::wstring> lines;
};

std::wstring Trim(std::wstring_view s) {
  const auto first = s.find_first_not_of(L" \t");
  if (first == std::wstring_view::npos) return {};
  const auto last = s.find_last_not_of(L" \t");
  return std::wstring(s.substr(first, last - first + 1));
}

bool LoadIni(const std::wstring& path, IniText& ini) {
  std::string bytes;
  if (!ReadFileBytes(path, bytes)) return false;
  std::wstring content;
  if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF && static_cast<unsigned char>(bytes[1]) == 0xFE) {
    ini.utf16 = true;
    for (size_t i = 2; i + 1 < bytes.size(); i += 2) {
      content.push_back(static_cast<wchar_t>(static_cast<unsigned char>(bytes[i]) |
                                             (static_cast<unsigned char>(bytes[i + 1]) << 8)));
    }
    if constexpr (sizeof(wchar_t) == 4) content = text::FromUtf8(text::ToUtf8(content));  // join surrogate pairs
  } else if (bytes.size() >= 3 && bytes.compare(0, 3, "\xEF\xBB\xBF") == 0) {
    ini.utf8Bom = true;
    content = text::FromUtf8(std::string_view(bytes).substr(3));
  } else {
    content = text::FromAnsi(bytes);
  }
  size_t start = 0;
  while (start <= content.size()) {
    size_t end = content.find(L'\n', start);
    if (end == std::wstring::npos) end = content.size();
    std::wstring line = content.substr(start, end - start);
    if (!line.empty() && line.back() == L'\r') line.pop_back();
    ini.lines.push_back(std::move(line));
    if (end == content.size()) break;
    start = end + 1;
  }
  if (!ini.lines.empty() && ini.lines.back().empty()) ini.lines.pop_back();
  return true;
}

bool SaveIni(const std::wstring& path, const IniText& ini) {
  std::wstring content;
  for (const auto& line : ini.lines) content += line + L"\r\n";
  std::string bytes;
  if (ini.utf16) {
    bytes = "\xFF\xFE";
    std::wstring units = content;
    if constexpr (sizeof(wchar_t) == 4) {
      units.clear();
      for (wchar_t c : content) {
        auto cp = static_cast<char32_t>(c);
        if (cp >= 0x10000) {
          cp -= 0x10000;
          units.push_back(static_cast<wchar_t>(0xD800 + (cp >> 10)));
          units.push_back(static_cast<wchar_t>(0xDC00 + (cp & 0x3FF)));
        } else {
          units.push_back(c);
        }
      }
    }
    for (wchar_t c : units) {
      bytes.push_back(static_cast<char>(c & 0xFF));
      bytes.push_back(static_cast<char>((c >> 8) & 0xFF));
    }
  } else {
    bytes = (ini.utf8Bom ? "\xEF\xBB\xBF" : "") + text::ToAnsi(content);
  }
  return WriteFileBytes(path, bytes);
}

bool IsSectionHeader(const std::wstring& line, std::wstring* name) {
  const std::wstring trimmed = Trim(line);
  if (trimmed.size() < 2 || trimmed.front() != L'[') return false;
  const auto close = trimmed.find(L']');
  if (close == std::wstring::npos) return false;
  if (name) *name = Trim(std::wstring_view(trimmed).substr(1, close - 1));
  return true;
}

bool IsComment(const std::wstring& trimmed) { return !trimmed.empty() && trimmed.front() == L';'; }

// Splits a key line; false for blank lines and comments.
bool SplitEntry(const std::wstring& line, std::wstring& key, std::wstring& value, bool& hasValue) {
  const std::wstring trimmed = Trim(line);
  if (trimmed.empty() || IsComment(trimmed)) return false;
  const auto eq = trimmed.find(L'=');
  hasValue = eq != std::wstring::npos;
  key = hasValue ? Trim(std::wstring_view(trimmed).substr(0, eq)) : trimmed;
  value = hasValue ? Trim(std::wstring_view(trimmed).substr(eq + 1)) : std::wstring();
  return true;
}

// Index range [first, last) of the section's body lines; false when the section is missing.
bool FindSection(const IniText& ini, const std::wstring& section, size_t& first, size_t& last) {
  std::wstring name;
  for (size_t i = 0; i < ini.lines.size(); ++i) {
    if (IsSectionHeader(ini.lines[i], &name) && text::EqualsIgnoreCase(name, section)) {
      first = i + 1;
      last = first;
      while (last < ini.lines.size() && !IsSectionHeader(ini.lines[last], nullptr)) ++last;
      return true;
    }
  }
  return false;
}

std::wstring Unquote(const std::wstring& value) {
  if (value.size() >= 2 && (value.front() == L'"' || value.front() == L'\'') && value.back() == value.front()) {
    return value.substr(1, value.size() - 2);
  }
  return value;
}

std::wstring Truncate(std::wstring s, size_t capacity) {
  if (capacity == 0) return {};
  if (s.size() > capacity - 1) s.resize(capacity - 1);
  return s;
}

class PortableProfileFiles final : public ProfileFiles {
 public:
  std::wstring ReadString(const std::wstring& file, const std::wstring& section, const std::wstring& key,
                          const std::wstring& fallback, size_t capacity) override {
    std::lock_guard<std::mutex> guard(lock_);
    IniText ini;
    size_t first = 0, last = 0;
    if (LoadIni(file, ini) && FindSection(ini, section, first, last)) {
      for (size_t i = first; i < last; ++i) {
        std::wstring k, v;
        bool hasValue = false;
        if (SplitEntry(ini.lines[i], k, v, hasValue) && text::EqualsIgnoreCase(k, key)) {
          return Truncate(Unquote(v), capacity);
        }
      }
    }
    return Truncate(fallback, capacity);
  }

  bool WriteString(const std::wstring& file, const std::wstring& section, const std::wstring& key,
                   const std::wstring& value) override {
    std::lock_guard<std::mutex> guard(lock_);
    IniText ini;
    LoadIni(file, ini);  // a missing file starts empty
    const std::wstring line = key + L"=" + value;
    size_t first = 0, last = 0;
    if (!FindSection(ini, section, first, last)) {
      ini.lines.push_back(L"[" + section + L"]");
      ini.lines.push_back(line);
      return SaveIni(file, ini);
    }
    size_t insertAt = first;
    for (size_t i = first; i < last; ++i) {
      std::wstring k, v;
      bool hasValue = false;
      if (!SplitEntry(ini.lines[i], k, v, hasValue)) continue;
      if (text::EqualsIgnoreCase(k, key)) {
        ini.lines[i] = line;
        return SaveIni(file, ini);
      }
      insertAt = i + 1;
    }
    ini.lines.insert(ini.lines.begin() + static_cast<std::ptrdiff_t>(insertAt), line);
    return SaveIni(file, ini);
  }

  std::string ReadStringA(const std::wstring& file, const std::string& section, const std::string& key,
                          const std::string& fallback, size_t capacity) override {
    const std::wstring value = ReadString(file, text::FromAnsi(section), text::FromAnsi(key), text::FromAnsi(fallback),
                                          static_cast<size_t>(-1));
    std::string narrow = text::ToAnsi(value);
    if (capacity == 0) return {};
    if (narrow.size() > capacity - 1) narrow.resize(capacity - 1);
    return narrow;
  }

  bool WriteStringA(const std::wstring& file, const std::string& section, const std::string& key,
                    const std::string& value) override {
    return WriteString(file, text::FromAnsi(section), text::FromAnsi(key), text::FromAnsi(value));
  }

  std::vector<std::wstring> ReadSection(const std::wstring& file, const std::wstring& section,
                                        size_t capacity) override {
    std::lock_guard<std::mutex> guard(lock_);
    std::vector<std::wstring> entries;
    IniText ini;
    size_t first = 0, last = 0;
    if (!LoadIni(file, ini) || !FindSection(ini, section, first, last)) return entries;
    size_t used = 0;
    for (size_t i = first; i < last; ++i) {
      std::wstring k, v;
      bool hasValue = false;
      if (!SplitEntry(ini.lines[i], k, v, hasValue)) continue;
      std::wstring entry = hasValue ? k + L"=" + v : k;
      // The block holds each entry and its terminator, and one final terminator.
      if (used + entry.size() + 2 > capacity) break;
      used += entry.size() + 1;
      entries.push_back(std::move(entry));
    }
    return entries;
  }

 private:
  std::mutex lock_;
};

}  // namespace

std::unique_ptr<ProfileFiles> MakePortableProfileFiles() { return std::make_unique<PortableProfileFiles>(); }

#ifndef _WIN32
ProfileFiles& SystemProfile() {
  static PortableProfileFiles profile;
  return profile;
}
#endif

}  // namespace nimbrook::os
