#include "core/languages.h"

#include <mutex>
#include <utility>

#include "core/paths.h"
#include "core/text.h"
#include "os/profile_file.h"
#include "os/system_locale.h"

namespace nimbrook {

std::wstring LanguageForLcid(unsigned long lcid) {
  switch (lcid) {
    case 1028:
      return L"cht";
    case 2052:
      return L"chs";
    default:
      return L"eng";
  }
}

bool IsLanguageCode(const std::wstring& code) { return code == L"eng" || code == L"chs" || code == L"cht"; }

LanguageEntries LanguageTable::Parse(const std::vector<std::wstring>& lines) {
  LanguageEntries entries;
  for (const std::wstring& line : lines) {
    const std::wstring entry = line.substr(0, kLanguageEntryMaxLength);
    if (entry.empty()) continue;
    const size_t eq = entry.find(L'=');
    if (eq == std::wstring::npos) {
      entries.emplace(entry, entry);
    } else {
      entries.emplace(entry.substr(0, eq), entry.substr(eq + 1));  // emplace keeps the first entry
    }
  }
  return entries;
}

LanguageTable::LanguageTable(os::ProfileFiles& profile)
    : profile_(profile), table_(std::make_shared<const LanguageEntries>()) {}

std::wstring LanguageTable::Select(const std::wstring& code, const std::wstring& languageDir) {
  std::wstring chosen = L"eng";
  for (const wchar_t* known : {L"eng", L"chs", L"cht"}) {
    if (text::EqualsIgnoreCase(code, known)) chosen = known;
  }
  std::unique_lock<std::shared_mutex> guard(lock_);
  code_ = chosen;
  path_ = JoinPath(languageDir, chosen + L".lng");
  return chosen;
}

size_t LanguageTable::Load() {
  const std::wstring path = FilePath();
  auto table = std::make_shared<const LanguageEntries>(
      path.empty() ? LanguageEntries() : Parse(profile_.ReadSection(path, kLanguageSection, kLanguageBlockCapacity)));
  const size_t size = table->size();
  std::unique_lock<std::shared_mutex> guard(lock_);
  table_.swap(table);  // the old table is freed after the lock is released
  return size;
}

void LanguageTable::Assign(LanguageEntries entries) {
  auto table = std::make_shared<const LanguageEntries>(std::move(entries));
  std::unique_lock<std::shared_mutex> guard(lock_);
  table_.swap(table);  // the old table is freed after the lock is released
}

std::wstring LanguageTable::Current() const {
  std::shared_lock<std::shared_mutex> guard(lock_);
  return code_;
}

std::wstring LanguageTable::FilePath() const {
  std::shared_lock<std::shared_mutex> guard(lock_);
  return path_;
}

size_t LanguageTable::Size() const {
  std::shared_lock<std::shared_mutex> guard(lock_);
  return table_->size();
}

std::wstring LanguageTable::Text(const std::wstring& id) const {
  std::shared_ptr<const LanguageEntries> table;
  {
    std::shared_lock<std::shared_mutex> guard(lock_);
    table = table_;  // keeps this table alive even if a switch replaces it meanwhile
  }
  const auto found = table->find(id);
  return found == table->end() ? id : found->second;
}

LanguageTable& ProcessLanguages() {
  static LanguageTable table(os::SystemProfile());
  return table;
}

std::wstring SystemLanguage() { return LanguageForLcid(os::SystemDefaultLcid()); }

bool StoreSystemLanguage(os::ProfileFiles& profile, const std::wstring& configDir) {
  return profile.WriteString(JoinPath(configDir, L"config.ini"), L"Setting", L"language", SystemLanguage());
}

bool StoreSystemLanguage() { return StoreSystemLanguage(os::SystemProfile(), Paths().configDir); }

void SelectLanguage(const std::wstring& code) { ProcessLanguages().Select(code, Paths().languageDir); }

void LoadLanguage() { ProcessLanguages().Load(); }

std::wstring CurrentLanguage() { return ProcessLanguages().Current(); }

std::wstring Text(const std::wstring& id) { return ProcessLanguages().Text(id); }

}  // namespace nimbrook
