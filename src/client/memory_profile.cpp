#include "client/memory_profile.h"

#include <utility>

#include "core/text.h"

namespace nimbrook {
namespace {

std::wstring Truncate(std::wstring s, size_t capacity) {
  if (capacity == 0) return {};
  if (s.size() > capacity - 1) s.resize(capacity - 1);
  return s;
}

}  // namespace

MemoryProfileFiles::Section* MemoryProfileFiles::FindSection(const std::wstring& file, const std::wstring& section) {
  auto found = files_.find(file);
  if (found == files_.end()) return nullptr;
  for (Section& candidate : found->second) {
    if (text::EqualsIgnoreCase(candidate.name, section)) return &candidate;
  }
  return nullptr;
}

std::wstring MemoryProfileFiles::ReadString(const std::wstring& file, const std::wstring& section,
                                            const std::wstring& key, const std::wstring& fallback, size_t capacity) {
  std::lock_guard<std::mutex> guard(lock_);
  if (Section* found = FindSection(file, section)) {
    for (const Entry& entry : found->entries) {
      if (text::EqualsIgnoreCase(entry.key, key)) return Truncate(entry.value, capacity);
    }
  }
  return Truncate(fallback, capacity);
}

bool MemoryProfileFiles::WriteString(const std::wstring& file, const std::wstring& section, const std::wstring& key,
                                     const std::wstring& value) {
  std::lock_guard<std::mutex> guard(lock_);
  Section* target = FindSection(file, section);
  if (target == nullptr) {
    files_[file].push_back(Section{section, {}});
    target = &files_[file].back();
  }
  for (Entry& entry : target->entries) {
    if (text::EqualsIgnoreCase(entry.key, key)) {
      entry.value = value;
      return true;
    }
  }
  target->entries.push_back(Entry{key, value});
  return true;
}

std::string MemoryProfileFiles::ReadStringA(const std::wstring& file, const std::string& section,
                                            const std::string& key, const std::string& fallback, size_t capacity) {
  std::string narrow = text::ToAnsi(ReadString(file, text::FromAnsi(section), text::FromAnsi(key),
                                               text::FromAnsi(fallback), static_cast<size_t>(-1)));
  if (capacity == 0) return {};
  if (narrow.size() > capacity - 1) narrow.resize(capacity - 1);
  return narrow;
}

bool MemoryProfileFiles::WriteStringA(const std::wstring& file, const std::string& section, const std::string& key,
                                      const std::string& value) {
  return WriteString(file, text::FromAnsi(section), text::FromAnsi(key), text::FromAnsi(value));
}

std::vector<std::wstring> MemoryProfileFiles::ReadSection(const std::wstring& file, const std::wstring& section,
                                                          size_t capacity) {
  std::lock_guard<std::mutex> guard(lock_);
  std::vector<std::wstring> lines;
  Section* found = FindSection(file, section);
  if (found == nullptr) return lines;
  size_t used = 0;
  for (const Entry& entry : found->entries) {
    std::wstring line = entry.key + L"=" + entry.value;
    // The block holds each line and its terminator, and one final terminator.
    if (used + line.size() + 2 > capacity) break;
    used += line.size() + 1;
    lines.push_back(std::move(line));
  }
  return lines;
}

}  // namespace nimbrook
