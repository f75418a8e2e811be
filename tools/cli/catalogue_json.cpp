#include "catalogue_json.h"

#include <functional>
#include <string>
#include <vector>

#include "catalogue/catalogue.h"
#include "core/text.h"

namespace nimbrook::cli {
namespace {

std::string Utf8(std::wstring_view text) { return text::ToUtf8(text); }

nlohmann::json Names(const std::vector<std::wstring>& names) {
  nlohmann::json list = nlohmann::json::array();
  for (const std::wstring& name : names) list.push_back(Utf8(name));
  return list;
}

nlohmann::json EntryJson(const ServerEntry& entry) {
  const int percent = LoadPercentage(entry.onlineusers, entry.maxusers);
  nlohmann::json ports = nlohmann::json::object();
  for (const PortItem& item : entry.Ports()) {
    // A protocol listed twice keeps its first port text, as a lookup by name finds it.
    if (!ports.contains(Utf8(item.name))) ports[Utf8(item.name)] = Utf8(item.spec);
  }
  return {
      {"nasname", Utf8(entry.nasname)},
      {"IP", Utf8(entry.ip)},
      {"info", Utf8(entry.info)},
      {"area", Utf8(entry.area)},
      {"allow", Utf8(entry.allow)},
      {"connecttype", Utf8(entry.connecttype)},
      {"onlineusers", Utf8(entry.onlineusers)},
      {"maxusers", Utf8(entry.maxusers)},
      {"percent", percent},
      {"percentText", Utf8(PercentText(percent))},
      {"bar", Utf8(LoadBarImage(percent))},
      {"flag", Utf8(FlagImage(entry.area))},
      {"areaCode", AreaCodeOf(entry.area)},
      {"allowed", IsAllowed(entry.allow)},
      {"offered", {{"5", Names(OfferedProtocols(entry.connecttype, 5))},
                   {"10", Names(OfferedProtocols(entry.connecttype, 10))}}},
      {"ports", ports},
  };
}

}  // namespace

nlohmann::json HeadJson(const AccountHead& head) {
  return {{"srvtype", Utf8(head.srvtype)}, {"expiration", Utf8(head.expiration)}, {"srvid", Utf8(head.srvid)}};
}

nlohmann::json HeadJson(const std::wstring& answer) {
  return HeadJson(ReadAccountHead(SplitLoginAnswer(answer).head));
}

namespace {

std::string Dump(const nlohmann::json& value) {
  return value.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

nlohmann::json GroupsJson(const Catalogue& catalogue) {
  nlohmann::json groups = nlohmann::json::object();
  for (const AreaGroup& group : kAreaGroupTable) {
    groups[std::to_string(group.code)] = catalogue.Groups().Group(group.code);
  }
  return groups;
}

}  // namespace

nlohmann::json CatalogueJson(const std::wstring& answer) {
  Catalogue catalogue;
  catalogue.Rebuild(SplitLoginAnswer(answer).naslist);
  nlohmann::json entries = nlohmann::json::array();
  for (const ServerEntry& entry : catalogue.Entries()) entries.push_back(EntryJson(entry));
  nlohmann::json result = nlohmann::json::object();
  result["entries"] = std::move(entries);  // moved, not copied: the list may hold 100,000 servers
  result["groups"] = GroupsJson(catalogue);
  return result;
}

void WriteAnswerJson(const std::wstring& answer, const std::function<void(const std::string&)>& write) {
  // The text {"catalogue":{"entries":[...],"groups":{...}},"head":{...}} of a document holding both,
  // written one server at a time instead of held whole (object keys in the order a document sorts them).
  Catalogue catalogue;
  catalogue.Rebuild(SplitLoginAnswer(answer).naslist);
  write("{\"catalogue\":{\"entries\":[");
  bool first = true;
  for (const ServerEntry& entry : catalogue.Entries()) {
    write((first ? "" : ",") + Dump(EntryJson(entry)));
    first = false;
  }
  write("],\"groups\":" + Dump(GroupsJson(catalogue)) + "},\"head\":" + Dump(HeadJson(answer)) + "}");
}

}  // namespace nimbrook::cli
