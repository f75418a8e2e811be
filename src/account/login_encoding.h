// The login exchange's encodings: the parameter texts of login and reload, their Base64-and-key
// encoding (EncodeParams), the salted MD5 signature (SignParams), the request bodies and the
// credential token appended to account web pages. DecodeParams is the service side's inverse.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace nimbrook {

// The client version sent with every login (fixed; not the program's file version).
inline constexpr char kClientVersion[] = "1.5.0.0";

// The fields of a login, in the order they are sent. Texts are narrow (system ANSI code page).
struct LoginFields {
  std::string username;
  std::string password;
  std::string version = kClientVersion;
  std::string locale;      // "eng", "chs" or "cht"
  std::string source;      // the settings' source tag
  std::string cpusn;       // processor id
  std::string macaddress;  // network adapter address
  std::string harddisksn;  // disk serial number
  std::string systemver;   // system description
};

// Base64 of the text's bytes (with its CR LF line breaks), the reversed key "tessivar_w" interleaved
// after each of the first ten characters (as far as there are characters), and every "=" written
// as "LGLGL".
std::string EncodeParams(std::string_view text);

// The lower-case hexadecimal MD5 of the text followed by the salt "PlumaPluma537" (32 characters).
// Every byte of the text counts, and texts of any length are signed in full (the salted text is not
// limited to a fixed buffer), so client and service always agree on what was signed.
std::string SignParams(std::string_view text);

// The inverse of EncodeParams for the raw "p" value (not form-decoded: "+" must still be "+").
// False, with text left unchanged, when encoded is not exactly what EncodeParams produces for some
// text. An encoded text that ends in "LGLGL" can rarely be read two ways (padding or Base64 data
// that happens to end in those letters); the padded reading, by far the more likely, is chosen.
[[nodiscard]] bool DecodeParams(std::string_view encoded, std::string& text);

// Every text that EncodeParams maps to encoded, the padded reading first; empty when there is none.
// A service that also holds the signature can pick the reading whose SignParams matches.
std::vector<std::string> DecodeParamsCandidates(std::string_view encoded);

// "username=u;password=p;version=v;locale=l;source=s;cpusn=c;macaddress=m;harddisksn=h;systemver=v"
// with no escaping of any kind.
std::string LoginParameterText(const LoginFields& fields);
// "m=windows&a=login&p=" + EncodeParams(text) + "&hash=" + SignParams(text); not URL-encoded.
std::string LoginBody(std::string_view parameterText);

// "username=u;password=p;loginLog=0;locale=l".
std::string ReloadParameterText(std::string_view username, std::string_view password, std::string_view locale);
// "m=windows&a=reload&p=" + EncodeParams(text) + "&hash=" + SignParams(text).
std::string ReloadBody(std::string_view parameterText);

// EncodeParams("username=u;password=p"): the "&p=" part of account web page addresses.
std::string CredentialToken(std::string_view username, std::string_view password);

}  // namespace nimbrook
