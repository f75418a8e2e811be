#include "catalogue_json.h"

#include <algorithm>
#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "catalogue/catalogue.h"
#include "core/text.h"

namespace nimbrook::cli {
namespace {

std::string Utf8(std::wstring_view text) { return text::ToUtf8(text); }

// A JSON string of UTF-8 text, escaped as a compact document dump escapes it: quote, backslash and
// the control characters; everything else as it is.
void AppendString(std::string& out, std::string_view utf8) {
  static const char kHex[] = "0123456789abcdef";
  out += '"';
  for (const char c : utf8) {
    const auto byte = static_cast<unsigned char>(c);
    switch (byte) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\b': out += "\\b"; break;
      case '\f': out += "\\f"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default:
        if (byte < 0x20) {
          out += "\\u00";
          out += kHex[byte >> 4];
          out += kHex[byte & 0xF];
        } else {
          out += c;
        }
    }
  }
  out += '"';
}

bool NeedsEscape(char c) { return c == '"' || c == '\\' || static_cast<unsigned char>(c) < 0x20; }

void AppendString(std::string& out, std::wstring_view text) {
  // Written as UTF-8 straight into out; the rare text that needs escaping is written again.
  out += '"';
  const size_t start = out.size();
  text::AppendUtf8(out, text);
  if (std::none_of(out.begin() + static_cast<std::ptrdiff_t>(start), out.end(), NeedsEscape)) {
    out += '"';
    return;
  }
  const std::string utf8 = out.substr(start);
  out.resize(start - 1);
  AppendString(out, std::string_view(utf8));
}

void AppendNames(std::string& out, const std::vector<std::wstring_view>& names) {
  out += '[';
  for (size_t i = 0; i < names.size(); ++i) {
    if (i) out += ',';
    AppendString(out, names[i]);
  }
  out += ']';
}

// One server as an object with its keys in byte order (the order a document keeps them in).
void AppendEntry(std::string& out, const ServerEntry& entry) {
  const int percent = LoadPercentage(entry.onlineusers, entry.maxusers);
  out += "{\"IP\":";
  AppendString(out, entry.ip);
  out += ",\"allow\":";
  AppendString(out, entry.allow);
  out += ",\"allowed\":";
  out += IsAllowed(entry.allow) ? "true" : "false";
  out += ",\"area\":";
  AppendString(out, entry.area);
  out += ",\"areaCode\":";
  out += std::to_string(AreaCodeOf(entry.area));
  out += ",\"bar\":";
  AppendString(out, LoadBarImage(percent));
  out += ",\"connecttype\":";
  AppendString(out, entry.connecttype);
  out += ",\"flag\":";
  AppendString(out, FlagImage(entry.area));
  out += ",\"info\":";
  AppendString(out, entry.info);
  out += ",\"maxusers\":";
  AppendString(out, entry.maxusers);
  out += ",\"nasname\":";
  AppendString(out, entry.nasname);
  out += ",\"offered\":{\"10\":";
  AppendNames(out, OfferedProtocolNames(entry.connecttype, 10));
  out += ",\"5\":";
  AppendNames(out, OfferedProtocolNames(entry.connecttype, 5));
  out += "},\"onlineusers\":";
  AppendString(out, entry.onlineusers);
  out += ",\"percent\":";
  out += std::to_string(percent);
  out += ",\"percentText\":";
  AppendString(out, PercentText(percent));
  out += ",\"ports\":{";
  // Protocol name to port text, by name; a protocol listed twice keeps its first port text, as a
  // lookup by name finds it (the sort is stable, so the first one stays in front).
  std::vector<std::pair<std::string, std::wstring_view>> ports;
  for (const PortItem& item : entry.Ports()) ports.emplace_back(Utf8(item.name), item.spec);
  std::stable_sort(ports.begin(), ports.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
  for (size_t i = 0; i < ports.size(); ++i) {
    if (i && ports[i].first == ports[i - 1].first) continue;
    if (i) out += ',';
    AppendString(out, std::string_view(ports[i].first));
    out += ':';
    AppendString(out, ports[i].second);
  }
  out += "}}";
}

// The catalogue of an answer as the text of {"entries": [...], "groups": {...}}, handed to flush
// whenever a good piece of it has been written.
void WriteCatalogue(const std::wstring& answer, std::string& out, const std::function<void()>& flush) {
  constexpr size_t kPiece = 1 << 16;
  Catalogue catalogue;
  catalogue.Rebuild(SplitLoginAnswer(answer).naslist);
  out += "{\"entries\":[";
  bool first = true;
  for (const ServerEntry& entry : catalogue.Entries()) {
    if (!first) out += ',';
    first = false;
    AppendEntry(out, entry);
    if (out.size() >= kPiece) flush();
  }
  // The group codes are all of three digits, so their order as keys is their numeric order.
  out += "],\"groups\":{";
  for (const AreaGroup& group : kAreaGroupTable) {
    if (group.code != kAreaGroupTable.front().code) out += ',';
    out += '"' + std::to_string(group.code) + "\":[";
    const std::vector<size_t>& members = catalogue.Groups().Group(group.code);
    for (size_t i = 0; i < members.size(); ++i) {
      if (i) out += ',';
      out += std::to_string(members[i]);
    }
    out += ']';
  }
  out += "}}";
}

}  // namespace

nlohmann::json HeadJson(const AccountHead& head) {
  return {{"srvtype", Utf8(head.srvtype)}, {"expiration", Utf8(head.expiration)}, {"srvid", Utf8(head.srvid)}};
}

nlohmann::json HeadJson(const std::wstring& answer) {
  return HeadJson(ReadAccountHead(SplitLoginAnswer(answer).head));
}

nlohmann::json CatalogueJson(const std::wstring& answer) {
  std::string text;
  WriteCatalogue(answer, text, [] {});
  return nlohmann::json::parse(text);
}

void WriteAnswerJson(const std::wstring& answer, const std::function<void(const std::string&)>& write) {
  // The text {"catalogue":{"entries":[...],"groups":{...}},"head":{...}} of a document holding both,
  // written in pieces instead of held whole (object keys in the order a document sorts them).
  std::string out = "{\"catalogue\":";
  const auto flush = [&] {
    write(out);
    out.clear();
  };
  WriteCatalogue(answer, out, flush);
  out += ",\"head\":" + HeadJson(answer).dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) + "}";
  flush();
}

}  // namespace nimbrook::cli
