// The login and reload exchange.
#include "login_route.h"

#include <chrono>
#include <ctime>
#include <fstream>
#include <sstream>
#include <vector>

#include "account/login_encoding.h"
#include "account_store.h"
#include "ini_file.h"
#include "server_catalogue.h"
#include "text_fields.h"

namespace nimbrook::service {
namespace {

// Refusal texts of the service itself, in the client's three languages.
struct Refusal {
  const char* chs;
  const char* cht;
  const char* eng;
};

constexpr Refusal kBadClient = {"不支持的客户端类型", "不支援的用戶端類型", "Unsupported client type"};
constexpr Refusal kBadAction = {"未知的请求类型", "未知的請求類型", "Unknown request type"};
constexpr Refusal kNoParams = {"缺少登录参数", "缺少登入參數", "Login parameters are missing"};
constexpr Refusal kBadParams = {"登录参数无法解码", "登入參數無法解碼", "Login parameters cannot be decoded"};
constexpr Refusal kNoHash = {"缺少签名", "缺少簽名", "Signature is missing"};
constexpr Refusal kBadHash = {"签名校验失败，请使用官方客户端", "簽名校驗失敗，請使用官方用戶端",
                              "Signature check failed, please use the official client"};
constexpr Refusal kIncomplete = {"登录参数不完整：缺少 ", "登入參數不完整：缺少 ", "Incomplete login parameters: missing "};
constexpr Refusal kWrongPassword = {"用户名或密码错误", "用戶名或密碼錯誤", "Incorrect user name or password"};
constexpr Refusal kDisabled = {"该账号已被停用，请联系客服", "該賬號已被停用，請聯繫客服",
                               "This account has been disabled, please contact customer service"};

std::string Text(const Refusal& refusal, const std::string& locale) {
  if (locale == "eng") return refusal.eng;
  if (locale == "cht") return refusal.cht;
  return refusal.chs;
}

Resource Refuse(const Refusal& refusal, const std::string& locale, const std::string& detail = {}) {
  RequestNote() = std::string("refused: ") + refusal.eng + detail;
  return Resource::Text(200, "no|" + Text(refusal, locale) + detail);
}

const std::vector<const char*>& RequiredFields(bool login) {
  static const std::vector<const char*> loginFields = {"username", "password", "version", "locale", "source",
                                                       "cpusn", "macaddress", "harddisksn", "systemver"};
  static const std::vector<const char*> reloadFields = {"username", "password", "loginLog", "locale"};
  return login ? loginFields : reloadFields;
}

// The naslist of an account: a raw naslist file when it names one, else its catalogue.
bool AccountNaslist(const Account& account, const ServiceContext& context, bool fullAccess, std::string& naslist,
                    std::string& error) {
  const auto directory = context.config.dataDir / "catalogue";
  if (!account.naslistFile.empty()) {
    const auto path = directory / account.naslistFile;
    std::ifstream in(path, std::ios::binary);
    if (!in) {
      error = "cannot read " + path.string();
      return false;
    }
    std::ostringstream raw;
    raw << in.rdbuf();
    naslist = raw.str();
    while (!naslist.empty() && (naslist.back() == '\n' || naslist.back() == '\r')) naslist.pop_back();
    return true;
  }
  std::vector<std::string> entries;
  if (!LoadCatalogue(directory / account.catalogue, entries, error)) return false;
  naslist = BuildNaslist(entries, fullAccess);
  return true;
}

}  // namespace

bool ResolveLoginRoute(const RouteRequest& request, const ServiceContext& context, Resource& resource) {
  if (request.path != kLoginPath) return false;
  if (request.method != "POST") {
    resource = Resource::Text(405, "the login endpoint takes POST\n");
    resource.headers.emplace_back("Allow", "POST");
    return true;
  }
  resource = AnswerLogin(request.body, context);
  return true;
}

Resource AnswerLogin(const std::string& body, const ServiceContext& context) {
  const Fields form = ParseFormBody(body);
  const std::string* m = FindField(form, "m");
  const std::string* a = FindField(form, "a");
  const std::string* p = FindField(form, "p");
  const std::string* hash = FindField(form, "hash");
  if (!m || *m != "windows") return Refuse(kBadClient, "chs");
  if (!a || (*a != "login" && *a != "reload")) return Refuse(kBadAction, "chs");
  const bool login = *a == "login";
  if (!p || p->empty()) return Refuse(kNoParams, "chs");
  // An encoded text can rarely be read two ways; the signature decides which one was sent.
  const std::vector<std::string> readings = DecodeParamsCandidates(*p);
  if (readings.empty()) return Refuse(kBadParams, "chs");
  if (!hash || hash->empty()) return Refuse(kNoHash, "chs");
  const std::string* signedText = nullptr;
  for (const auto& reading : readings) {
    if (EqualsNoCase(*hash, SignParams(reading))) {
      signedText = &reading;
      break;
    }
  }
  if (!signedText) return Refuse(kBadHash, "chs");
  const std::string& text = *signedText;

  const Fields params = ParseParameterText(text);
  const std::string* localeField = FindField(params, "locale");
  const std::string locale = localeField ? *localeField : "chs";
  for (const char* name : RequiredFields(login)) {
    if (!FindField(params, name)) return Refuse(kIncomplete, locale, name);
  }
  const std::string username = AnsiToUtf8(*FindField(params, "username"));
  const std::string password = AnsiToUtf8(*FindField(params, "password"));

  std::vector<Account> accounts;
  std::string error;
  if (!LoadAccounts(context.config.dataDir / "accounts.ini", accounts, error)) {
    RequestNote() = "data error: " + error;
    return Resource::Text(500, "account data unavailable\n");
  }
  const Account* account = FindAccount(accounts, username);
  if (!account || account->password != password) {
    return Refuse(kWrongPassword, locale, std::string());
  }
  if (account->disabled) return Refuse(kDisabled, locale);
  if (account->delayMs > 0 && context.stop.WaitFor(std::chrono::milliseconds(account->delayMs))) {
    return Resource::Text(503, "service stopping\n");
  }

  const std::string action = login ? "login " : "reload ";
  switch (account->answer) {
    case AnswerShape::Refuse: {
      std::string message = LocalizedMessage(*account, locale);
      if (message.empty()) message = Text(kDisabled, locale);
      RequestNote() = action + username + ": refused by account setting";
      return Resource::Text(200, account->statusWord + "|" + message);
    }
    case AnswerShape::Empty:
      RequestNote() = action + username + ": empty answer";
      return Resource::Text(200, std::string());
    case AnswerShape::HttpStatus:
      RequestNote() = action + username + ": HTTP " + std::to_string(account->httpStatus);
      return Resource::Text(account->httpStatus, "internal server error\n");
    case AnswerShape::NoBar: {
      std::string message = LocalizedMessage(*account, locale);
      if (message.empty()) message = "service busy";
      RequestNote() = action + username + ": answer without bar";
      return Resource::Text(200, message);
    }
    case AnswerShape::Normal:
    case AnswerShape::NoSeparator:
      break;
  }

  const std::time_t now = std::time(nullptr);
  const std::string expiration = ResolveExpiration(account->expiration, now);
  std::string answer = "yes|srvtype," + account->srvtype + "|expiration," + expiration + "|srvid," + account->srvid;
  if (account->answer == AnswerShape::NoSeparator) {
    RequestNote() = action + username + ": accepted without catalogue separator";
    return Resource::Text(200, answer);
  }
  const bool fullAccess = account->srvtype != "free" && !IsExpired(expiration, now);
  std::string naslist;
  if (!AccountNaslist(*account, context, fullAccess, naslist, error)) {
    RequestNote() = "data error: " + error;
    return Resource::Text(500, "catalogue unavailable\n");
  }
  RequestNote() = action + username + ": accepted" + (fullAccess ? "" : " (free servers only)");
  return Resource::Text(200, answer + "_" + naslist);
}

}  // namespace nimbrook::service
