// Profile files kept in memory: the same rules as the profile API (case-insensitive section and key
// names, one text behind the narrow and the wide calls) without touching a file. The companion CLI
// keeps settings here that must not change the program directory's config.ini.
#pragma once

#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "os/profile_file.h"

namespace nimbrook {

class MemoryProfileFiles final : public os::ProfileFiles {
 public:
  std::wstring ReadString(const std::wstring& file, const std::wstring& section, const std::wstring& key,
                          const std::wstring& fallback, size_t capacity) override;
  bool WriteString(const std::wstring& file, const std::wstring& section, const std::wstring& key,
                   const std::wstring& value) override;
  // Narrow values are the wide ones in the system code page, as with the real API.
  std::string ReadStringA(const std::wstring& file, const std::string& section, const std::string& key,
                          const std::string& fallback, size_t capacity) override;
  bool WriteStringA(const std::wstring& file, const std::string& section, const std::string& key,
                    const std::string& value) override;
  // "key=value" lines in the order the keys were first written, within capacity characters (each
  // line counted with its terminating NUL, as in the API's block).
  std::vector<std::wstring> ReadSection(const std::wstring& file, const std::wstring& section,
                                        size_t capacity) override;

 private:
  struct Entry {
    std::wstring key;  // as first written
    std::wstring value;
  };
  struct Section {
    std::wstring name;  // as first written
    std::vector<Entry> entries;
  };

  Section* FindSection(const std::wstring& file, const std::wstring& section);

  std::mutex lock_;
  std::map<std::wstring, std::vector<Section>> files_;  // by file path as given
};

}  // namespace nimbrook
