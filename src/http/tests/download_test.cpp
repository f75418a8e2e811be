#include <gtest/gtest.h>

#include "core/text.h"
#include "http_test_fixture.h"

namespace nimbrook::testing {
namespace {

using DownloadTest = HttpClientTest;

TEST_F(DownloadTest, WritesTheWholeBodyWithTheBrowserAgent) {
  const std::string body = GeneratedBytes(300000);
  transport.responses.push_back(FakeResponse::Body(body, 65536));
  HttpClient client = Client();
  SessionSlot slot;
  const std::wstring path = dir.File(L"version.ini");
  EXPECT_EQ(client.DownloadToFile(slot, L"http://h:81/gen/300000", path), 0);
  EXPECT_EQ(FileBytes(path), body);
  ASSERT_EQ(transport.sessionsOpened.size(), 1u);
  EXPECT_EQ(transport.sessionsOpened[0].userAgent,
            L"Mozilla/5.0 (Windows NT 5.1) AppleWebKit/535.1 (KHTML, like Gecko) Chrome/14.0.835.202 Safari/535.1");
  ASSERT_EQ(transport.requests.size(), 1u);
  EXPECT_EQ(transport.requests[0].verb, L"GET");
  EXPECT_EQ(transport.requests[0].port, 81);
  EXPECT_EQ(transport.requests[0].path, L"/gen/300000?1700000000");
  EXPECT_TRUE(transport.requests[0].headers.empty());
  EXPECT_EQ(transport.requests[0].sentBodies, std::vector<std::string>{""});
  EXPECT_TRUE(LogLines().empty());
}

TEST_F(DownloadTest, ExistingFileIsReplaced) {
  const std::wstring path = dir.File(L"file.bin");
  ASSERT_TRUE(WriteFileBytes(path, std::string(5000, 'o')));
  transport.responses.push_back(FakeResponse::Body("new", 2));
  HttpClient client = Client();
  SessionSlot slot;
  EXPECT_EQ(client.DownloadToFile(slot, L"http://h/f", path), 0);
  EXPECT_EQ(FileBytes(path), "new");
}

TEST_F(DownloadTest, QuerySeparatorAndSlashesFollowTheBuild) {
  for (int i = 0; i < 4; ++i) transport.responses.push_back(FakeResponse::Body("x", 1));
  HttpClient client = Client();
  HttpClient updater = Updater();
  SessionSlot clientSlot, updaterSlot;
  const std::wstring path = dir.File(L"f");
  EXPECT_EQ(client.DownloadToFile(clientSlot, L"http://h/a.ini?v=2", path), 0);
  EXPECT_EQ(updater.DownloadToFile(updaterSlot, L"http://h/a.ini?v=2", path), 0);
  EXPECT_EQ(client.DownloadToFile(clientSlot, L"h/dir\\a.ini", path), 0);
  EXPECT_EQ(updater.DownloadToFile(updaterSlot, L"h/dir\\sub\\a.ini", path), 0);
  EXPECT_EQ(transport.crackedUrls, (std::vector<std::wstring>{
                                       L"http://h/a.ini?v=2&1700000000",
                                       L"http://h/a.ini?v=2?1700000000",
                                       L"http://h/dir\\a.ini?1700000000",
                                       L"http://h/dir/sub/a.ini?1700000000",
                                   }));
}

TEST_F(DownloadTest, OtherStatusReturnsItAndTouchesNoFile) {
  FakeResponse notFound = FakeResponse::Body("error page", 4);
  notFound.status = 404;
  FakeResponse serverError = FakeResponse::Body("oops", 4);
  serverError.status = 503;
  transport.responses = {notFound, serverError};
  HttpClient client = Client();
  SessionSlot slot;
  const std::wstring missing = dir.File(L"missing.bin");
  const std::wstring existing = dir.File(L"existing.bin");
  ASSERT_TRUE(WriteFileBytes(existing, "keep me"));
  EXPECT_EQ(client.DownloadToFile(slot, L"http://h/f", missing), 404);
  EXPECT_FALSE(FileExists(missing));
  EXPECT_EQ(client.DownloadToFile(slot, L"http://h/f", existing), 503);
  EXPECT_EQ(FileBytes(existing), "keep me");
  EXPECT_TRUE(LogLines().empty());  // only PostForm logs a status
}

TEST_F(DownloadTest, BodyWithoutContentLengthIsReadToItsEndInBothBuilds) {
  const std::string body = GeneratedBytes(50000);
  transport.responses = {FakeResponse::Body(body, 4000, false), FakeResponse::Body(body, 4000, false)};
  SessionSlot clientSlot, updaterSlot;
  HttpClient client = Client();
  HttpClient updater = Updater();
  EXPECT_EQ(client.DownloadToFile(clientSlot, L"http://h/f", dir.File(L"client.bin")), 0);
  EXPECT_EQ(FileBytes(dir.File(L"client.bin")), body);
  // The updater would otherwise install an empty file.
  EXPECT_EQ(updater.DownloadToFile(updaterSlot, L"http://h/f", dir.File(L"updater.bin")), 0);
  EXPECT_EQ(FileBytes(dir.File(L"updater.bin")), body);
}

TEST_F(DownloadTest, EmptyBodyWithZeroLengthIsAnEmptyFile) {
  FakeResponse empty;
  empty.contentLength = 0;
  transport.responses = {empty, empty};
  SessionSlot clientSlot, updaterSlot;
  HttpClient client = Client();
  HttpClient updater = Updater();
  EXPECT_EQ(client.DownloadToFile(clientSlot, L"http://h/f", dir.File(L"a")), 0);
  EXPECT_EQ(updater.DownloadToFile(updaterSlot, L"http://h/f", dir.File(L"b")), 0);
  EXPECT_EQ(FileBytes(dir.File(L"a")), "");
  EXPECT_EQ(FileBytes(dir.File(L"b")), "");
}

TEST_F(DownloadTest, BodyShorterThanAnnouncedFailsAndLeavesNoFile) {
  for (bool updaterBuild : {false, true}) {
    FakeResponse cut = FakeResponse::Body(GeneratedBytes(600), 300);
    cut.contentLength = 1000;
    transport.responses.push_back(cut);
    HttpClient http = updaterBuild ? Updater() : Client();
    SessionSlot slot;
    const std::wstring path = dir.File(L"cut.bin");
    ASSERT_TRUE(WriteFileBytes(path, "older copy"));
    EXPECT_EQ(http.DownloadToFile(slot, L"http://h/f", path), 12030) << updaterBuild;
    EXPECT_FALSE(FileExists(path)) << updaterBuild;
  }
}

TEST_F(DownloadTest, ClientStopsAtTheContentLength) {
  // Data past the announced length is not asked for: the loop ends once the length is reached.
  FakeResponse response = FakeResponse::Body("0123456789", 5);
  response.contentLength = 5;
  response.failQueryAtPass = 1;  // a further query would fail
  transport.responses.push_back(response);
  HttpClient client = Client();
  SessionSlot slot;
  EXPECT_EQ(client.DownloadToFile(slot, L"http://h/f", dir.File(L"f")), 0);
  EXPECT_EQ(FileBytes(dir.File(L"f")), "01234");
}

TEST_F(DownloadTest, ReadFailureMidBodyRemovesThePartialFile) {
  FakeResponse broken = FakeResponse::Body(GeneratedBytes(10000), 1000);
  broken.failReadAtPass = 4;
  broken.readError = 12002;
  FakeResponse silent = FakeResponse::Body(GeneratedBytes(10000), 1000);
  silent.failQueryAtPass = 2;
  silent.readError = 0;
  transport.responses = {broken, silent};
  HttpClient client = Client();
  SessionSlot slot;
  const std::wstring path = dir.File(L"partial.bin");
  EXPECT_EQ(client.DownloadToFile(slot, L"http://h/f", path), 12002);
  EXPECT_FALSE(FileExists(path));
  // A failure that comes without an error code is still a failure.
  EXPECT_EQ(client.DownloadToFile(slot, L"http://h/f", path), -2);
  EXPECT_FALSE(FileExists(path));
  EXPECT_TRUE(LogLines().empty());
}

TEST_F(DownloadTest, DestinationThatCannotBeOpenedGivesMinusOne) {
  transport.responses.push_back(FakeResponse::Body("data", 4));
  HttpClient client = Client();
  SessionSlot slot;
  EXPECT_EQ(client.DownloadToFile(slot, L"http://h/f", dir.File(L"no-such-dir/f.bin")), -1);
}

TEST_F(DownloadTest, UnreadableStatusIsAFailure) {
  FakeResponse noStatus = FakeResponse::Body("data", 4);
  noStatus.status = 0;
  transport.responses.push_back(noStatus);
  HttpClient client = Client();
  SessionSlot slot;
  EXPECT_EQ(client.DownloadToFile(slot, L"http://h/f", dir.File(L"f")), -2);
  EXPECT_FALSE(FileExists(dir.File(L"f")));
}

TEST_F(DownloadTest, UpdaterSendsUpToThreeTimesTheClientOnce) {
  FakeResponse twoFailures = FakeResponse::Body("ok", 2);
  twoFailures.failingSends = 2;
  FakeResponse threeFailures = FakeResponse::Body("ok", 2);
  threeFailures.failingSends = 3;
  threeFailures.sendError = 12002;
  FakeResponse oneFailure = FakeResponse::Body("ok", 2);
  oneFailure.failingSends = 1;
  transport.responses = {twoFailures, threeFailures, oneFailure};
  HttpClient updater = Updater();
  HttpClient client = Client();
  SessionSlot updaterSlot, clientSlot;
  EXPECT_EQ(updater.DownloadToFile(updaterSlot, L"http://h/a", dir.File(L"a")), 0);
  EXPECT_EQ(transport.requests[0].sentBodies.size(), 3u);
  EXPECT_EQ(FileBytes(dir.File(L"a")), "ok");
  EXPECT_EQ(updater.DownloadToFile(updaterSlot, L"http://h/b", dir.File(L"b")), 12002);
  EXPECT_EQ(transport.requests[1].sentBodies.size(), 3u);
  EXPECT_TRUE(LogLines().empty());  // the updater logs nothing
  EXPECT_EQ(client.DownloadToFile(clientSlot, L"http://h/c", dir.File(L"c")), 12029);
  EXPECT_EQ(transport.requests[2].sentBodies.size(), 1u);
  EXPECT_EQ(LogLines(), std::vector<std::string>{text::ToUtf8(L"发送http请求失败")});
}

TEST_F(DownloadTest, UpdaterTakesItsProxyFromTheRegistryValuesAndItsTimeOuts) {
  settings.values.keyOpened = true;
  settings.values.proxyEnable = 1;
  settings.values.proxyServer = L"10.1.1.1:8080";
  settings.values.proxyOverride = L"<local>";
  transport.ieConfig.proxy = L"ignored:1";
  transport.responses.push_back(FakeResponse::Body("x", 1));
  HttpClient updater = Updater();
  SessionSlot slot;
  EXPECT_EQ(updater.DownloadToFile(slot, L"http://h/f", dir.File(L"f")), 0);
  EXPECT_EQ(settings.reads, 1);
  ASSERT_EQ(transport.sessionsOpened.size(), 1u);
  EXPECT_EQ(transport.sessionsOpened[0].proxy.accessType, kAccessTypeNamedProxy);
  EXPECT_EQ(transport.sessionsOpened[0].proxy.proxyList, L"10.1.1.1:8080");
  EXPECT_EQ(transport.sessionsOpened[0].proxy.bypassList, L"<local>");
  ASSERT_EQ(transport.timeoutsSet.size(), 1u);
  EXPECT_EQ(transport.timeoutsSet[0].resolve, 60000);
  EXPECT_EQ(transport.timeoutsSet[0].receive, 60000);
}

TEST_F(DownloadTest, RetryMakesTwoAttemptsEachWithItsOwnSession) {
  FakeResponse notFound;
  notFound.status = 404;
  transport.responses = {notFound, notFound};
  HttpClient client = Client();
  EXPECT_FALSE(client.DownloadWithRetry(L"http://h/f", dir.File(L"f")));
  ASSERT_EQ(transport.requests.size(), 2u);
  EXPECT_EQ(transport.sessionsOpened.size(), 2u);
  EXPECT_NE(transport.requests[0].session, transport.requests[1].session);
  EXPECT_EQ(transport.sessionsAlive, 0);  // both released
  EXPECT_FALSE(FileExists(dir.File(L"f")));
}

TEST_F(DownloadTest, RetrySucceedsOnTheSecondAttemptAndStopsAtTheFirstSuccess) {
  FakeResponse refused;
  refused.failingSends = 1;
  transport.responses = {refused, FakeResponse::Body("second", 3), FakeResponse::Body("third", 3)};
  HttpClient client = Client();
  EXPECT_TRUE(client.DownloadWithRetry(L"http://h/f", dir.File(L"f")));
  EXPECT_EQ(FileBytes(dir.File(L"f")), "second");
  EXPECT_EQ(transport.requests.size(), 2u);
  EXPECT_EQ(transport.responses.size(), 1u);  // no third attempt
  EXPECT_EQ(transport.sessionsAlive, 0);

  HttpClient updater = Updater();
  EXPECT_FALSE(updater.DownloadWithRetry(L"http://h/f", dir.File(L"g")));
  EXPECT_EQ(transport.requests.size(), 2u);
}

TEST_F(DownloadTest, ProcessClientCanBeReplaced) {
  transport.responses.push_back(FakeResponse::Body("via process client", 5));
  HttpClient client = Client();
  SetProcessHttpClient(&client);
  SessionSlot slot;
  EXPECT_EQ(DownloadToFile(slot, L"http://h/f", dir.File(L"f")), 0);
  ReleaseSession(slot);
  SetProcessHttpClient(nullptr);
  EXPECT_EQ(FileBytes(dir.File(L"f")), "via process client");
  EXPECT_EQ(transport.sessionsAlive, 0);
}

}  // namespace
}  // namespace nimbrook::testing
