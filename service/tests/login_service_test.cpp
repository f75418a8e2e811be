// The login endpoint end to end: the client's real bodies are accepted, a wrong password or hash is
// refused with a readable text, and every answer shape the client must handle can be reached.
#include <gtest/gtest.h>

#include <string>

#include "account/login_encoding.h"
#include "server_catalogue.h"
#include "service_test_support.h"

namespace nimbrook::service {
namespace {

using testing::RunningService;

LoginFields Fields(const std::string& user, const std::string& password, const std::string& locale = "chs") {
  LoginFields fields;
  fields.username = user;
  fields.password = password;
  fields.locale = locale;
  fields.source = "web";
  fields.cpusn = "BFEBFBFF000906EA";
  fields.macaddress = "00:1A:2B:3C:4D:5E";
  fields.harddisksn = "S3Z9NB0K123456";
  fields.systemver = "Microsoft Windows 10 64";
  return fields;
}

class LoginTest : public ::testing::Test {
 protected:
  // Posts a body as the client does and returns the answer text; status and presence of a result
  // are checked by each test where they matter.
  httplib::Result Post(const std::string& body) {
    return client_->Post("/clogin.php?1717214400", body, "application/x-www-form-urlencoded");
  }
  std::string Login(const std::string& user, const std::string& password, const std::string& locale = "chs") {
    auto result = Post(LoginBody(LoginParameterText(Fields(user, password, locale))));
    EXPECT_TRUE(result);
    return result ? result->body : std::string();
  }

