// A small XML reader for layout files: elements, attributes, comments, declarations, CDATA and
// character references; text between elements is kept per element but layouts do not use it.
// Every element remembers its line so that errors can name it. Input is UTF-8 (a BOM is allowed).
#pragma once

#include <memory>
#include <string>
#include <vector>

namespace nimbrook::toolkit {

struct XmlAttribute {
  std::wstring name;
  std::wstring value;
};

struct XmlElement {
  std::wstring name;
  std::vector<XmlAttribute> attributes;
  std::vector<std::unique_ptr<XmlElement>> children;
  std::wstring text;
  int line = 0;

  // The value of an attribute, or null.
  const std::wstring* Find(const std::wstring& attribute) const;
};

struct XmlResult {
  std::unique_ptr<XmlElement> root;   // null on error
  std::wstring error;                 // what went wrong
  int errorLine = 0;                  // where (1-based)
};

// Nesting deeper than this is refused (a hostile file must not exhaust the stack).
inline constexpr int kXmlMaxDepth = 200;

XmlResult ParseXml(const std::string& utf8);

}  // namespace nimbrook::toolkit
