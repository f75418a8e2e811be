// Text helpers of the service.
#include "text_fields.h"

#include <iconv.h>

#include <cerrno>

namespace nimbrook::service {
namespace {

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool HasPercentEscape(std::string_view text) {
  for (size_t i = 0; i + 2 < text.size(); ++i) {
    if (text[i] == '%' && HexValue(text[i + 1]) >= 0 && HexValue(text[i + 2]) >= 0) return true;
  }
  return false;
}

// One iconv conversion descriptor per call: iconv_t is not safe to share between threads.
class Converter {
 public:
  Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
  ~Converter() {
    if (cd_ != reinterpret_cast<iconv_t>(-1)) iconv_close(cd_);
  }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;
  bool Valid() const { return cd_ != reinterpret_cast<iconv_t>(-1); }
  iconv_t Handle() const { return cd_; }

 private:
  iconv_t cd_;
};

}  // namespace

Fields ParseFormBody(std::string_view body) {
  Fields fields;
  size_t start = 0;
  while (start <= body.size()) {
    size_t end = body.find('&', start);
    if (end == std::string_view::npos) end = body.size();
    const std::string_view part = body.substr(start, end - start);
    if (!part.empty()) {
      const size_t eq = part.find('=');
      std::string key(part.substr(0, eq));
      std::string value(eq == std::string_view::npos ? std::string_view() : part.substr(eq + 1));
      if (HasPercentEscape(value)) value = PercentDecode(value, false);
      fields.emplace_back(std::move(key), std::move(value));
    }
    if (end == body.size()) break;
    start = end + 1;
  }
  return fields;
}

Fields ParseParameterText(std::string_view text) {
  Fields fields;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find(';', start);
    if (end == std::string_view::npos) end = text.size();
    const std::string_view part = text.substr(start, end - start);
    const size_t eq = part.find('=');
    if (eq != std::string_view::npos) {
      fields.emplace_back(std::string(part.substr(0, eq)), std::string(part.substr(eq + 1)));
    } else if (!fields.empty()) {
      fields.back().second += ";";
      fields.back().second += part;
    }
    start = end + 1;
  }
  return fields;
}

const std::string* FindField(const Fields& fields, std::string_view key) {
  for (const auto& [k, v] : fields) {
    if (k == key) return &v;
  }
  return nullptr;
}

std::string PercentDecode(std::string_view text, bool plusIsSpace) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '%' && i + 2 < text.size() && HexValue(text[i + 1]) >= 0 && HexValue(text[i + 2]) >= 0) {
      out.push_back(static_cast<char>(HexValue(text[i + 1]) * 16 + HexValue(text[i + 2])));
      i += 2;
    } else if (c == '+' && plusIsSpace) {
      out.push_back(' ');
    } else {
      out.push_back(c);
    }
  }
  return out;
}

bool IsValidUtf8(std::string_view text) {
  size_t i = 0;
  while (i < text.size()) {
    const auto c = static_cast<unsigned char>(text[i]);
    size_t extra = 0;
    unsigned long cp = 0;
    if (c < 0x80) {
      ++i;
      continue;
    } else if ((c & 0xE0) == 0xC0) {
      extra = 1;
      cp = c & 0x1F;
    } else if ((c & 0xF0) == 0xE0) {
      extra = 2;
      cp = c & 0x0F;
    } else if ((c & 0xF8) == 0xF0) {
      extra = 3;
      cp = c & 0x07;
    } else {
      return false;
    }
    if (i + extra >= text.size()) return false;
    for (size_t k = 1; k <= extra; ++k) {
      const auto cc = static_cast<unsigned char>(text[i + k]);
      if ((cc & 0xC0) != 0x80) return false;
      cp = (cp << 6) | (cc & 0x3F);
    }
    const unsigned long minimum[] = {0, 0x80, 0x800, 0x10000};
    if (cp < minimum[extra] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
    i += extra + 1;
  }
  return true;
}

std::string AnsiToUtf8(std::string_view text) {
  if (IsValidUtf8(text)) return std::string(text);
  Converter converter("UTF-8", "GB18030");
  if (!converter.Valid()) return std::string(text);
  std::string out;
  std::string input(text);
  char* in = input.data();
  size_t inLeft = input.size();
  char buffer[256];
  while (inLeft > 0) {
    char* outPtr = buffer;
    size_t outLeft = sizeof buffer;
    const size_t result = iconv(converter.Handle(), &in, &inLeft, &outPtr, &outLeft);
    out.append(buffer, static_cast<size_t>(outPtr - buffer));
    if (result == static_cast<size_t>(-1)) {
      if (errno == E2BIG) continue;
      // An invalid or truncated sequence: mark it and go on with the next byte.
      out.push_back('?');
      ++in;
      --inLeft;
    }
  }
  return out;
}

std::string HtmlEscape(std::string_view text) {
  std::string out;
  for (const char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      case '\'': out += "&#39;"; break;
      default: out.push_back(c);
    }
  }
  return out;
}

bool ParseDecimal(std::string_view text, unsigned long long& value) {
  if (text.empty() || text.size() > 18) return false;
  unsigned long long v = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return false;
    v = v * 10 + static_cast<unsigned>(c - '0');
  }
  value = v;
  return true;
}

}  // namespace nimbrook::service
