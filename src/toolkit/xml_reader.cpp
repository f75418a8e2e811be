#include "toolkit/xml_reader.h"

#include <cwchar>
#include <unordered_set>

#include "core/text.h"

namespace nimbrook::toolkit {
namespace {

bool IsSpace(wchar_t c) { return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n'; }

bool IsNameChar(wchar_t c) {
  return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z') || (c >= L'0' && c <= L'9') || c == L'_' ||
         c == L'-' || c == L'.' || c == L':' || c > 0x7F;
}

class Parser {
 public:
  explicit Parser(std::wstring text) : s_(std::move(text)) {}

  XmlResult Run() {
    XmlResult result;
    if (!s_.empty() && s_[0] == 0xFEFF) pos_ = 1;
    if (!SkipProlog()) return Fail(result);
    if (AtEnd()) {
      error_ = L"no root element";
      return Fail(result);
    }
    auto root = ParseElement(0);
    if (!root) return Fail(result);
    if (!SkipMisc()) return Fail(result);
    if (!AtEnd()) {
      error_ = L"content after the root element";
      return Fail(result);
    }
    result.root = std::move(root);
    return result;
  }

 private:
  XmlResult Fail(XmlResult& result) {
    result.root.reset();
    result.error = error_;
    result.errorLine = line_;
    return std::move(result);
  }

  bool AtEnd() const { return pos_ >= s_.size(); }
  bool StartsWith(const wchar_t* lit) const { return s_.compare(pos_, std::wcslen(lit), lit) == 0; }
  void Advance(size_t n = 1) {
    for (size_t i = 0; i < n && pos_ < s_.size(); ++i) {
      if (s_[pos_] == L'\n') ++line_;
      ++pos_;
    }
  }
  void SkipSpaces() {
    while (!AtEnd() && IsSpace(s_[pos_])) Advance();
  }
  // Advances past the terminator; false (with the error) when the file ends first.
  bool SkipPast(const wchar_t* terminator, const wchar_t* what) {
    const int startLine = line_;
    while (!AtEnd()) {
      if (StartsWith(terminator)) {
        Advance(std::wcslen(terminator));
        return true;
      }
      Advance();
    }
    line_ = startLine;
    error_ = std::wstring(L"unterminated ") + what;
    return false;
  }

  // Comments, processing instructions and blanks.
  bool SkipMisc() {
    while (true) {
      SkipSpaces();
      if (StartsWith(L"<!--")) {
        if (!SkipPast(L"-->", L"comment")) return false;
      } else if (StartsWith(L"<?")) {
        if (!SkipPast(L"?>", L"declaration")) return false;
      } else {
        return true;
      }
    }
  }

  bool SkipProlog() {
    while (true) {
      if (!SkipMisc()) return false;
      if (StartsWith(L"<!DOCTYPE")) {
        if (!SkipPast(L">", L"DOCTYPE")) return false;
        continue;
      }
      return true;
    }
  }

  bool ReadName(std::wstring& out) {
    const size_t start = pos_;
    while (!AtEnd() && IsNameChar(s_[pos_])) Advance();
    out = s_.substr(start, pos_ - start);
    return !out.empty();
  }

  // Replaces one reference starting at '&'; false on a malformed one.
  bool ReadReference(std::wstring& out) {
    const size_t semi = s_.find(L';', pos_);
    if (semi == std::wstring::npos || semi - pos_ > 12) {
      error_ = L"bad character reference";
      return false;
    }
    const std::wstring ref = s_.substr(pos_ + 1, semi - pos_ - 1);
    if (ref == L"lt") out.push_back(L'<');
    else if (ref == L"gt") out.push_back(L'>');
    else if (ref == L"amp") out.push_back(L'&');
    else if (ref == L"quot") out.push_back(L'"');
    else if (ref == L"apos") out.push_back(L'\'');
    else if (ref.size() > 1 && ref[0] == L'#') {
      unsigned long cp = 0;
      const bool hex = ref[1] == L'x' || ref[1] == L'X';
      const size_t digitsStart = hex ? 2 : 1;
      if (digitsStart >= ref.size()) {
        error_ = L"bad character reference";
        return false;
      }
      for (size_t i = digitsStart; i < ref.size(); ++i) {
        const wchar_t c = ref[i];
        int d;
        if (c >= L'0' && c <= L'9') d = c - L'0';
        else if (hex && c >= L'a' && c <= L'f') d = c - L'a' + 10;
        else if (hex && c >= L'A' && c <= L'F') d = c - L'A' + 10;
        else {
          error_ = L"bad character reference";
          return false;
        }
        cp = cp * (hex ? 16 : 10) + d;
        if (cp > 0x10FFFF) {
          error_ = L"bad character reference";
          return false;
        }
      }
      if (cp == 0 || (cp >= 0xD800 && cp <= 0xDFFF)) {
        error_ = L"bad character reference";
        return false;
      }
      if (cp <= 0xFFFF) {
        out.push_back(static_cast<wchar_t>(cp));
      } else if constexpr (sizeof(wchar_t) == 2) {
        const unsigned long v = cp - 0x10000;
        out.push_back(static_cast<wchar_t>(0xD800 + (v >> 10)));
        out.push_back(static_cast<wchar_t>(0xDC00 + (v & 0x3FF)));
      } else {
        out.push_back(static_cast<wchar_t>(cp));
      }
    } else {
      error_ = L"unknown entity &" + ref + L";";
      return false;
    }
    Advance(semi - pos_ + 1);
    return true;
  }

  std::unique_ptr<XmlElement> ParseElement(int depth) {
    if (depth >= kXmlMaxDepth) {
      error_ = L"elements nested too deeply";
      return nullptr;
    }
    if (AtEnd() || s_[pos_] != L'<') {
      error_ = L"'<' expected";
      return nullptr;
    }
    auto element = std::make_unique<XmlElement>();
    element->line = line_;
    Advance();
    if (!ReadName(element->name)) {
      error_ = L"element name expected";
      return nullptr;
    }
    // Attributes.
    std::unordered_set<std::wstring> seen;
    while (true) {
      const bool spaced = !AtEnd() && IsSpace(s_[pos_]);
      SkipSpaces();
      if (AtEnd()) {
        error_ = L"unexpected end of file in <" + element->name + L">";
        return nullptr;
      }
      if (StartsWith(L"/>")) {
        Advance(2);
        return element;
      }
      if (s_[pos_] == L'>') {
        Advance();
        break;
      }
      if (!spaced) {
        error_ = L"blank expected between attributes of <" + element->name + L">";
        return nullptr;
      }
      XmlAttribute attr;
      if (!ReadName(attr.name)) {
        error_ = L"attribute name expected in <" + element->name + L">";
        return nullptr;
      }
      SkipSpaces();
      if (AtEnd() || s_[pos_] != L'=') {
        error_ = L"'=' expected after attribute " + attr.name;
        return nullptr;
      }
      Advance();
      SkipSpaces();
      if (AtEnd() || (s_[pos_] != L'"' && s_[pos_] != L'\'')) {
        error_ = L"quoted value expected for attribute " + attr.name;
        return nullptr;
      }
      const wchar_t quote = s_[pos_];
      const int valueLine = line_;
      Advance();
      while (true) {
        if (AtEnd()) {
          line_ = valueLine;
          error_ = L"unterminated value of attribute " + attr.name;
          return nullptr;
        }
        const wchar_t c = s_[pos_];
        if (c == quote) {
          Advance();
          break;
        }
        if (c == L'<') {
          error_ = L"'<' inside the value of attribute " + attr.name;
          return nullptr;
        }
        if (c == L'&') {
          if (!ReadReference(attr.value)) return nullptr;
          continue;
        }
        attr.value.push_back(c);
        Advance();
      }
      // A set, not a scan of the attributes so far: an element with thousands of them stays linear.
      if (!seen.insert(attr.name).second) {
        error_ = L"attribute " + attr.name + L" given twice";
        return nullptr;
      }
      element->attributes.push_back(std::move(attr));
    }
    // Content.
    while (true) {
      if (AtEnd()) {
        line_ = element->line;
        error_ = L"element <" + element->name + L"> is not closed";
        return nullptr;
      }
      if (StartsWith(L"</")) {
        Advance(2);
        std::wstring name;
        ReadName(name);
        SkipSpaces();
        if (name != element->name || AtEnd() || s_[pos_] != L'>') {
          error_ = L"</" + name + L"> does not close <" + element->name + L">";
          return nullptr;
        }
        Advance();
        return element;
      }
      if (StartsWith(L"<!--")) {
        if (!SkipPast(L"-->", L"comment")) return nullptr;
        continue;
      }
      if (StartsWith(L"<![CDATA[")) {
        Advance(9);
        const size_t end = s_.find(L"]]>", pos_);
        if (end == std::wstring::npos) {
          error_ = L"unterminated CDATA section";
          return nullptr;
        }
        element->text += s_.substr(pos_, end - pos_);
        Advance(end - pos_ + 3);
        continue;
      }
      if (StartsWith(L"<?")) {
        if (!SkipPast(L"?>", L"processing instruction")) return nullptr;
        continue;
      }
      if (s_[pos_] == L'<') {
        auto child = ParseElement(depth + 1);
        if (!child) return nullptr;
        element->children.push_back(std::move(child));
        continue;
      }
      if (s_[pos_] == L'&') {
        if (!ReadReference(element->text)) return nullptr;
        continue;
      }
      element->text.push_back(s_[pos_]);
      Advance();
    }
  }

  std::wstring s_;
  size_t pos_ = 0;
  int line_ = 1;
  std::wstring error_;
};

}  // namespace

const std::wstring* XmlElement::Find(const std::wstring& attribute) const {
  for (const auto& a : attributes) {
    if (a.name == attribute) return &a.value;
  }
  return nullptr;
}

XmlResult ParseXml(const std::string& utf8) { return Parser(text::FromUtf8(utf8)).Run(); }

}  // namespace nimbrook::toolkit
