#include <gtest/gtest.h>

#include "core/text.h"
#include "http/http_exception.h"
#include "http_test_fixture.h"

namespace nimbrook::testing {
namespace {

std::string U8(const std::wstring& wide) { return text::ToUtf8(wide); }

using PostFormTest = HttpClientTest;

TEST_F(PostFormTest, SendsTheFormWithItsHeaderAgentAndCacheBustingQuery) {
  transport.responses.push_back(FakeResponse::Body("yes|account", 4));
  HttpClient client = Client();
  SessionSlot slot;
  std::wstring answer;
  EXPECT_EQ(client.PostForm(answer, slot, L"127.0.0.1:8080/clogin.php?x=1", "m=windows&a=login&p=AB+/\r\n=="), 0);
  EXPECT_EQ(answer, L"yes|account");

  ASSERT_EQ(transport.sessionsOpened.size(), 1u);
  EXPECT_EQ(transport.sessionsOpened[0].userAgent, L"NimbrookClient");
  EXPECT_EQ(transport.sessionsOpened[0].proxy.accessType, kAccessTypeNoProxy);
  ASSERT_EQ(transport.timeoutsSet.size(), 1u);
  EXPECT_EQ(transport.timeoutsSet[0].resolve, 10000);
  EXPECT_EQ(transport.timeoutsSet[0].connect, 20000);
  EXPECT_EQ(transport.timeoutsSet[0].send, 10000);
  EXPECT_EQ(transport.timeoutsSet[0].receive, 15000);

  // A POST URL always takes "?" (even after a query) and gets "http://" when it has no scheme.
  ASSERT_EQ(transport.crackedUrls.size(), 1u);
  EXPECT_EQ(transport.crackedUrls[0], L"http://127.0.0.1:8080/clogin.php?x=1?1700000000");
  ASSERT_EQ(transport.requests.size(), 1u);
  const auto& request = transport.requests[0];
  EXPECT_EQ(request.verb, L"POST");
  EXPECT_EQ(request.host, L"127.0.0.1");
  EXPECT_EQ(request.port, 8080);
  EXPECT_EQ(request.path, L"/clogin.php?x=1?1700000000");
  EXPECT_EQ(request.headers, std::vector<std::wstring>{L"Content-Type: application/x-www-form-urlencoded"});
  // The body goes out as its bytes, neither encoded nor terminated.
  EXPECT_EQ(request.sentBodies, std::vector<std::string>{"m=windows&a=login&p=AB+/\r\n=="});
  EXPECT_TRUE(LogLines().empty());
}

TEST_F(PostFormTest, AnswersAroundTheInitialBufferSizeComeBackWhole) {
  // 10240 bytes is the accumulation buffer's first size: exactly it, one less, one more, in one
  // chunk and split so multi-byte characters straddle the chunk borders.
  for (size_t size : {10239u, 10240u, 10241u}) {
    for (size_t chunk : {size_t{10240}, size_t{4096}, size_t{1000}, size_t{7}}) {
      const std::string body = Utf8Text(size);
      transport.responses.push_back(FakeResponse::Body(body, chunk));
      HttpClient client = Client();
      SessionSlot slot;
      std::wstring answer;
      ASSERT_EQ(client.PostForm(answer, slot, L"http://h/p", "a"), 0);
      EXPECT_EQ(answer, text::FromUtf8(body)) << size << " in chunks of " << chunk;
      EXPECT_EQ(text::ToUtf8(answer).size(), size);
    }
  }
}

TEST_F(PostFormTest, AnswerOfSeveralHundredKilobytesComesBackWhole) {
  const std::string body = Utf8Text(300 * 1024 + 17);
  transport.responses.push_back(FakeResponse::Body(body, 8191, /*withLength=*/false));
  HttpClient client = Client();
  SessionSlot slot;
  std::wstring answer;
  ASSERT_EQ(client.PostForm(answer, slot, L"http://h/p", "a"), 0);
  EXPECT_EQ(text::ToUtf8(answer), body);
  EXPECT_EQ(answer.substr(0, 7), L"网络加速ab\n");
}

TEST_F(PostFormTest, OtherStatusIsLoggedAndLeavesTheAnswerAlone) {
  FakeResponse notFound = FakeResponse::Body("not here", 100);
  notFound.status = 404;
  transport.responses.push_back(notFound);
  HttpClient client = Client();
  SessionSlot slot;
  std::wstring answer = L"previous";
  EXPECT_EQ(client.PostForm(answer, slot, L"http://h/p", "a"), 0);
  EXPECT_EQ(answer, L"previous");
  EXPECT_EQ(LogLines(), std::vector<std::string>{U8(L"http返回代码：404")});
}

TEST_F(PostFormTest, SendFailureIsLoggedAndReturnsTheErrorCode) {
  FakeResponse refused;
  refused.failingSends = 5;
  refused.sendError = 12029;
  transport.responses.push_back(refused);
  HttpClient client = Client();
  SessionSlot slot;
  std::wstring answer = L"previous";
  EXPECT_EQ(client.PostForm(answer, slot, L"http://h/p", "a"), 12029);
  EXPECT_EQ(answer, L"previous");
  EXPECT_EQ(transport.TotalSends(), 1);  // the client sends once
  EXPECT_EQ(LogLines(), (std::vector<std::string>{U8(L"发送http请求失败"), U8(L"HTTP Sendrequest Error 错误码：12029")}));
  // The session stays in the slot for the caller to release.
  EXPECT_FALSE(slot.Empty());
}

TEST_F(PostFormTest, SetUpFailuresHaveTheirKindsAndLogLines) {
  struct Case {
    std::optional<uint32_t> FakeHttpTransport::*step;
    std::wstring line;
    std::wstring message;
  };
  const Case cases[] = {
      {&FakeHttpTransport::openSessionError, L"初始化winhttp出错", L"HTTP Open Error 错误码：87"},
      {&FakeHttpTransport::setTimeoutsError, L"设置winhttp超时出错", L"HTTP SetTimeout Error 错误码：87"},
      {&FakeHttpTransport::connectError, L"winhttp connect失败", L"HTTP Connect Error 错误码：87"},
      {&FakeHttpTransport::openRequestError, L"创建http请求句柄失败", L"HTTP Openrequest Error 错误码：87"},
      {&FakeHttpTransport::addHeaderError, L"添加http请求头失败", L"HTTP Addheader Error 错误码：87"},
  };
  for (const auto& c : cases) {
    FakeHttpTransport failing;
    failing.*(c.step) = 87u;
    HttpClient client(HttpVariant::Client(), failing, settings, [] { return kNow; });
    ResetLog();
    SessionSlot slot;
    std::wstring answer = L"previous";
    EXPECT_EQ(client.PostForm(answer, slot, L"http://h/p", "a"), 87) << U8(c.line);
    EXPECT_EQ(answer, L"previous");
    EXPECT_EQ(LogLines(), (std::vector<std::string>{U8(c.line), U8(c.message)}));
  }
}

TEST_F(PostFormTest, SessionThatFailedToOpenIsNotKeptInTheSlot) {
  transport.setTimeoutsError = 6u;
  HttpClient client = Client();
  SessionSlot slot;
  std::wstring answer;
  EXPECT_EQ(client.PostForm(answer, slot, L"http://h/p", "a"), 6);
  EXPECT_TRUE(slot.Empty());
  EXPECT_EQ(transport.sessionsAlive, 0);
  // The next call on the same slot tries a new session instead of using a half-made one.
  transport.setTimeoutsError.reset();
  transport.responses.push_back(FakeResponse::Body("ok", 2));
  EXPECT_EQ(client.PostForm(answer, slot, L"http://h/p", "a"), 0);
  EXPECT_EQ(answer, L"ok");
  EXPECT_EQ(transport.sessionsOpened.size(), 2u);
}

TEST_F(PostFormTest, UnusableUrlIsACrackError) {
  transport.crackError = 12006u;
  HttpClient client = Client();
  SessionSlot slot;
  std::wstring answer;
  EXPECT_EQ(client.PostForm(answer, slot, L"ftp://h/p", "a"), 12006);
  EXPECT_EQ(LogLines(), std::vector<std::string>{U8(L"HTTP Crackurl Error 错误码：12006")});
}

TEST_F(PostFormTest, ReadFailuresEndTheExchangeWithTheirCode) {
  FakeResponse queryFails = FakeResponse::Body("abcdef", 2);
  queryFails.failQueryAtPass = 1;
  queryFails.readError = 12002;
  FakeResponse readFails = FakeResponse::Body("abcdef", 2);
  readFails.failReadAtPass = 2;
  readFails.readError = 12030;
  FakeResponse readsNothing = FakeResponse::Body("abcdef", 2);
  readsNothing.failReadAtPass = 0;
  readsNothing.readGivesNothing = true;
  transport.responses = {queryFails, readFails, readsNothing};
  HttpClient client = Client();
  SessionSlot slot;
  std::wstring answer = L"previous";
  EXPECT_EQ(client.PostForm(answer, slot, L"http://h/p", "a"), 12002);
  EXPECT_EQ(client.PostForm(answer, slot, L"http://h/p", "a"), 12030);
  // A read that brings nothing after data was announced: the connection ended under it.
  EXPECT_EQ(client.PostForm(answer, slot, L"http://h/p", "a"), 12030);
  EXPECT_EQ(answer, L"previous");
  EXPECT_EQ(LogLines(), (std::vector<std::string>{U8(L"HTTP Read Web Data Error 错误码：12002"),
                                                  U8(L"HTTP Read Web Data Error 错误码：12030"),
                                                  U8(L"HTTP Read Web Data Error 错误码：12030")}));
  // One session served all three.
  EXPECT_EQ(transport.sessionsOpened.size(), 1u);
}

TEST_F(PostFormTest, FailureWithoutErrorCodeIsNotReportedAsSuccess) {
  FakeResponse silent = FakeResponse::Body("abc", 1);
  silent.failQueryAtPass = 1;
  silent.readError = 0;
  transport.responses.push_back(silent);
  HttpClient client = Client();
  SessionSlot slot;
  std::wstring answer = L"previous";
  EXPECT_EQ(client.PostForm(answer, slot, L"http://h/p", "a"), -2);
  EXPECT_EQ(answer, L"previous");
  EXPECT_EQ(LogLines(), std::vector<std::string>{"HTTP Read Web Data Error"});
}

TEST_F(PostFormTest, SlotIsReusedUntilReleased) {
  transport.responses = {FakeResponse::Body("a", 1), FakeResponse::Body("b", 1), FakeResponse::Body("c", 1)};
  HttpClient client = Client();
  SessionSlot slot;
  std::wstring answer;
  EXPECT_EQ(client.PostForm(answer, slot, L"http://h/p", "a"), 0);
  EXPECT_EQ(client.PostForm(answer, slot, L"http://h/p", "a"), 0);
  EXPECT_EQ(transport.sessionsOpened.size(), 1u);
  client.ReleaseSession(slot);
  EXPECT_TRUE(slot.Empty());
  EXPECT_EQ(transport.sessionsAlive, 0);
  EXPECT_EQ(client.PostForm(answer, slot, L"http://h/p", "a"), 0);
  EXPECT_EQ(transport.sessionsOpened.size(), 2u);
  EXPECT_EQ(transport.requests[2].session, 2);
}

TEST_F(PostFormTest, BrowserProxyGoesIntoTheSession) {
  transport.ieConfig.proxy = L"http=10.0.0.1:3128;https=10.0.0.1:3129";
  transport.ieConfig.bypass = L"<local>;*.corp";
  transport.responses.push_back(FakeResponse::Body("a", 1));
  HttpClient client = Client();
  SessionSlot slot;
  std::wstring answer;
  EXPECT_EQ(client.PostForm(answer, slot, L"http://h/p", "a"), 0);
  ASSERT_EQ(transport.sessionsOpened.size(), 1u);
  const ProxySettings& proxy = transport.sessionsOpened[0].proxy;
  EXPECT_EQ(proxy.accessType, kAccessTypeNamedProxy);
  EXPECT_EQ(proxy.proxyList, L"http=10.0.0.1:3128;https=10.0.0.1:3129");
  EXPECT_EQ(proxy.bypassList, L"<local>;*.corp");
  EXPECT_EQ(settings.reads, 0);  // the client does not look at the registry values
}

TEST_F(PostFormTest, UpdaterBuildHasNoFormPost) {
  HttpClient updater = Updater();
  SessionSlot slot;
  std::wstring answer = L"previous";
  EXPECT_EQ(updater.PostForm(answer, slot, L"http://h/p", "a"), -1);
  EXPECT_EQ(answer, L"previous");
  EXPECT_TRUE(transport.sessionsOpened.empty());
}

TEST(HttpExceptionTest, MessagesNameTheKindAndTheCode) {
  EXPECT_EQ(CHttpException(kHttpOpenError, 12029).Message(), L"HTTP Open Error 错误码：12029\n");
  EXPECT_EQ(CHttpException(kHttpSendRequestError, 0).Message(), L"HTTP Sendrequest Error\n");
  EXPECT_EQ(CHttpException(kHttpSetOptionError, 5).Message(), L"HTTP Setopntion Error 错误码：5\n");
  EXPECT_EQ(CHttpException(kHttpOk, 0).Message(), L"HTTP Ok\n");
  EXPECT_EQ(CHttpException(4242, 1).Message(), L"HTTP Unknown Error 错误码：1\n");
  EXPECT_STREQ(HttpErrorName(kHttpCloseHandleError), "CloseHandle Error");
  EXPECT_STREQ(HttpErrorName(kHttpRegeditError), "Regedit Error");
  EXPECT_STREQ(HttpErrorName(kHttpCrackUrlError), "Crackurl Error");
  EXPECT_STREQ(HttpErrorName(kHttpReadDataError), "Read Web Data Error");
  EXPECT_EQ(CHttpException(kHttpReadDataError, 12030).Kind(), 1011);
  EXPECT_EQ(CHttpException(kHttpReadDataError, 12030).SystemError(), 12030u);
}

}  // namespace
}  // namespace nimbrook::testing
