#include "cmroute/set_routes_options.h"

#include <vector>

#include "core/text.h"

namespace nimbrook::cmroute {
namespace {

struct Word {
  std::wstring text;
  bool quoted = false;
};

// Splits on blanks; double quotes group a word and are removed. An unclosed quote runs to the end.
std::vector<Word> SplitWords(const std::wstring& line) {
  std::vector<Word> words;
  size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && (line[i] == L' ' || line[i] == L'\t')) ++i;
    if (i >= line.size()) break;
    Word word;
    while (i < line.size() && line[i] != L' ' && line[i] != L'\t') {
      if (line[i] == L'"') {
        word.quoted = true;
        const size_t close = line.find(L'"', i + 1);
        const size_t end = close == std::wstring::npos ? line.size() : close;
        word.text += line.substr(i + 1, end - i - 1);
        i = close == std::wstring::npos ? line.size() : close + 1;
      } else {
        word.text += line[i++];
      }
    }
    words.push_back(word);
  }
  return words;
}

}  // namespace

SetRoutesParse ParseSetRoutesCommandLine(const std::wstring& commandLine) {
  SetRoutesParse parse;
  bool haveFile = false;
  const std::vector<Word> words = SplitWords(commandLine);
  for (size_t i = 0; i < words.size(); ++i) {
    const Word& word = words[i];
    if (word.quoted || word.text.empty() || word.text[0] != L'/') {
      parse.error = "unexpected word '" + text::WideToAscii(word.text) + "'";
      return parse;
    }
    // "/A/B" is two switches written together.
    size_t pos = 0;
    while (pos < word.text.size()) {
      size_t next = word.text.find(L'/', pos + 1);
      if (next == std::wstring::npos) next = word.text.size();
      const std::wstring name = word.text.substr(pos + 1, next - pos - 1);
      pos = next;
      if (text::EqualsIgnoreCase(name, L"DONT_REQUIRE_URL")) {
        parse.options.dontRequireUrl = true;
      } else if (text::EqualsIgnoreCase(name, L"IPHLPAPI_ACCESS_DENIED_OK")) {
        parse.options.accessDeniedOk = true;
      } else if (text::EqualsIgnoreCase(name, L"STATIC_FILE_NAME")) {
        if (pos != word.text.size() || i + 1 >= words.size() || words[i + 1].text.empty()) {
          parse.error = "/STATIC_FILE_NAME without a file name";
          return parse;
        }
        if (haveFile) {
          parse.error = "/STATIC_FILE_NAME given twice";
          return parse;
        }
        parse.options.staticFileName = words[++i].text;
        haveFile = true;
      } else {
        parse.error = "unknown switch '/" + text::WideToAscii(name) + "'";
        return parse;
      }
    }
  }
  if (!haveFile) {
    parse.error = "no /STATIC_FILE_NAME";
    return parse;
  }
  parse.ok = true;
  return parse;
}

}  // namespace nimbrook::cmroute
