#include "catalogue/server_entry.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <iterator>
#include <limits>
#include <mutex>
#include <random>

#include "catalogue/login_answer.h"
#include "core/system_facts.h"
#include "core/text.h"

namespace nimbrook {
namespace {

// Counts, ports and permissions are read as the C library's decimal conversion reads the narrow text.
long ReadNumber(std::wstring_view value) { return text::LeadingInteger(text::ToAnsi(value)); }

bool Contains(std::wstring_view text, std::wstring_view keyword) {
  return text.find(keyword) != std::wstring_view::npos;
}

struct FlagRule {
  const wchar_t* keyword;
  const wchar_t* image;
};

constexpr FlagRule kFlags[] = {
    {L"香港", L"hongkong.png"}, {L"日本", L"jpa.png"},   {L"韩国", L"korea.png"},     {L"美国", L"usa.png"},
    {L"英国", L"uk.png"},       {L"台湾", L"taiwan.png"}, {L"电信", L"cha.png"},       {L"联通", L"unicom.png"},
    {L"中国", L"cn.png"},       {L"澳大利亚", L"au.png"}, {L"德国", L"de.png"},        {L"俄罗斯", L"ru.png"},
    {L"法国", L"fr.png"},       {L"菲律宾", L"ph.png"},   {L"荷兰", L"nl.png"},        {L"马来西亚", L"my.png"},
    {L"泰国", L"th.png"},       {L"新加坡", L"sg.png"},
};

constexpr const wchar_t* kAreaKeywords[] = {L"免费", L"美国", L"日本", L"香港", L"台湾", L"韩国", L"中国", L"欧洲"};

std::vector<std::wstring_view> SplitBar(std::wstring_view text) {
  std::vector<std::wstring_view> parts;
  size_t start = 0;
  while (start <= text.size()) {
    const size_t bar = text.find(L'|', start);
    const size_t end = bar == std::wstring_view::npos ? text.size() : bar;
    if (end > start) parts.push_back(text.substr(start, end - start));
    if (bar == std::wstring_view::npos) break;
    start = bar + 1;
  }
  return parts;
}

}  // namespace

// One pass over the entry's fields, with the result EntryValue would give for each key: the first
// field whose name (the text before its first ",") is the key. A catalogue of many thousand servers
// is read in time proportional to its text, and an entry keeps only views into it.
ServerEntry ParseServerEntry(std::wstring_view entry) {
  ServerEntry result;
  result.raw = entry;
  struct Field {
    std::wstring_view key;
    std::wstring_view ServerEntry::*value;
  };
  static constexpr Field kFields[] = {
      {L"area", &ServerEntry::area},       {L"nasname", &ServerEntry::nasname},
      {L"IP", &ServerEntry::ip},           {L"info", &ServerEntry::info},
      {L"allow", &ServerEntry::allow},     {L"onlineusers", &ServerEntry::onlineusers},
      {L"maxusers", &ServerEntry::maxusers}, {L"connecttype", &ServerEntry::connecttype},
  };
  constexpr unsigned kAll = (1u << std::size(kFields)) - 1;
  unsigned found = 0;
  size_t start = 0;
  while (start <= entry.size() && found != kAll) {
    const size_t bar = entry.find(L'|', start);
    const size_t end = bar == std::wstring_view::npos ? entry.size() : bar;
    const std::wstring_view field = entry.substr(start, end - start);
    const size_t comma = field.find(L',');
    if (comma != std::wstring_view::npos) {
      const std::wstring_view name = field.substr(0, comma);
      for (size_t i = 0; i < std::size(kFields); ++i) {
        if ((found & (1u << i)) == 0 && name == kFields[i].key) {
          found |= 1u << i;
          result.*kFields[i].value = field.substr(comma + 1);
          break;
        }
      }
    }
    if (bar == std::wstring_view::npos) break;
    start = bar + 1;
  }
  return result;
}

std::vector<PortItem> ConnectTypeItems(std::wstring_view connecttype) {
  std::vector<PortItem> items;
  items.reserve(static_cast<size_t>(std::count(connecttype.begin(), connecttype.end(), L'#')) + 1);
  size_t start = 0;
  while (start < connecttype.size()) {
    const size_t eq = connecttype.find(L'=', start);
    if (eq == std::wstring_view::npos) break;
    const size_t hash = connecttype.find(L'#', eq + 1);
    const size_t end = hash == std::wstring_view::npos ? connecttype.size() : hash;
    const PortItem item{connecttype.substr(start, eq - start), connecttype.substr(eq + 1, end - eq - 1)};
    if (!item.name.empty()) items.push_back(item);
    if (hash == std::wstring_view::npos) break;
    start = hash + 1;
  }
  return items;
}

int LoadPercentage(std::wstring_view onlineusers, std::wstring_view maxusers) {
  if (onlineusers.empty() || maxusers.empty()) return 0;
  const std::int64_t online = ReadNumber(onlineusers);
  const std::int64_t capacity = ReadNumber(maxusers);
  if (capacity <= 0 || online < 0) return 0;
  const std::int64_t percent = online * 100 / capacity;
  const std::int64_t cap = std::numeric_limits<int>::max();
  return static_cast<int>(percent > cap ? cap : percent);
}

std::wstring PercentText(int percent) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%3d%%", percent);
  return text::AsciiToWide(buffer);
}

