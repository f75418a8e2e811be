// The portable profile-file reader on any file (UTF-16 with BOM, UTF-8 with BOM or ANSI): values are
// cut to the capacity asked for, and a value written is read back unchanged.
#include "fuzz_support.h"
#include "os/profile_file.h"

using namespace nimbrook;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static auto profile = os::MakePortableProfileFiles();
  const auto [fileBytes, probe] = fuzz::SplitTwo(fuzz::Bytes(data, size));
  const std::wstring& file = fuzz::WriteScratch("profile.ini", fileBytes);
  // Section and key from the second part (or well-known ones), so the reader is probed where it matters.
  const std::wstring probeText = text::FromUtf8(probe);
  const size_t slash = probeText.find(L'/');
  const std::wstring section = slash == std::wstring::npos ? L"Setting" : probeText.substr(0, slash);
  const std::wstring key = slash == std::wstring::npos ? L"username" : probeText.substr(slash + 1);

  for (size_t capacity : {size_t{1}, size_t{8}, size_t{1024}}) {
    const std::wstring value = profile->ReadString(file, section, key, L"not found", capacity);
    FUZZ_CHECK(value.size() < capacity || value == L"not found");
  }
  for (const std::wstring& line : profile->ReadSection(file, section, 4096)) FUZZ_CHECK(line.size() < 4096);
  (void)profile->ReadStringA(file, "FILES", "Nimbrook.exe", "notfound", 256);

  // Writing into the hostile file keeps it readable: the value comes back as written.
  // (Names an INI file cannot carry are left out: brackets, line breaks, NUL, ";" and "=".)
  static const std::wstring kSpecial(L"[]\r\n\0;=", 7);
  const bool simpleName = !section.empty() && !key.empty() && section.find_first_of(kSpecial) == std::wstring::npos &&
                          key.find_first_of(kSpecial) == std::wstring::npos && key.front() > L' ' &&
                          key.back() > L' ' && section.front() > L' ' && section.back() > L' ';
  if (simpleName && profile->WriteString(file, section, key, L"fuzz value")) {
    FUZZ_CHECK(profile->ReadString(file, section, key, L"not found", 1024) == L"fuzz value");
  }
  return 0;
}
