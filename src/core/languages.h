// Language tables: every text the client shows is looked up by its id in the table of the current
// language ("eng", "chs" or "cht"), loaded from section [String] of language\<code>.lng. The UI thread
// selects and loads; any thread may look texts up while it does.
#pragma once

#include <cstddef>
#include <map>
#include <memory>
#include <shared_mutex>
#include <string>
#include <vector>

namespace nimbrook {

namespace os {
class ProfileFiles;
}

inline constexpr wchar_t kLanguageSection[] = L"String";
// The block GetPrivateProfileSectionW fills, and the longest entry ("id=text") that is taken whole.
inline constexpr size_t kLanguageBlockCapacity = 40960;
inline constexpr size_t kLanguageEntryMaxLength = 1023;

// Ids to texts, ordered by ordinal comparison of the ids.
using LanguageEntries = std::map<std::wstring, std::wstring>;

// "cht" for 1028 (Chinese, Taiwan), "chs" for 2052 (Chinese, PRC), "eng" for every other locale.
std::wstring LanguageForLcid(unsigned long lcid);

// True for "eng", "chs" and "cht" exactly.
bool IsLanguageCode(const std::wstring& code);

// One language table with its current language. The process-wide instance sits behind the free
// functions below; tests make their own with the profile implementation they want.
class LanguageTable {
 public:
  explicit LanguageTable(os::ProfileFiles& profile);
  LanguageTable(const LanguageTable&) = delete;
  LanguageTable& operator=(const LanguageTable&) = delete;

  // Makes code the current language and languageDir + code + ".lng" its file; does not load it.
  // A code other than the three known ones (a hand-edited or damaged config.ini) selects "eng",
  // so that the windows never show bare ids; the known codes are accepted in any letter case.
  // Returns the code actually selected.
  std::wstring Select(const std::wstring& code, const std::wstring& languageDir);

  // Replaces the table with section [String] of the current language file. A missing file or section
  // (or no language selected yet) leaves the table empty. Returns the number of ids loaded.
  size_t Load();

  // Replaces the table with the given entries (for tests of the windows that show these texts).
  void Assign(LanguageEntries entries);

  std::wstring Current() const;
  std::wstring FilePath() const;
  size_t Size() const;

  // The text for id, or id itself when the table has none.
  std::wstring Text(const std::wstring& id) const;

  // Turns the entries of a GetPrivateProfileSectionW block into a table: each entry is cut to
  // kLanguageEntryMaxLength characters and split at its first "="; an entry without "=" is its own
  // text; the first entry of an id wins.
  static LanguageEntries Parse(const std::vector<std::wstring>& lines);

 private:
  os::ProfileFiles& profile_;
  mutable std::shared_mutex lock_;  // guards everything below
  std::wstring code_;
  std::wstring path_;
  std::shared_ptr<const LanguageEntries> table_;
};

// The process-wide table; it reads through os::SystemProfile().
LanguageTable& ProcessLanguages();

// The language of the system default locale.
std::wstring SystemLanguage();

// Writes SystemLanguage() as key "language" of section "Setting" in configDir + "config.ini"
// (the process's configuration directory when none is given); true when the write succeeded.
bool StoreSystemLanguage();
bool StoreSystemLanguage(os::ProfileFiles& profile, const std::wstring& configDir);

// The process-wide table, with the language directory of the process paths.
void SelectLanguage(const std::wstring& code);
void LoadLanguage();
std::wstring CurrentLanguage();
std::wstring Text(const std::wstring& id);

}  // namespace nimbrook
