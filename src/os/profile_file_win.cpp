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

  std::string ReadStringA(const std::wstring& file, const std::string& section, const std::string& key,
                          const std::string& fallback, size_t capacity) override {
    std::vector<char> buffer(capacity ? capacity : 1, '\0');
    const std::string narrowFile = text::ToAnsi(file);
    const DWORD got = GetPrivateProfileStringA(section.c_str(), key.c_str(), fallback.c_str(), buffer.data(),
                                               static_cast<DWORD>(buffer.size()), narrowFile.c_str());
    return std::string(buffer.data(), got);
  }

  bool WriteStringA(const std::wstring& file, const std::string& section, const std::string& key,
                    const std::string& value) override {
    const std::string narrowFile = text::ToAnsi(file);
    return WritePrivateProfileStringA(section.c_str(), key.c_str(), value.c_str(), narrowFile.c_str()) != FALSE;
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
