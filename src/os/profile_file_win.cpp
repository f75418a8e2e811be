#include <windows.h>

#include <vector>

#include "core/text.h"
#include "os/profile_file.h"

namespace nimbrook::os {
namespace {

class WinProfileFiles final : public ProfileFiles {
 public:
  std::wstring ReadString(const std::wstring& file, const std::wstring& section, const std::wstring& key,
                          const std::wstring& fallback, size_t capacity) override {
    std::vector<wchar_t> buffer(capacity ? capacity : 1, L'\0');
    const DWORD got = GetPrivateProfileStringW(section.c_str(), key.c_str(), fallback.c_str(), buffer.data(),
                                               static_cast<DWORD>(buffer.size()), file.c_str());
    return std::wstring(buffer.data(), got);
  }

  bool WriteString(const std::wstring& file, const std::wstring& section, const std::wstring& key,
                   const std::wstring& value) override {
    return WritePrivateProfileStringW(section.c_str(), key.c_str(), value.c_str(), file.c_str()) != FALSE;
  }

  // The narrow calls go through the wide API with the wide path: a narrow path would be the path in
  // the ANSI code page, which cannot name a folder such as "C:\Users\Ωmega" on a 936 or 1252 system.
  // Values stay narrow text in the ANSI code page, and the file keeps its encoding on disk (the wide
  // API writes an ANSI file in the ANSI code page, as the narrow one does).
  std::string ReadStringA(const std::wstring& file, const std::string& section, const std::string& key,
                          const std::string& fallback, size_t capacity) override {
    if (capacity == 0) return {};
    const std::wstring wide = ReadString(file, text::FromAnsi(section), text::FromAnsi(key), text::FromAnsi(fallback),
                                         capacity);
    // At most capacity - 1 bytes, as the narrow API gives, without splitting a double-byte character.
    std::string narrow = text::ToAnsi(wide);
    if (narrow.size() < capacity) return narrow;
    narrow.clear();
    for (size_t i = 0; i < wide.size();) {
      const size_t units = (wide[i] >= 0xD800 && wide[i] < 0xDC00 && i + 1 < wide.size()) ? 2 : 1;
      const std::string character = text::ToAnsi(std::wstring_view(wide).substr(i, units));
      if (narrow.size() + character.size() > capacity - 1) break;
      narrow += character;
      i += units;
    }
    return narrow;
  }

  bool WriteStringA(const std::wstring& file, const std::string& section, const std::string& key,
                    const std::string& value) override {
    return WriteString(file, text::FromAnsi(section), text::FromAnsi(key), text::FromAnsi(value));
  }

  std::vector<std::wstring> ReadSection(const std::wstring& file, const std::wstring& section,
                                        size_t capacity) override {
    std::vector<wchar_t> buffer(capacity ? capacity : 2, L'\0');
    const DWORD got = GetPrivateProfileSectionW(section.c_str(), buffer.data(), static_cast<DWORD>(buffer.size()),
                                                file.c_str());
    std::vector<std::wstring> entries;
    size_t start = 0;
    for (size_t i = 0; i < got; ++i) {
      if (buffer[i] == L'\0') {
        if (i > start) entries.emplace_back(buffer.data() + start, i - start);
        start = i + 1;
      }
    }
    if (start < got) entries.emplace_back(buffer.data() + start, got - start);
    return entries;
  }
};

}  // namespace

ProfileFiles& SystemProfile() {
  static WinProfileFiles profile;
  return profile;
}

}  // namespace nimbrook::os
