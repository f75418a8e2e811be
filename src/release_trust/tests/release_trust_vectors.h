// Signed descriptors made once with the reference service's test key (service/data/signing/
// release-key.pem) and with a second key, shared by the native and the Windows runs.
#pragma once

#include <string>

namespace nimbrook::testing {

// Public halves of release-key.pem and other-key.pem.
inline constexpr char kTestKey[] =
    "BLSkEZQ6wXHiHn6Du6R5HFDtSPS5SaSE2hU/LE74c8FNZO5KoOOi5DhNQBIPLyppuWTDrN5r5TE4YF+Xbe1okSM=";
inline constexpr char kOtherKey[] =
    "BJUsypwJcqq1re+0dj2NsKW/7o5tdslzu64efhNtuXGvLxCxxmu3PB1chIlKBrA0RoMFfEbHHaqErjucj6Sfy0k=";

// The signed part of the LF vector; the others replace its line ends or encode it.
inline const std::string kSignedLf =
    "[URL]\nloginURL=Wq9bXk2\ndownloadURL=Zm9v\n\n[FILES]\nNimbrook.exe=0cc175b9c0f1b6a831c399e269772661\n\n"
    "[DIGESTS]\nNimbrook.exe=ca978112ca1bbdcafac231b39a23dc4da786eff8147c4e72b9807785afee48bb\n";
// Signatures (Base64 of r||s): of kSignedLf, of it with CR LF line ends, of the UTF-16LE file (BOM,
// CR LF, plus a NOTIFY section with a Chinese title), of kSignedLf under the other key, and of nothing.
inline constexpr char kSigLf[] =
    "v0expOgLoNwKLdwNC38YAThcFOsQ60alzAVGJmLtFKWZ+RpALA5Uh6zzAa50nGyyEB2VS4+wbjHCMviYowk36Q==";
inline constexpr char kSigCrLf[] =
    "TivqQCEo3DCM4whv0x5SWkK0PrFynrzHjflW9yvjqjiqiVzpHU7PCEnYvYtYNelQr9FGu9Rl52WvViwcsN1Fqg==";
inline constexpr char kSigUtf16[] =
    "j0O6d0UymGyLuxBprOYflg66yMZMvvsBRG4pgOl/dSzuR5LM0JHeMgwj5N/21adX+zMoKWWeD8aLnjMIGb3tug==";
inline constexpr char kSigOtherKey[] =
    "Cc9V7ndmi5GbBxluUL/VfHuoKUytsacWVb6JKtgTq2Vlok+kzx59ZX9udM9dbbULIWE5zQwY+yptADa7NZahYg==";
inline constexpr char kSigEmpty[] =
    "da3DhtVEwsMByEHDlomEY5zDIBBBX8UB0za21hcMmw7juUY31uqumC5PN3LARfxq9Paqk85E5kSc5E/upeU9yA==";

inline std::string WithCrLf(const std::string& text) {
  std::string out;
  for (const char c : text) {
    if (c == '\n') out += '\r';
    out += c;
  }
  return out;
}

// ASCII or BMP text as UTF-16LE code units (no byte-order mark).
inline std::string Utf16Units(const std::u16string& text) {
  std::string out;
  for (const char16_t c : text) {
    out.push_back(static_cast<char>(c & 0xFF));
    out.push_back(static_cast<char>(c >> 8));
  }
  return out;
}

// The signed part of the UTF-16LE vector.
inline std::string SignedUtf16() {
  std::u16string text;
  for (const char c : WithCrLf(kSignedLf)) text.push_back(static_cast<char16_t>(c));
  text += u"[NOTIFY]\r\ntitle=\u670d\u52a1\u516c\u544a\r\n";
  return "\xFF\xFE" + Utf16Units(text);
}

}  // namespace nimbrook::testing