  RunningService service_;
  std::unique_ptr<httplib::Client> client_ = service_.Client();
};

// The account head of an accepted answer: the text between "yes|" and the first "_".
std::string Head(const std::string& answer) { return answer.substr(4, answer.find('_') - 4); }
std::string Naslist(const std::string& answer) { return answer.substr(answer.find('_') + 1); }

TEST_F(LoginTest, AcceptsTheClientsOwnBody) {
  // The body exactly as an independent implementation of the client produced it (CR LF included).
  const std::string body =
      "m=windows&a=login&p=dwX_Nrlacvmi5shsbeWtU9YWxpY2UwMTtwYXNzd29yZD1zZWNyZXQxMjM7dmVyc2lvbj0xLjUuMC4wO2xvY2Fs\r\n"
      "ZT1jaHM7c291cmNlPXdlYjtjcHVzbj1CRkVCRkJGRjAwMDkwNkVBO21hY2FkZHJlc3M9MDA6MUE6\r\n"
      "MkI6M0M6NEQ6NUU7aGFyZGRpc2tzbj1TM1o5TkIwSzEyMzQ1NjtzeXN0ZW12ZXI9TWljcm9zb2Z0\r\n"
      "IFdpbmRvd3MgMTAgNjQLGLGL&hash=96e2ad484b50e16ad69347c53e1d5d4b";
  auto result = Post(body);
  ASSERT_TRUE(result);
  EXPECT_EQ(result->status, 200);
  const std::string& answer = result->body;
  ASSERT_EQ(answer.compare(0, 4, "yes|"), 0) << answer;
  EXPECT_EQ(Head(answer), "srvtype,vip|expiration,2031-12-31 23:59:59|srvid,11");
  // The whole catalogue follows the first "_", one entry per server of the data file.
  std::vector<std::string> entries;
  std::string error;
  ASSERT_TRUE(LoadCatalogue(testing::RepositoryData() / "catalogue" / "servers.txt", entries, error)) << error;
  EXPECT_EQ(Naslist(answer), BuildNaslist(entries, true));
}

TEST_F(LoginTest, ReloadAnswersLikeLogin) {
  auto result = Post(ReloadBody(ReloadParameterText("alice01", "secret123", "chs")));
  ASSERT_TRUE(result);
  EXPECT_EQ(result->status, 200);
  EXPECT_EQ(result->body.compare(0, 4, "yes|"), 0);
  EXPECT_EQ(Head(result->body), "srvtype,vip|expiration,2031-12-31 23:59:59|srvid,11");

  auto wrong = Post(ReloadBody(ReloadParameterText("alice01", "nope", "chs")));
  ASSERT_TRUE(wrong);
  EXPECT_EQ(wrong->body, "no|用户名或密码错误");
}

TEST_F(LoginTest, RefusesWrongPasswordAndUnknownUserInTheClientsLanguage) {
  EXPECT_EQ(Login("alice01", "secret124"), "no|用户名或密码错误");
  EXPECT_EQ(Login("nosuchuser", "secret123"), "no|用户名或密码错误");
  EXPECT_EQ(Login("alice01", "wrong", "eng"), "no|Incorrect user name or password");
  EXPECT_EQ(Login("alice01", "wrong", "cht"), "no|用戶名或密碼錯誤");
  EXPECT_EQ(Login("disabled", "disabled123"), "no|该账号已被停用，请联系客服");
}

TEST_F(LoginTest, RefusesABodyWhoseSignatureDoesNotMatch) {
  const std::string text = LoginParameterText(Fields("alice01", "secret123"));
  std::string body = LoginBody(text);
  body.back() = body.back() == '0' ? '1' : '0';
  auto result = Post(body);
  ASSERT_TRUE(result);
  EXPECT_EQ(result->body, "no|签名校验失败，请使用官方客户端");

  // A signature of another text (a replayed hash) is just as wrong.
  const std::string other = "m=windows&a=login&p=" + EncodeParams(text) + "&hash=" +
                            SignParams(LoginParameterText(Fields("alice01", "other")));
  EXPECT_EQ(Post(other)->body, "no|签名校验失败，请使用官方客户端");
  EXPECT_EQ(Post("m=windows&a=login&p=" + EncodeParams(text))->body, "no|缺少签名");
}

TEST_F(LoginTest, RefusesMalformedBodiesWithAClearText) {
  const std::string text = LoginParameterText(Fields("alice01", "secret123"));
  EXPECT_EQ(Post("")->body, "no|不支持的客户端类型");
  EXPECT_EQ(Post("m=mac&a=login&p=x&hash=y")->body, "no|不支持的客户端类型");
  EXPECT_EQ(Post("m=windows&a=delete&p=x&hash=y")->body, "no|未知的请求类型");
  EXPECT_EQ(Post("m=windows&a=login&hash=" + SignParams(text))->body, "no|缺少登录参数");
  EXPECT_EQ(Post("m=windows&a=login&p=%%%%&hash=" + SignParams(text))->body, "no|登录参数无法解码");
  // A form-decoded "p" (its "+" turned into blanks) no longer decodes or no longer matches.
  std::string mangled = EncodeParams(text);
  for (char& c : mangled) {
    if (c == '+' || c == '/') c = ' ';
  }
  if (mangled != EncodeParams(text)) {
    EXPECT_EQ(Post("m=windows&a=login&p=" + mangled + "&hash=" + SignParams(text))->body.compare(0, 3, "no|"), 0);
  }
  // A correctly signed text that lacks fields the client always sends.
  const std::string partial = "username=alice01;password=secret123;version=1.5.0.0;locale=eng";
  EXPECT_EQ(Post(LoginBody(partial))->body, "no|Incomplete login parameters: missing source");
}

TEST_F(LoginTest, GetOnTheLoginEndpointIsNotAllowed) {
  auto result = client_->Get("/clogin.php?1");
  ASSERT_TRUE(result);
  EXPECT_EQ(result->status, 405);
}

TEST_F(LoginTest, FreeAndExpiredAccountsMayUseOnlyFreeServers) {
  for (const auto& [user, password] : {std::pair<std::string, std::string>{"freeuser", "free12345"},
                                       {"expired", "expired123"}}) {
    const std::string answer = Login(user, password);
    ASSERT_EQ(answer.compare(0, 4, "yes|"), 0) << user;
    const std::string naslist = Naslist(answer);
    size_t start = 0, freeAllowed = 0, blocked = 0;
    while (start < naslist.size()) {
      size_t end = naslist.find(';', start);
      if (end == std::string::npos) end = naslist.size();
      const std::string entry = naslist.substr(start, end - start);
      start = end + 1;
      const bool free = EntryField(entry, "area").find("免费") != std::string::npos;
      if (free) {
        EXPECT_NE(EntryField(entry, "allow"), "-1") << entry;
        ++freeAllowed;
      } else {
        EXPECT_EQ(EntryField(entry, "allow"), "-1") << entry;
        ++blocked;
      }
    }
    EXPECT_GT(freeAllowed, 0u);
    EXPECT_GT(blocked, 0u);
  }
  EXPECT_EQ(Head(Login("freeuser", "free12345")), "srvtype,free|expiration,2099-12-31 23:59:59|srvid,1");
}

TEST_F(LoginTest, RelativeExpiryIsSentAsATime) {
  const std::string head = Head(Login("soonvip", "soon12345"));
  // "srvtype,vip|expiration,YYYY-MM-DD hh:mm:ss|srvid,11"
  const auto at = head.find("expiration,");
  ASSERT_NE(at, std::string::npos);
  const std::string expiration = head.substr(at + 11, head.find('|', at) - at - 11);
  int y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0;
  EXPECT_EQ(std::sscanf(expiration.c_str(), "%d-%d-%d %d:%d:%d", &y, &mo, &d, &h, &mi, &s), 6) << expiration;
  EXPECT_EQ(Head(Login("datevip", "date12345")), "srvtype,vip|expiration,2030-01-01|srvid,12");
}

TEST_F(LoginTest, AChineseNameSentInGbkOrUtf8IsFound) {
  // 王小明 in GBK, as a client on simplified Chinese Windows sends it, and in UTF-8.
  EXPECT_EQ(Head(Login("\xCD\xF5\xD0\xA1\xC3\xF7", "wxm12345")), "srvtype,vip|expiration,2030-06-30 23:59:59|srvid,12");
  EXPECT_EQ(Login("王小明", "wxm12345").compare(0, 4, "yes|"), 0);
  EXPECT_EQ(Login("王小明", "wrong"), "no|用户名或密码错误");
}

TEST_F(LoginTest, AccountsSelectEveryAnswerShape) {
  EXPECT_EQ(Login("refuse", "refuse123"), "no|您的账号已在其他设备登录，请稍后再试");
  EXPECT_EQ(Login("refuse", "refuse123", "eng"), "no|Your account is signed in on another device, please try again later");
  EXPECT_EQ(Login("notyes", "notyes123"), "ok|账号待审核");

  auto empty = Post(LoginBody(LoginParameterText(Fields("emptybody", "empty123"))));
  ASSERT_TRUE(empty);
  EXPECT_EQ(empty->status, 200);
  EXPECT_EQ(empty->body, "");
  EXPECT_EQ(empty->get_header_value("Content-Length"), "0");

  auto failing = Post(LoginBody(LoginParameterText(Fields("status500", "status123"))));
  ASSERT_TRUE(failing);
  EXPECT_EQ(failing->status, 500);

  const std::string noBar = Login("nobar", "nobar123");
  EXPECT_EQ(noBar, "服务器维护中，请稍后再试");
  EXPECT_EQ(noBar.find('|'), std::string::npos);

  const std::string noSeparator = Login("noseparator", "nosep123");
  EXPECT_EQ(noSeparator.compare(0, 4, "yes|"), 0);
  EXPECT_EQ(noSeparator.find('_'), std::string::npos);

  // Shapes apply only with the right password.
  EXPECT_EQ(Login("status500", "wrong"), "no|用户名或密码错误");
}

TEST_F(LoginTest, EdgeCaseAccountGetsItsNaslistVerbatim) {
  const std::string answer = Login("edgecases", "edge12345");
  const std::string raw = testing::ReadFile(testing::RepositoryData() / "catalogue" / "edge-naslist.txt");
  EXPECT_EQ(Naslist(answer) + "\n", raw);
  EXPECT_NE(Naslist(answer).find(";;"), std::string::npos);
  EXPECT_EQ(Naslist(answer).back(), ';');
}

TEST_F(LoginTest, BrokenAccountDataGivesServerErrorNotACrash) {
  testing::DataCopy data;
  testing::WriteFile(data.Dir() / "accounts.ini", "[x]\npassword=a\nanswer=bogus\n");
  RunningService broken(data.Dir());
  auto client = broken.Client();
  auto result = client->Post("/clogin.php", LoginBody(LoginParameterText(Fields("x", "a"))), "text/plain");
  ASSERT_TRUE(result);
  EXPECT_EQ(result->status, 500);

  testing::WriteFile(data.Dir() / "accounts.ini", "[x]\npassword=a\ncatalogue=missing.txt\n");
  result = client->Post("/clogin.php", LoginBody(LoginParameterText(Fields("x", "a"))), "text/plain");
  ASSERT_TRUE(result);
  EXPECT_EQ(result->status, 500);
}

}  // namespace
}  // namespace nimbrook::service
