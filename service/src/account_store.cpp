// Accounts of the data directory.
#include "account_store.h"

#include <cstdio>

#include "ini_file.h"
#include "release_files.h"
#include "text_fields.h"

namespace nimbrook::service {
namespace {

bool ParseShape(const std::string& text, AnswerShape& shape) {
  if (text.empty() || text == "normal") shape = AnswerShape::Normal;
  else if (text == "refuse") shape = AnswerShape::Refuse;
  else if (text == "empty") shape = AnswerShape::Empty;
  else if (text == "status") shape = AnswerShape::HttpStatus;
  else if (text == "nobar") shape = AnswerShape::NoBar;
  else if (text == "noseparator") shape = AnswerShape::NoSeparator;
  else return false;
  return true;
}

bool ParseNumber(const std::string& text, unsigned long long maximum, unsigned long long& value) {
  return ParseDecimal(text, value) && value <= maximum;
}

}  // namespace

bool LoadAccounts(const std::filesystem::path& path, std::vector<Account>& accounts, std::string& error) {
  IniFile ini;
  if (!LoadIni(path, ini)) {
    error = "cannot read " + path.string();
    return false;
  }
  accounts.clear();
  for (const auto& section : ini.sections) {
    Account a;
    a.name = section.name;
    a.password = section.Value("password");
    a.srvtype = section.Value("srvtype", a.srvtype);
    a.expiration = section.Value("expiration");
    a.srvid = section.Value("srvid", a.srvid);
    a.catalogue = section.Value("catalogue", a.catalogue);
    a.naslistFile = section.Value("naslist_file");
    a.statusWord = section.Value("status_word", a.statusWord);
    a.message = section.Value("message");
    a.messageEng = section.Value("message_eng");
    a.messageCht = section.Value("message_cht");
    a.disabled = section.Value("disabled") == "1";
    const std::string where = " (account " + a.name + " in " + path.string() + ")";
    if (!ParseShape(section.Value("answer"), a.answer)) {
      error = "unknown answer shape '" + section.Value("answer") + "'" + where;
      return false;
    }
    unsigned long long number = 0;
    if (const std::string* status = section.Find("http_status")) {
      if (!ParseNumber(*status, 599, number) || number < 100) {
        error = "bad http_status" + where;
        return false;
      }
      a.httpStatus = static_cast<int>(number);
    }
    if (const std::string* delay = section.Find("delay_ms")) {
      if (!ParseNumber(*delay, 120000, number)) {
        error = "bad delay_ms" + where;
        return false;
      }
      a.delayMs = static_cast<int>(number);
    }
    if (!IsSafeSegment(a.catalogue) || (!a.naslistFile.empty() && !IsSafeSegment(a.naslistFile))) {
      error = "bad catalogue file name" + where;
      return false;
    }
    accounts.push_back(std::move(a));
  }
  return true;
}

const Account* FindAccount(const std::vector<Account>& accounts, const std::string& name) {
  for (const auto& a : accounts) {
    if (EqualsNoCase(a.name, name)) return &a;
  }
  return nullptr;
}

std::string ResolveExpiration(const std::string& configured, std::time_t now) {
  if (configured.size() < 3 || (configured[0] != '+' && configured[0] != '-')) return configured;
  const char unit = configured.back();
  long long seconds = 0;
  if (unit == 'd') seconds = 86400;
  else if (unit == 'h') seconds = 3600;
  else if (unit == 'm') seconds = 60;
  else return configured;
  unsigned long long amount = 0;
  if (!ParseDecimal(std::string_view(configured).substr(1, configured.size() - 2), amount) || amount > 100000) {
    return configured;
  }
  const long long offset = static_cast<long long>(amount) * seconds * (configured[0] == '-' ? -1 : 1);
  const std::time_t when = now + static_cast<std::time_t>(offset);
  std::tm local{};
  localtime_r(&when, &local);
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
  return text;
}

bool IsExpired(const std::string& expiration, std::time_t now) {
  int y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0;
  const int read = std::sscanf(expiration.c_str(), "%d-%d-%d %d:%d:%d", &y, &mo, &d, &h, &mi, &s);
  if (read < 3) return false;
  std::tm when{};
  when.tm_year = y - 1900;
  when.tm_mon = mo - 1;
  when.tm_mday = d;
  when.tm_hour = read >= 4 ? h : 0;
  when.tm_min = read >= 5 ? mi : 0;
  when.tm_sec = read >= 6 ? s : 0;
  when.tm_isdst = -1;
  const std::time_t t = std::mktime(&when);
  return t != static_cast<std::time_t>(-1) && t < now;
}

std::string LocalizedMessage(const Account& account, const std::string& locale) {
  if (locale == "eng" && !account.messageEng.empty()) return account.messageEng;
  if (locale == "cht" && !account.messageCht.empty()) return account.messageCht;
  return account.message;
}

}  // namespace nimbrook::service
