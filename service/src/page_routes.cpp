// Account site pages.
#include "page_routes.h"

#include <ctime>
#include <fstream>
#include <sstream>

#include "account/login_encoding.h"
#include "account_store.h"
#include "release_files.h"
#include "text_fields.h"

namespace nimbrook::service {
namespace {

constexpr std::string_view kPagePrefix = "/page/";

struct Visitor {
  std::string username = "\xE8\xAE\xBF\xE5\xAE\xA2 / Guest";  // 访客
  std::string srvtype = "-";
  std::string expiration = "-";
  std::string srvid = "-";
};

// The parameters carried by "p": plain "srvid=..;username=..;password=..;expire=.." from the
// notices, or the credential token EncodeParams("username=..;password=..").
Fields VisitorParameters(std::string p) {
  if (p.find("username=") != std::string::npos) return ParseParameterText(p);
  // A browser turns the token's "+" into a blank and may drop its line breaks; Base64 has no blanks.
  for (char& c : p) {
    if (c == ' ') c = '+';
  }
  std::string text;
  if (!DecodeParams(p, text)) return {};
  return ParseParameterText(text);
}

Visitor IdentifyVisitor(const std::string& p, const ServiceContext& context) {
  Visitor visitor;
  const Fields fields = VisitorParameters(p);
  const std::string* name = FindField(fields, "username");
  const std::string* password = FindField(fields, "password");
  if (!name || !password) return visitor;
  std::vector<Account> accounts;
  std::string error;
  if (!LoadAccounts(context.config.dataDir / "accounts.ini", accounts, error)) return visitor;
  const Account* account = FindAccount(accounts, AnsiToUtf8(*name));
  if (!account || account->password != AnsiToUtf8(*password)) return visitor;
  visitor.username = account->name;
  visitor.srvtype = account->srvtype;
  visitor.expiration = ResolveExpiration(account->expiration, std::time(nullptr));
  visitor.srvid = account->srvid;
  return visitor;
}

std::string FillTemplate(std::string page, const Visitor& visitor, const std::string& baseUrl) {
  const std::pair<const char*, std::string> values[] = {
      {"{{base}}", HtmlEscape(baseUrl)},
      {"{{username}}", HtmlEscape(visitor.username)},
      {"{{srvtype}}", HtmlEscape(visitor.srvtype)},
      {"{{expiration}}", HtmlEscape(visitor.expiration)},
      {"{{srvid}}", HtmlEscape(visitor.srvid)},
  };
  for (const auto& [token, value] : values) {
    const std::string key = token;
    size_t at = 0;
    while ((at = page.find(key, at)) != std::string::npos) {
      page.replace(at, key.size(), value);
      at += value.size();
    }
  }
  return page;
}

Resource NotFoundPage() {
  return Resource::Text(404,
                        "<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>404</title></head>"
                        "<body><h1>404</h1><p>\xE9\xA1\xB5\xE9\x9D\xA2\xE4\xB8\x8D\xE5\xAD\x98\xE5\x9C\xA8 / "
                        "Page not found</p></body></html>\n",
                        kHtmlType);
}

}  // namespace

bool ResolvePageRoute(const RouteRequest& request, const ServiceContext& context, Resource& resource) {
  if (request.method == "POST") return false;
  std::string name;
  std::string p = request.Query("p");
  if (request.path == "/" || request.path == "/index.html") {
    name = "site";
  } else if (request.path.compare(0, kPagePrefix.size(), kPagePrefix) == 0) {
    name = request.path.substr(kPagePrefix.size());
    // A notice base without "?" makes the client's "&p=..." part of the path.
    const size_t amp = name.find('&');
    if (amp != std::string::npos) {
      const size_t pAt = name.find("&p=", amp);
      if (pAt != std::string::npos && p.empty()) p = name.substr(pAt + 3);
      name.resize(amp);
    }
    if (name == "notice") name = request.Query("name");
  } else {
    return false;
  }
  if (!IsSafeSegment(name) || name.find('.') != std::string::npos) {
    resource = NotFoundPage();
    return true;
  }
  std::ifstream in(context.config.dataDir / "pages" / (name + ".html"), std::ios::binary);
  if (!in) {
    resource = NotFoundPage();
    return true;
  }
  std::ostringstream page;
  page << in.rdbuf();
  resource = Resource::Text(200, FillTemplate(page.str(), IdentifyVisitor(p, context), context.baseUrl),
                            kHtmlType);
  RequestNote() = "page " + name;
  return true;
}

}  // namespace nimbrook::service