std::wstring LoadBarImage(int percent) {
  if (percent <= 21) return L"jdt0.png";
  if (percent <= 41) return L"jdt1.png";
  if (percent <= 61) return L"jdt2.png";
  if (percent <= 81) return L"jdt3.png";
  return L"jdt4.png";
}

std::wstring FlagImage(std::wstring_view area) {
  for (const FlagRule& rule : kFlags) {
    if (Contains(area, rule.keyword)) return rule.image;
  }
  return L"unknown.png";
}

int AreaCodeOf(std::wstring_view area) {
  int code = kAreaFree;
  for (const wchar_t* keyword : kAreaKeywords) {
    if (Contains(area, keyword)) return code;
    ++code;
  }
  return kNoAreaCode;
}

std::vector<std::wstring_view> OfferedProtocolNames(std::wstring_view connecttype, int windowsMajor) {
  // The excluded names are compared whole, so a stray name such as "SEC" is not taken for IPSEC.
  const std::wstring excludedText = ExcludedProtocols(windowsMajor > 5);
  const std::vector<std::wstring_view> excluded = SplitBar(excludedText);
  const auto isOffered = [&](std::wstring_view name) {
    return std::find(excluded.begin(), excluded.end(), name) == excluded.end();
  };
  std::vector<std::wstring_view> offered;
  const std::vector<PortItem> items = ConnectTypeItems(connecttype);
  offered.reserve(items.size() + 1);
  if (isOffered(kAutoProtocol)) offered.push_back(kAutoProtocol);
  for (const PortItem& item : items) {
    if (isOffered(item.name)) offered.push_back(item.name);
  }
  return offered;
}

std::vector<std::wstring> OfferedProtocols(std::wstring_view connecttype, int windowsMajor) {
  const std::vector<std::wstring_view> names = OfferedProtocolNames(connecttype, windowsMajor);
  return std::vector<std::wstring>(names.begin(), names.end());
}

std::wstring ChooseProtocol(const std::vector<std::wstring>& offered, std::wstring_view current) {
  for (const std::wstring& name : offered) {
    if (name == current) return name;
  }
  return L"AUTO";
}

std::wstring ResolvePort(std::wstring_view connecttype, std::wstring_view protocol) {
  for (const PortItem& item : ConnectTypeItems(connecttype)) {
    if (item.name == protocol) return ResolvePortSpec(item.spec);
  }
  return {};
}

std::wstring ResolvePortSpec(std::wstring_view spec, unsigned draw) {
  const size_t dash = spec.find(L'-');
  if (dash == std::wstring_view::npos) return std::wstring(spec);
  const std::int64_t low = ReadNumber(spec.substr(0, dash));
  const std::int64_t high = ReadNumber(spec.substr(dash + 1));
  std::int64_t port = low;
  if (high > low) port = low + static_cast<std::int64_t>(draw % static_cast<std::uint64_t>(high - low));
  return text::AsciiToWide(std::to_string(port));
}

std::wstring ResolvePortSpec(std::wstring_view spec) {
  static std::mutex lock;
  static std::mt19937 generator(static_cast<unsigned>(
      std::chrono::system_clock::now().time_since_epoch().count() ^ std::random_device{}()));
  unsigned draw;
  {
    std::lock_guard<std::mutex> guard(lock);
    draw = static_cast<unsigned>(generator());
  }
  return ResolvePortSpec(spec, draw);
}

bool IsAllowed(std::wstring_view allow) { return ReadNumber(allow) != -1; }

}  // namespace nimbrook
