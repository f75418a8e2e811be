// The Windows profile (INI file) API as a seam. On Windows it is the real API
// (Get/WritePrivateProfileString{A,W}, GetPrivateProfileSectionW); natively it is an INI reader and
// writer that follows the same rules, so the native programs and tests see the same files.
#pragma once

#include <memory>
#include <string>
#include <vector>

namespace nimbrook::os {

class ProfileFiles {
 public:
  virtual ~ProfileFiles() = default;

  // GetPrivateProfileStringW: the value of key in section, or fallback when the key (or file) is
  // missing; at most capacity - 1 characters.
  virtual std::wstring ReadString(const std::wstring& file, const std::wstring& section, const std::wstring& key,
                                  const std::wstring& fallback, size_t capacity) = 0;
  // WritePrivateProfileStringW; true on success.
  virtual bool WriteString(const std::wstring& file, const std::wstring& section, const std::wstring& key,
                           const std::wstring& value) = 0;

  // The narrow (ANSI) profile API: GetPrivateProfileStringA / WritePrivateProfileStringA.
  virtual std::string ReadStringA(const std::wstring& file, const std::string& section, const std::string& key,
                                  const std::string& fallback, size_t capacity) = 0;
  virtual bool WriteStringA(const std::wstring& file, const std::string& section, const std::string& key,
                            const std::string& value) = 0;

  // GetPrivateProfileSectionW: the section's lines ("key=value" as written, comments dropped) in file
  // order, within a block of capacity characters. Empty when the file or section is missing.
  virtual std::vector<std::wstring> ReadSection(const std::wstring& file, const std::wstring& section,
                                                size_t capacity) = 0;
};

// The platform's profile API (real one on Windows, the INI implementation natively).
ProfileFiles& SystemProfile();

// The portable INI implementation (also what SystemProfile is natively).
std::unique_ptr<ProfileFiles> MakePortableProfileFiles();

}  // namespace nimbrook::os
