// The updater's own texts in the three languages of the system. The updater carries them itself
// (it reads no language files): "chs" and "cht" select the Chinese columns, any other code English.
#pragma once

#include <string>
#include <string_view>

namespace nimbrook {

struct UpdaterTexts {
  std::wstring title;
  std::wstring heading;
  std::wstring tip;
  std::wstring completeButton;
  std::wstring fileDone;
  std::wstring updating;
  std::wstring completed;
  std::wstring failed;       // ends with the customer-service number
  std::wstring failToStop;
  std::wstring cancelButton;
};

// The table for a language code; supportPhone is the deployment's customer-service number.
UpdaterTexts UpdaterTextsFor(std::wstring_view language, std::wstring_view supportPhone);

// The same with the number this build was configured with.
UpdaterTexts UpdaterTextsFor(std::wstring_view language);

// The box shown when "update.ini" cannot be read as a whole (the same in every language).
inline constexpr wchar_t kIniErrorText[] = L"操作INI文件错误";

}  // namespace nimbrook
