// The updater's hand-over file: any "update.ini" is read without harm, and a list the client writes
// (download base and file names from the input) reads back as written.
#include <algorithm>

#include "account/descriptor_cipher.h"
#include "core/paths.h"
#include "fuzz_support.h"
#include "os/profile_file.h"
#include "updater/update_list.h"

using namespace nimbrook;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static auto profile = os::MakePortableProfileFiles();
  const auto [filePart, listPart] = fuzz::SplitTwo(fuzz::Bytes(data, size));

  const std::wstring& hostile = fuzz::WriteScratch("update.ini", filePart);
  const UpdateList read = ReadUpdateList(*profile, hostile);
  if (!read.readError) FUZZ_CHECK(!read.downloadBase.empty() && read.downloadBase.back() != L'/');
  for (const auto& name : read.files) FUZZ_CHECK(!name.empty() && name.find(L'=') == std::wstring::npos);

  // Round trip: the second part's lines are a base and file names, written as the update check does.
  const std::wstring& written = fuzz::WriteScratch("update-written.ini", "");
  std::vector<std::wstring> lines;
  const std::wstring list = text::FromUtf8(listPart);
  for (size_t start = 0; start <= list.size();) {
    size_t end = list.find(L'\n', start);
    if (end == std::wstring::npos) end = list.size();
    lines.push_back(list.substr(start, end - start));
    start = end + 1;
  }
  const std::string base = text::ToAnsi(lines[0]);
  std::string enciphered;
  if (base.empty() || base.back() == '/' || !TryEncodeDescriptorValue(base, enciphered)) return 0;
  if (base.find_first_of("\r\n") != std::string::npos || base.front() <= ' ' || base.back() <= ' ') return 0;
  FUZZ_CHECK(profile->WriteString(written, L"URL", L"downloadURL", text::AsciiToWide(enciphered)));
  std::vector<std::wstring> names;
  for (size_t i = 1; i < lines.size() && names.size() < 16; ++i) {
    const std::wstring& name = lines[i];
    // What the client writes: safe relative names, which INI keys can carry.
    if (!IsSafeRelativeName(name) || name.find_first_of(L"=[];\r") != std::wstring::npos) continue;
    if (name.front() <= L' ' || name.back() <= L' ') continue;
    if (std::find(names.begin(), names.end(), name) != names.end()) continue;
    bool sameIgnoringCase = false;
    for (const auto& n : names) sameIgnoringCase = sameIgnoringCase || text::EqualsIgnoreCase(n, name);
    if (sameIgnoringCase) continue;
    FUZZ_CHECK(profile->WriteString(written, L"FILES", name, L"1"));
    names.push_back(name);
  }
  const UpdateList back = ReadUpdateList(*profile, written);
  FUZZ_CHECK(!back.readError);
  FUZZ_CHECK(back.downloadBase == text::FromAnsi(base));
  FUZZ_CHECK(back.files == names);
  return 0;
}
