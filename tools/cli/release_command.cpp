// "nimbrook-cli release keygen|digests|sign|verify": the operator's release-signing tools.
//   release keygen --out KEY.pem                 a new P-256 key; prints the public key text (the build's
//                                                NIMBROOK_RELEASE_PUBLIC_KEY)
//   release digests DIR DESCRIPTOR               writes the DIGESTS section: the SHA-256 of DIR/name for
//                                                every FILES name (drops a signature line: sign again)
//   release sign --key KEY.pem DESCRIPTOR        appends the signature line, or replaces the last one
//   release verify [--public-key TEXT] DESCRIPTOR  prints {"valid": bool, "reason": "..."}; the key
//                                                defaults to the build's
// Exit status 0 on success (a valid signature), 1 on failure, 2 for a usage error. Key generation and
// signing need the native build.
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include <nlohmann/json.hpp>

#ifndef _WIN32
#include <sys/stat.h>
#endif

#include "command_registry.h"
#include "core/file_io.h"
#include "core/paths.h"
#include "core/release_names.h"
#include "core/text.h"
#include "os/file_replace.h"
#include "release_trust/descriptor_signature.h"
#include "release_trust/release_encoding.h"
#include "release_trust/release_signer.h"
#include "release_trust/release_trust.h"
#include "update/update_check.h"

namespace nimbrook::cli {
namespace {

constexpr char kUsage[] =
    "usage: nimbrook-cli release keygen --out KEY.pem | release digests DIR DESCRIPTOR | "
    "release sign --key KEY.pem DESCRIPTOR | release verify [--public-key TEXT] DESCRIPTOR";

int Usage(const std::string& problem) {
  PrintError(problem);
  std::fprintf(stderr, "%s\n", kUsage);
  return 2;
}

std::wstring PathArg(const std::string& arg) { return text::FromAnsi(arg); }

// Writes bytes beside path and moves them into place, so a failure never leaves half a file.
bool WriteReplacing(const std::wstring& path, const std::string& bytes) {
  const std::wstring temporary = path + L".tmp";
  if (!WriteFileBytes(temporary, bytes)) return false;
  if (os::ReplaceFileAtomically(temporary, path)) return true;
  (void)RemoveFile(temporary);
  return false;
}

// A descriptor as wide text and how to write it back (UTF-16LE with BOM or the ANSI code page).
struct DescriptorText {
  std::wstring text;
  bool utf16 = false;
};

DescriptorText Decode(const std::string& bytes) {
  DescriptorText out;
  if (bytes.size() >= 2 && bytes.compare(0, 2, "\xFF\xFE") == 0) {
    out.utf16 = true;
    for (size_t i = 2; i + 1 < bytes.size(); i += 2) {
      out.text.push_back(static_cast<wchar_t>(static_cast<unsigned char>(bytes[i]) |
                                              (static_cast<unsigned char>(bytes[i + 1]) << 8)));
    }
  } else {
    out.text = text::FromAnsi(bytes);
  }
  return out;
}

std::string Encode(const DescriptorText& d) {
  if (!d.utf16) return text::ToAnsi(d.text);
  std::string bytes = "\xFF\xFE";
  for (const wchar_t c : d.text) {
    bytes.push_back(static_cast<char>(c & 0xFF));
    bytes.push_back(static_cast<char>((c >> 8) & 0xFF));
  }
  return bytes;
}

// The key names of section FILES of text, in file order, first occurrence only. (Read here rather
// than through the profile API, which takes a relative file name as one in the Windows directory.)
std::vector<std::wstring> FileNames(const std::wstring& text) {
  std::vector<std::wstring> names;
  bool inFiles = false;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find(L'\n', start);
    if (end == std::wstring::npos) end = text.size();
    std::wstring line = text.substr(start, end - start);
    start = end + 1;
    const size_t first = line.find_first_not_of(L" \t\r");
    const size_t last = line.find_last_not_of(L" \t\r");
    line = first == std::wstring::npos ? L"" : line.substr(first, last - first + 1);
    if (line.empty() || line.front() == L';') continue;
    if (line.front() == L'[') {
      inFiles = text::EqualsIgnoreCase(line.substr(0, line.find(L']') + 1), L"[FILES]");
      continue;
    }
    if (!inFiles) continue;
    std::wstring name = line.substr(0, line.find(L'='));
    while (!name.empty() && (name.back() == L' ' || name.back() == L'\t')) name.pop_back();
    bool known = name.empty();
    for (const auto& n : names) known = known || text::EqualsIgnoreCase(n, name);
    if (!known) names.push_back(name);
  }
  return names;
}

// text without its DIGESTS section and signature lines, with the new section at the end.
std::wstring WithDigests(const std::wstring& text, const std::vector<std::pair<std::wstring, std::string>>& digests) {
  const size_t firstEnd = text.find(L'\n');
  const std::wstring eol = firstEnd != std::wstring::npos && firstEnd > 0 && text[firstEnd - 1] != L'\r' ? L"\n" : L"\r\n";
  std::wstring out;
  bool inDigests = false;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find(L'\n', start);
    const size_t next = end == std::wstring::npos ? text.size() : end + 1;
    std::wstring line = text.substr(start, next - start);
    start = next;
    std::wstring bare = line;
    while (!bare.empty() && (bare.back() == L'\n' || bare.back() == L'\r')) bare.pop_back();
    const size_t lead = bare.find_first_not_of(L" \t");
    const std::wstring trimmed = lead == std::wstring::npos ? L"" : bare.substr(lead);
    if (!trimmed.empty() && trimmed.front() == L'[') {
      inDigests = text::EqualsIgnoreCase(trimmed.substr(0, trimmed.find(L']') + 1), L"[DIGESTS]");
    }
    if (inDigests || text::EqualsIgnoreCase(trimmed.substr(0, 11), L";signature=")) continue;
    if (line.back() != L'\n') line += eol;
    out += line;
  }
  out += L"[DIGESTS]" + eol;
  for (const auto& [name, hex] : digests) out += name + L"=" + text::AsciiToWide(hex) + eol;
  return out;
}

