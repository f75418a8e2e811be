// The descriptor cipher and the descriptor file. Deciphering any text is safe; enciphering any text
// without a zero byte gives letters and digits that decipher back to it. The input as a whole is then
// read as a "version.ini" the way the client and the updater read it.
#include "account/descriptor.h"
#include "account/descriptor_cipher.h"
#include "fuzz_support.h"
#include "os/profile_file.h"

using namespace nimbrook;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::QuietLog();
  const std::string_view input = fuzz::Bytes(data, size);
  const std::string plain = DecodeDescriptorValue(input);
  FUZZ_CHECK(plain.size() <= input.size() / 2);
  FUZZ_CHECK(plain.find('\0') == std::string::npos);

  std::string enciphered;
  if (TryEncodeDescriptorValue(input, enciphered)) {
    FUZZ_CHECK(input.find('\0') == std::string_view::npos);
    for (char c : enciphered) FUZZ_CHECK((c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'));
    FUZZ_CHECK(DecodeDescriptorValue(enciphered) == input);
  } else {
    FUZZ_CHECK(input.find('\0') != std::string_view::npos);
  }

  // The same bytes as a descriptor file, read as the update check reads its addresses. Every read
  // loads the file again, so the main window's links are read for one input in eight.
  static auto profile = os::MakePortableProfileFiles();
  const std::wstring& file = fuzz::WriteScratch("version.ini", input);
  for (const wchar_t* key : {L"loginURL", L"downloadURL"}) {
    if (const auto entry = ReadDescriptorEntry(*profile, file, key, kUpdateCheckMarker, 1024)) {
      FUZZ_CHECK(!entry->plain.empty());
      FUZZ_CHECK(entry->enciphered.size() < 1024);
    }
  }
  if (size % 8 == 0) {
    MainLinks links;
    (void)ReadMainLinks(*profile, links, [](const std::wstring&) {}, file);
  }
  return 0;
}
