#include "account/login_encoding.h"

#include "core/base64.h"
#include "core/md5.h"

namespace nimbrook {

namespace {

constexpr std::string_view kKey = "tessivar_w";
constexpr std::string_view kReversedKey = "w_ravisset";
constexpr std::string_view kSalt = "PlumaPluma537";
constexpr std::string_view kPadding = "LGLGL";

static_assert(kKey.size() == kReversedKey.size());

std::string Body(std::string_view action, std::string_view parameterText) {
  std::string body = "m=windows&a=";
  body += action;
  body += "&p=";
  body += EncodeParams(parameterText);
  body += "&hash=";
  body += SignParams(parameterText);
  return body;
}

bool StartsWithAt(std::string_view text, size_t pos, std::string_view part) {
  return pos <= text.size() && text.substr(pos, part.size()) == part;
}

}  // namespace

std::string EncodeParams(std::string_view text) {
  const std::string e = Base64().Encode(text);
  std::string mixed;
  mixed.reserve(e.size() + kReversedKey.size());
  for (size_t i = 0; i < e.size(); ++i) {
    mixed.push_back(e[i]);
    if (i < kReversedKey.size()) mixed.push_back(kReversedKey[i]);
  }
  std::string out;
  out.reserve(mixed.size() + 8);
  for (const char c : mixed) {
    if (c == '=') {
      out += kPadding;
    } else {
      out.push_back(c);
    }
  }
  return out;
}

std::string SignParams(std::string_view text) {
  std::string salted;
  salted.reserve(text.size() + kSalt.size());
  salted.append(text);
  salted.append(kSalt);
  return Md5Hex(salted);
}

std::vector<std::string> DecodeParamsCandidates(std::string_view encoded) {
  // The first ten Base64 characters are each followed by a key character, and no key character is
  // "L" or "G", so this stretch reads one way only.
  std::string head;
  size_t pos = 0;
  for (size_t i = 0; i < kReversedKey.size() && pos < encoded.size(); ++i) {
    const char key = kReversedKey[i];
    if (StartsWithAt(encoded, pos, kPadding) && pos + kPadding.size() < encoded.size() &&
        encoded[pos + kPadding.size()] == key) {
      head.push_back('=');
      pos += kPadding.size() + 1;
    } else if (pos + 1 < encoded.size() && encoded[pos + 1] == key) {
      head.push_back(encoded[pos]);
      pos += 2;
    } else {
      return {};
    }
  }

  // Padding can only close the text, so only "LGLGL" at its very end may stand for "=" (at most two).
  std::string_view tail = encoded.substr(pos);
  size_t trailing = 0;
  while (trailing < 2 && tail.size() >= (trailing + 1) * kPadding.size() &&
         tail.substr(tail.size() - (trailing + 1) * kPadding.size(), kPadding.size()) == kPadding) {
    ++trailing;
  }

  std::vector<std::string> texts;
  const Base64 codec;
  for (size_t pads = trailing + 1; pads-- > 0;) {
    std::string base64 = head;
    base64.append(tail.substr(0, tail.size() - pads * kPadding.size()));
    base64.append(pads, '=');
    std::string text = codec.Decode(base64);
    // Exactly what the encoder produces, or nothing: this rejects stray characters, misplaced line
    // breaks, non-canonical groups and wrong key characters in one comparison.
    if (EncodeParams(text) == encoded) texts.push_back(std::move(text));
  }
  return texts;
}

bool DecodeParams(std::string_view encoded, std::string& text) {
  auto texts = DecodeParamsCandidates(encoded);
  if (texts.empty()) return false;
  text = std::move(texts.front());
  return true;
}

std::string LoginParameterText(const LoginFields& fields) {
  std::string text;
  text += "username=" + fields.username;
  text += ";password=" + fields.password;
  text += ";version=" + fields.version;
  text += ";locale=" + fields.locale;
  text += ";source=" + fields.source;
  text += ";cpusn=" + fields.cpusn;
  text += ";macaddress=" + fields.macaddress;
  text += ";harddisksn=" + fields.harddisksn;
  text += ";systemver=" + fields.systemver;
  return text;
}

std::string LoginBody(std::string_view parameterText) { return Body("login", parameterText); }

std::string ReloadParameterText(std::string_view username, std::string_view password, std::string_view locale) {
  std::string text = "username=";
  text.append(username);
  text += ";password=";
  text.append(password);
  text += ";loginLog=0;locale=";
  text.append(locale);
  return text;
}

std::string ReloadBody(std::string_view parameterText) { return Body("reload", parameterText); }

std::string CredentialToken(std::string_view username, std::string_view password) {
  std::string text = "username=";
  text.append(username);
  text += ";password=";
  text.append(password);
  return EncodeParams(text);
}

}  // namespace nimbrook