int Keygen(const Arguments& args) {
  const std::string out = Option(args, "--out");
  if (out.empty()) return Usage("release keygen needs --out KEY.pem");
  if (FileExists(PathArg(out))) {
    PrintError("will not overwrite an existing key: " + out);
    return 1;
  }
  ReleaseKeyPair pair;
  std::string error;
  if (!GenerateReleaseKey(pair, error)) {
    PrintError(error);
    return 1;
  }
  if (!WriteFileBytes(PathArg(out), pair.privatePem)) {
    PrintError("cannot write " + out);
    return 1;
  }
#ifndef _WIN32
  (void)::chmod(out.c_str(), 0600);  // the private key is for its owner only
#endif
  PrintLine(pair.publicKeyText);
  return 0;
}

int Digests(const Arguments& args) {
  const Arguments rest = Positionals(args, {});
  if (rest.size() != 2) return Usage("release digests takes DIR and DESCRIPTOR");
  const std::wstring dir = PathArg(rest[0]);
  const std::wstring descriptor = PathArg(rest[1]);
  std::string bytes;
  if (!ReadFileBytes(descriptor, bytes)) {
    PrintError("cannot read " + rest[1]);
    return 1;
  }
  DescriptorText d = Decode(bytes);
  const std::vector<std::wstring> names = FileNames(d.text);
  if (names.empty()) {
    PrintError("the descriptor lists no FILES");
    return 1;
  }
  std::vector<std::pair<std::wstring, std::string>> digests;
  for (const std::wstring& name : names) {
    if (!IsReleaseFileName(name) && name != kUpdaterFileName) {
      PrintError("not a release file name: " + text::ToUtf8(name));
      return 1;
    }
    std::string hex;
    const std::wstring path = JoinPath(dir, ToNativeSeparators(CollapseSeparators(name)));
    if (!FileDigestHex(path, SystemCrypto(), hex)) {
      PrintError("cannot read the release file " + text::ToUtf8(name));
      return 1;
    }
    digests.emplace_back(name, hex);
  }
  d.text = WithDigests(d.text, digests);
  if (!WriteReplacing(descriptor, Encode(d))) {
    PrintError("cannot write " + rest[1]);
    return 1;
  }
  PrintLine(nlohmann::json{{"digests", digests.size()}}.dump());
  return 0;
}

int Sign(const Arguments& args) {
  const Arguments rest = Positionals(args, {"--key"});
  const std::string keyFile = Option(args, "--key");
  if (keyFile.empty() || rest.size() != 1) return Usage("release sign needs --key KEY.pem and one DESCRIPTOR");
  std::string pem, bytes, signedBytes, error, publicText;
  if (!ReadFileBytes(PathArg(keyFile), pem)) {
    PrintError("cannot read " + keyFile);
    return 1;
  }
  if (!ReadFileBytes(PathArg(rest[0]), bytes)) {
    PrintError("cannot read " + rest[0]);
    return 1;
  }
  if (!SignDescriptor(bytes, pem, signedBytes, error) || !PublicKeyTextOf(pem, publicText, error)) {
    PrintError(error);
    return 1;
  }
  if (!WriteReplacing(PathArg(rest[0]), signedBytes)) {
    PrintError("cannot write " + rest[0]);
    return 1;
  }
  PrintLine(nlohmann::ordered_json{{"signed", true}, {"public_key", publicText}}.dump());
  return 0;
}

int Verify(const Arguments& args) {
  const Arguments rest = Positionals(args, {"--public-key"});
  const std::string key = HasOption(args, "--public-key") ? Option(args, "--public-key") : ReleaseTrust::BuiltInKeyText();
  if (key.empty() || rest.size() != 1) {
    return Usage("release verify needs one DESCRIPTOR and --public-key TEXT (the build has no key)");
  }
  const SignatureStatus status = ReleaseTrust(key).CheckDescriptor(PathArg(rest[0]));
  const bool valid = status == SignatureStatus::kValid;
  PrintLine(nlohmann::ordered_json{{"valid", valid}, {"reason", SignatureReason(status)}}.dump());
  return valid ? 0 : 1;
}

int RunRelease(const Arguments& args) {
  if (args.empty()) return Usage("release needs an action");
  const Arguments rest(args.begin() + 1, args.end());
  if (args[0] == "keygen") return Keygen(rest);
  if (args[0] == "digests") return Digests(rest);
  if (args[0] == "sign") return Sign(rest);
  if (args[0] == "verify") return Verify(rest);
  return Usage("unknown release action: " + args[0]);
}

const CommandRegistration kRelease("release",
                                   "release keygen --out KEY.pem | digests DIR DESCRIPTOR | sign --key KEY.pem "
                                   "DESCRIPTOR | verify [--public-key TEXT] DESCRIPTOR    release signing",
                                   RunRelease);

}  // namespace
}  // namespace nimbrook::cli
