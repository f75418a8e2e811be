// The account site's pages: real UTF-8 HTML, personalised only for a visitor whose token names an
// account with its right password, reachable in both forms the client builds notice addresses in.
#include <gtest/gtest.h>

#include "account/login_encoding.h"
#include "service_test_support.h"

namespace nimbrook::service {
namespace {

using testing::RunningService;

TEST(PageService, EveryLinkedPageIsServedAsUtf8Html) {
  RunningService service;
  auto client = service.Client();
  for (const char* path : {"/", "/page/reg?from=client", "/page/getpwd?from=client", "/page/my?from=client",
                           "/page/pay?from=client", "/page/credit?from=client", "/page/nav?from=client",
                           "/page/help?from=client", "/page/new?from=client", "/page/qq?from=client"}) {
    auto result = client->Get(path);
    ASSERT_TRUE(result) << path;
    EXPECT_EQ(result->status, 200) << path;
    EXPECT_EQ(result->get_header_value("Content-Type"), "text/html; charset=utf-8") << path;
    EXPECT_NE(result->body.find("<meta charset=\"utf-8\">"), std::string::npos) << path;
    EXPECT_NE(result->body.find("岚鹭加速器"), std::string::npos) << path;
    EXPECT_NE(result->body.find(service.Base()), std::string::npos) << path;
    EXPECT_EQ(result->body.find("{{"), std::string::npos) << path << ": unfilled placeholder";
  }
}

TEST(PageService, CredentialTokenPersonalisesTheAccountPage) {
  RunningService service;
  auto client = service.Client();
  // The main window appends "&p=" and the token to the myURL value.
  auto mine = client->Get("/page/my?from=client&p=" + CredentialToken("alice01", "secret123"));
  ASSERT_TRUE(mine);
  EXPECT_NE(mine->body.find("<td>alice01</td>"), std::string::npos);
  EXPECT_NE(mine->body.find("2031-12-31 23:59:59"), std::string::npos);
  EXPECT_NE(mine->body.find("href=\"inline:pay\""), std::string::npos);

  auto wrong = client->Get("/page/my?from=client&p=" + CredentialToken("alice01", "guess"));
  ASSERT_TRUE(wrong);
  EXPECT_EQ(wrong->body.find("alice01"), std::string::npos);
  EXPECT_NE(wrong->body.find("Guest"), std::string::npos);
  EXPECT_NE(client->Get("/page/my?p=%%%")->body.find("Guest"), std::string::npos);
}

TEST(PageService, NoticePagesInBothAddressForms) {
  RunningService service;
  auto client = service.Client();
  // notifyURL + "_" + page + "&p=" + plain parameters.
  const std::string params = "srvid=11;username=soonvip;password=soon12345;expire=2030-01-01";
  auto query = client->Get("/page/notice?name=notice_expire&p=" + params);
  ASSERT_TRUE(query);
  EXPECT_EQ(query->status, 200);
  EXPECT_NE(query->body.find("VIP到期提醒"), std::string::npos);
  EXPECT_NE(query->body.find("soonvip"), std::string::npos);

  auto path = client->Get("/page/notice_become_vip&p=srvid=1;username=freeuser;password=free12345;expire=");
  ASSERT_TRUE(path);
  EXPECT_EQ(path->status, 200);
  EXPECT_NE(path->body.find("freeuser"), std::string::npos);

  EXPECT_EQ(client->Get("/page/notice?name=notice_n20250601")->status, 200);
  EXPECT_EQ(client->Get("/page/notice?name=notice_unknown")->status, 404);
  EXPECT_EQ(client->Get("/page/notice")->status, 404);
  EXPECT_EQ(client->Get("/page/..%2Faccounts")->status, 404);
}

TEST(PageService, VisitorTextsAreEscaped) {
  testing::DataCopy data;
  testing::WriteFile(data.Dir() / "accounts.ini", "[bob]\npassword=pw\nsrvtype=<script>\nexpiration=2030-01-01\n");
  RunningService service(data.Dir());
  auto result = service.Client()->Get("/page/my?p=" + CredentialToken("bob", "pw"));
  ASSERT_TRUE(result);
  EXPECT_EQ(result->body.find("<script>"), std::string::npos);
  EXPECT_NE(result->body.find("&lt;script&gt;"), std::string::npos);
}

}  // namespace
}  // namespace nimbrook::service
