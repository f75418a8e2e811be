// The login walk over the scriptable HTTP transport: which lists and URLs are tried, what is kept,
// what "version.ini" is left holding, the notifications and the log lines; the account reload and
// the credential token.
#include "account/login_service.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "account/descriptor.h"
#include "account/login_encoding.h"
#include "core/file_io.h"
#include "core/languages.h"
#include "core/log.h"
#include "core/paths.h"
#include "core/settings.h"
#include "core/text.h"
#include "fake_http_transport.h"
#include "http/http_client.h"
#include "os/profile_file.h"
#include "testing/temp_dir.h"

namespace nimbrook {
namespace {

using testing::FakeResponse;

constexpr wchar_t kUrlA[] = L"http://srv-a.example/clogin.php";
constexpr wchar_t kUrlB[] = L"http://srv-b.example/clogin.php";
constexpr char kAccepted[] = "yes|srvtype,vip|expiration,2031-12-31 23:59:59|srvid,11_nas1;nas2";
constexpr char kRefused[] = "no|\xE7\x94\xA8\xE6\x88\xB7\xE5\x90\x8D\xE6\x88\x96\xE5\xAF\x86\xE7\xA0\x81\xE9\x94\x99\xE8\xAF\xAF";

struct Notification {
  int32_t state;
  int32_t code;
  std::wstring message;
};

// Records every notification with the service's state at that moment.
class RecordingObserver : public StateObserver {
 public:
  void OnStateChanged(StateSubject* subject) override {
    auto* service = static_cast<LoginService*>(subject);
    std::lock_guard<std::mutex> guard(lock);
    seen.push_back({service->State(), subject->Code(), subject->Message()});
    if (subject->Code() != kLoginRunningCode) {
      finished = true;
      done.notify_all();
    }
  }
  void WaitForEnd() {
    std::unique_lock<std::mutex> guard(lock);
    done.wait(guard, [this] { return finished; });
  }
  std::mutex lock;
  std::condition_variable done;
  bool finished = false;
  std::vector<Notification> seen;
};

FakeResponse Answer(const std::string& body) { return FakeResponse::Body(body, 1000); }

FakeResponse Unreachable() {
  FakeResponse response;
  response.failingSends = 1;
  response.sendError = 12029;
  return response;
}

class LoginServiceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetProcessPaths(ComputePaths(dir.File(L"Nimbrook.exe")));
    ASSERT_TRUE(CreateDirectoryIfMissing(Paths().configDir));
    SetLogFile(dir.File(L"nimbrook.log"));
    ResetLog();
    SetProcessHttpClient(&client);
    SetLoginEndpoint(DefaultLoginEndpoint());
    ASSERT_TRUE(profile->WriteStringA(configPath, "Setting", "source", "web"));
    settings.Load();
    settings.SetUsername("alice01");
    settings.SetPassword("secret123");
    settings.PublishIdentity({"board", "cpu-1", "00-11-22-33-44-55", "disk-9", "Windows 10"});
    service.SetIdentityWaitBound(std::chrono::milliseconds(0));
    service.Attach(&observer);
  }
  void TearDown() override {
    SetProcessHttpClient(nullptr);
    SetLogFile(L"");
    SetLoginEndpoint(DefaultLoginEndpoint());
  }

  // Runs one login on the calling thread, as the worker does.
  void RunLogin() {
    observer.seen.clear();
    LoginService::LoginWorker(&service);
  }

  std::wstring StoredLoginUrl() {
    return profile->ReadString(DescriptorPath(), L"URL", L"loginURL", L"(none)", kWindowValueCapacity);
  }

  // The log lines the walk writes itself (the HTTP client adds its own lines on failures).
  std::vector<std::string> WalkLogLines() {
    std::string bytes;
    EXPECT_TRUE(ReadFileBytes(dir.File(L"nimbrook.log"), bytes));
    std::vector<std::string> lines;
    size_t start = 3;  // after the byte-order mark
    while (start < bytes.size()) {
      size_t end = bytes.find('\n', start);
      if (end == std::string::npos) end = bytes.size();
      const std::string line = bytes.substr(start, end - start);
      if (line.rfind("dwRet:", 0) == 0 || line.rfind("\xE7\x99\xBB\xE5\xBD\x95", 0) == 0 ||
          line.rfind("\xE6\x97\xA0\xE6\xB3\x95", 0) == 0) {
        lines.push_back(line);
      }
      start = end + 1;
    }
    return lines;
  }

  std::vector<int32_t> Codes() {
    std::vector<int32_t> codes;
    for (const auto& n : observer.seen) codes.push_back(n.code);
    return codes;
  }

  testing::TempDir dir;
  std::unique_ptr<os::ProfileFiles> profile = os::MakePortableProfileFiles();
  std::wstring configPath = dir.File(L"config.ini");
  Settings settings{*profile, configPath};
  testing::FakeHttpTransport transport;
  testing::FakeInternetSettings internet;
  HttpClient client{HttpVariant::Client(), transport, internet, [] { return int64_t{1700000000}; }};
  LoginService service{settings, *profile};
  RecordingObserver observer;
};

const std::string kLoginLine = "\xE7\x99\xBB\xE5\xBD\x95\xE6\x9C\x8D\xE5\x8A\xA1\xE5\x99\xA8 ";  // "登录服务器 "

TEST_F(LoginServiceTest, FirstUrlUnreachableSecondAccepts) {
  const std::wstring list = std::wstring(kUrlA) + L";" + kUrlB;
  service.SetEndpointLists({{list, L"LOCALENC"}, {}});
  transport.responses.push_back(Unreachable());
  transport.responses.push_back(Answer(kAccepted));
  RunLogin();

  ASSERT_EQ(transport.requests.size(), 2u);
  EXPECT_EQ(transport.requests[0].host, L"srv-a.example");
  EXPECT_EQ(transport.requests[1].host, L"srv-b.example");
  EXPECT_EQ(transport.TotalSends(), 2);
  EXPECT_EQ(LoginEndpoint(), kUrlB);
  EXPECT_EQ(service.UrlList(), list);
  EXPECT_EQ(service.Answer(), text::FromUtf8(kAccepted));
  EXPECT_EQ(service.State(), kLoginSucceeded);
  EXPECT_EQ(StoredLoginUrl(), L"LOCALENC");

  ASSERT_EQ(observer.seen.size(), 2u);
  EXPECT_EQ(observer.seen[0].state, kLoginRunning);
  EXPECT_EQ(observer.seen[0].code, kLoginRunningCode);
  EXPECT_EQ(observer.seen[0].message, Text(kLoggingInTextId));
  EXPECT_EQ(observer.seen[1].state, kLoginSucceeded);
  EXPECT_EQ(observer.seen[1].code, kLoginSucceededCode);
  EXPECT_EQ(observer.seen[1].message, L"");
  EXPECT_EQ(service.Detail(), 0);
  EXPECT_EQ(service.Extra(), L"");

  const std::vector<std::string> expected{kLoginLine + "-a.example/clogin.php", "dwRet:12029",
                                          kLoginLine + "-b.example/clogin.php", "dwRet:0"};
  EXPECT_EQ(WalkLogLines(), expected);
}

TEST_F(LoginServiceTest, TheBodyCarriesTheSettingsLanguageAndIdentity) {
  service.SetEndpointLists({{kUrlA, L"E"}, {}});
  transport.responses.push_back(Answer(kAccepted));
  RunLogin();
  LoginFields fields;
  fields.username = "alice01";
  fields.password = "secret123";
  fields.locale = text::ToAnsi(CurrentLanguage());
  fields.source = "web";
  fields.cpusn = "cpu-1";
  fields.macaddress = "00-11-22-33-44-55";
  fields.harddisksn = "disk-9";
  fields.systemver = "Windows 10";
  ASSERT_EQ(transport.requests.size(), 1u);
  EXPECT_EQ(transport.requests[0].verb, L"POST");
  EXPECT_EQ(transport.requests[0].sentBodies, std::vector<std::string>{LoginBody(LoginParameterText(fields))});
}

TEST_F(LoginServiceTest, RefusalStopsTheWalkAndKeepsTheFailureText) {
  service.SetEndpointLists({{std::wstring(kUrlA) + L";" + kUrlB, L"LOCALENC"}, {}});
  transport.responses.push_back(Answer(kRefused));
  transport.responses.push_back(Answer(kAccepted));
  RunLogin();

  EXPECT_EQ(transport.requests.size(), 1u);  // the second URL is never tried
  EXPECT_EQ(service.State(), kLoginFailed);
  const std::wstring reason = text::FromUtf8(std::string(kRefused).substr(3));
  EXPECT_EQ(service.FailureText(), reason);
  EXPECT_EQ(service.Answer(), L"");  // a refused answer never reaches the login window
  EXPECT_EQ(LoginEndpoint(), DefaultLoginEndpoint());
  EXPECT_EQ(service.UrlList(), DefaultLoginEndpoint());
  ASSERT_EQ(observer.seen.size(), 2u);
  EXPECT_EQ(observer.seen[1].state, kLoginFailed);
  EXPECT_EQ(observer.seen[1].code, kLoginFailedCode);
  EXPECT_EQ(observer.seen[1].message, reason);
  // A failed local list is still the one written back when there is no fresh one.
  EXPECT_EQ(StoredLoginUrl(), L"LOCALENC");
}

TEST_F(LoginServiceTest, StatusContainingYesAccepts) {
  service.SetEndpointLists({{kUrlA, L"E"}, {}});
  transport.responses.push_back(Answer("ok-yes|srvtype,vip"));
  RunLogin();
  EXPECT_EQ(Codes(), (std::vector<int32_t>{14, 15}));
  EXPECT_EQ(service.Answer(), L"ok-yes|srvtype,vip");
}

TEST_F(LoginServiceTest, ListEndingInSeparatorPostsToAnEmptyUrlThatFails) {
  service.SetEndpointLists({{std::wstring(kUrlA) + L";", L"E"}, {}});
  transport.responses.push_back(Answer(""));  // empty answer: on to the next URL
  RunLogin();

  EXPECT_EQ(transport.requests.size(), 1u);  // the empty URL never becomes a request
  ASSERT_EQ(transport.crackedUrls.size(), 2u);
  EXPECT_EQ(service.State(), kLoginFailed);
  EXPECT_EQ(Codes(), (std::vector<int32_t>{14, 16}));
  const std::vector<std::string> lines = WalkLogLines();
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[0], kLoginLine + "-a.example/clogin.php");
  EXPECT_EQ(lines[1], "dwRet:0");
  EXPECT_EQ(lines[2], kLoginLine);
  EXPECT_NE(lines[3], "dwRet:0");
  EXPECT_EQ(lines[3].rfind("dwRet:", 0), 0u);
}

TEST_F(LoginServiceTest, WalkResultIsTheLastTransportResultOrOneForEmptyAnswers) {
  service.SetEndpointLists({{std::wstring(kUrlA) + L";" + kUrlB, L"E"}, {}});
  transport.responses.push_back(Answer(""));
  transport.responses.push_back(Unreachable());
  EXPECT_EQ(service.LoginOverList(std::wstring(kUrlA) + L";" + kUrlB), 12029);

  FakeResponse serverError = Answer("broken");
  serverError.status = 500;
  transport.responses.push_back(Unreachable());
  transport.responses.push_back(serverError);
  EXPECT_EQ(service.LoginOverList(std::wstring(kUrlA) + L";" + kUrlB), 1);
  EXPECT_EQ(transport.requests.size(), 4u);
}

TEST_F(LoginServiceTest, NoListAtAll) {
  RunLogin();
  EXPECT_TRUE(transport.requests.empty());
  EXPECT_EQ(Codes(), (std::vector<int32_t>{14, 16}));
  EXPECT_EQ(WalkLogLines(),
            std::vector<std::string>{"\xE6\x97\xA0\xE6\xB3\x95\xE8\x8E\xB7\xE5\x8F\x96\xE4\xBB\xBB\xE4\xBD\x95loginUrl"
                                     "\xE4\xBF\xA1\xE6\x81\xAF"});
  EXPECT_FALSE(FileExists(DescriptorPath()));
}

TEST_F(LoginServiceTest, FreshFailsAndNoLocalListWritesNothing) {
  service.SetEndpointLists({{}, {kUrlA, L"FRESHENC"}});
  transport.responses.push_back(Unreachable());
  RunLogin();
  EXPECT_EQ(transport.requests.size(), 1u);
  EXPECT_EQ(Codes(), (std::vector<int32_t>{14, 16}));
  const std::vector<std::string> lines = WalkLogLines();
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[2], "\xE6\x97\xA0\xE6\xB3\x95\xE8\x8E\xB7\xE5\x8F\x96\xE6\x9C\xAC\xE5\x9C\xB0LoginUrl"
                      "\xE4\xBF\xA1\xE6\x81\xAF");  // "无法获取本地LoginUrl信息"
  EXPECT_FALSE(FileExists(DescriptorPath()));
}

TEST_F(LoginServiceTest, FreshAndLocalBothFailLeavesTheFreshListStored) {
  service.SetEndpointLists({{kUrlB, L"LOCALENC"}, {kUrlA, L"FRESHENC"}});
  transport.responses.push_back(Unreachable());
  transport.responses.push_back(Answer(""));
  RunLogin();
  ASSERT_EQ(transport.requests.size(), 2u);
  EXPECT_EQ(transport.requests[0].host, L"srv-a.example");
  EXPECT_EQ(transport.requests[1].host, L"srv-b.example");
  EXPECT_EQ(service.State(), kLoginFailed);
  EXPECT_EQ(StoredLoginUrl(), L"FRESHENC");
}

TEST_F(LoginServiceTest, FreshFailsLocalAcceptsStoresTheLocalList) {
  service.SetEndpointLists({{kUrlB, L"LOCALENC"}, {kUrlA, L"FRESHENC"}});
  transport.responses.push_back(Answer(kRefused));
  transport.responses.push_back(Answer(kAccepted));
  RunLogin();
  EXPECT_EQ(transport.requests.size(), 2u);
  EXPECT_EQ(Codes(), (std::vector<int32_t>{14, 15}));
  EXPECT_EQ(StoredLoginUrl(), L"LOCALENC");
  EXPECT_EQ(LoginEndpoint(), kUrlB);
}

TEST_F(LoginServiceTest, FreshAcceptsSkipsTheLocalList) {
  service.SetEndpointLists({{kUrlB, L"LOCALENC"}, {kUrlA, L"FRESHENC"}});
  transport.responses.push_back(Answer(kAccepted));
  RunLogin();
  EXPECT_EQ(transport.requests.size(), 1u);
  EXPECT_EQ(StoredLoginUrl(), L"FRESHENC");
  EXPECT_EQ(service.UrlList(), kUrlA);
}

TEST_F(LoginServiceTest, FreshEqualToLocalIsWalkedOnce) {
  service.SetEndpointLists({{kUrlA, L"LOCALENC"}, {kUrlA, L"FRESHENC"}});
  transport.responses.push_back(Unreachable());
  RunLogin();
  EXPECT_EQ(transport.requests.size(), 1u);
  EXPECT_EQ(StoredLoginUrl(), L"LOCALENC");
}

TEST_F(LoginServiceTest, NoStaleOrRefusedAnswerOpensTheMainWindow) {
  // First attempt accepted: the answer is there for the login window.
  service.SetEndpointLists({{kUrlA, L"E"}, {}});
  transport.responses.push_back(Answer(kAccepted));
  RunLogin();
  ASSERT_EQ(Codes(), (std::vector<int32_t>{14, 15}));

  // An answer without "|" from the only URL: not a success, and the earlier answer is gone.
  transport.responses.push_back(Answer("\xE6\x9C\x8D\xE5\x8A\xA1\xE5\x99\xA8\xE7\xBB\xB4\xE6\x8A\xA4"));
  RunLogin();
  EXPECT_EQ(Codes(), (std::vector<int32_t>{14, 16}));
  EXPECT_EQ(service.State(), kLoginFailed);
  EXPECT_EQ(service.Answer(), L"");

  // A refusal after an accepted login: failed, no answer to take.
  transport.responses.push_back(Answer(kAccepted));
  RunLogin();
  transport.responses.push_back(Answer(kRefused));
  RunLogin();
  EXPECT_EQ(Codes(), (std::vector<int32_t>{14, 16}));
  EXPECT_EQ(service.Answer(), L"");
}

TEST_F(LoginServiceTest, AnswerWithoutBarMovesOnToTheNextUrl) {
  service.SetEndpointLists({{std::wstring(kUrlA) + L";" + kUrlB, L"E"}, {}});
  transport.responses.push_back(Answer("maintenance"));
  transport.responses.push_back(Answer(kAccepted));
  RunLogin();
  EXPECT_EQ(transport.requests.size(), 2u);
  EXPECT_EQ(Codes(), (std::vector<int32_t>{14, 15}));
  EXPECT_EQ(service.Answer(), text::FromUtf8(kAccepted));
  EXPECT_EQ(LoginEndpoint(), kUrlB);
}

TEST_F(LoginServiceTest, StartLoginRunsOnAWorkerThatKeepsTheServiceAlive) {
  auto shared = std::make_shared<LoginService>(settings, *profile);
  shared->SetIdentityWaitBound(std::chrono::milliseconds(0));
  RecordingObserver watcher;
  shared->Attach(&watcher);
  shared->SetEndpointLists({{kUrlA, L"E"}, {}});
  transport.responses.push_back(Answer(kAccepted));
  ASSERT_TRUE(shared->StartLogin());
  watcher.WaitForEnd();
  // The worker holds its own reference: dropping ours while it finishes is safe.
  shared.reset();
  std::lock_guard<std::mutex> guard(watcher.lock);
  ASSERT_EQ(watcher.seen.size(), 2u);
  EXPECT_EQ(watcher.seen[0].code, kLoginRunningCode);
  EXPECT_EQ(watcher.seen[0].state, kLoginRunning);
  EXPECT_EQ(watcher.seen[1].code, kLoginSucceededCode);
  EXPECT_EQ(watcher.seen[1].state, kLoginSucceeded);
}

TEST_F(LoginServiceTest, IdentityNotCollectedInTimeGoesEmpty) {
  Settings fresh(*profile, configPath);
  fresh.Load();
  fresh.SetUsername("alice01");
  fresh.SetPassword("secret123");
  LoginService other(fresh, *profile);
  other.SetIdentityWaitBound(std::chrono::milliseconds(0));
  other.SetEndpointLists({{std::wstring(kUrlA) + L";" + kUrlB, L"E"}, {}});
  transport.responses.push_back(Answer(""));
  transport.responses.push_back(Answer(kAccepted));
  LoginService::LoginWorker(&other);
  LoginFields fields;
  fields.username = "alice01";
  fields.password = "secret123";
  fields.locale = text::ToAnsi(CurrentLanguage());
  fields.source = "web";
  const std::string body = LoginBody(LoginParameterText(fields));
  ASSERT_EQ(transport.requests.size(), 2u);
  EXPECT_EQ(transport.requests[0].sentBodies, std::vector<std::string>{body});
  EXPECT_EQ(transport.requests[1].sentBodies, std::vector<std::string>{body});
  EXPECT_EQ(other.State(), kLoginSucceeded);
}

TEST(LoginServiceSingletonTest, OneInstanceUntilReleasedAndHeldCopiesStayValid) {
  std::shared_ptr<LoginService> held = LoginService::shared();
  EXPECT_EQ(LoginService::instance(), held.get());
  EXPECT_EQ(LoginService::instance(), LoginService::instance());
  EXPECT_EQ(held->State(), kLoginIdle);
  EXPECT_EQ(held->UrlList(), LoginEndpoint());
  LoginService::Release();
  EXPECT_EQ(held->State(), kLoginIdle);  // still usable by whoever holds it
  EXPECT_NE(LoginService::instance(), held.get());
  LoginService::Release();
  LoginService::Release();  // nothing left to release
}

TEST_F(LoginServiceTest, ObserversAreCalledInAttachOrderAndOnlyOnce) {
  std::vector<int> order;
  struct Tagged : StateObserver {
    Tagged(std::vector<int>& o, int t) : order(o), tag(t) {}
    void OnStateChanged(StateSubject*) override { order.push_back(tag); }
    std::vector<int>& order;
    int tag;
  };
  Tagged first(order, 1), second(order, 2);
  service.Attach(&first);
  service.Attach(&second);
  service.Attach(&first);
  service.Notify(kLoginRunning, kLoginRunningCode, L"x");
  EXPECT_EQ(order, (std::vector<int>{1, 2}));
  service.Detach(&first);
  service.Detach(&second);
}

TEST_F(LoginServiceTest, WorkerWithoutServiceDoesNothing) {
  LoginService::LoginWorker(static_cast<LoginService*>(nullptr));
  EXPECT_TRUE(transport.requests.empty());
}

TEST_F(LoginServiceTest, ReloadDeliversOnlyAnAcceptedAnswer) {
  SetLoginEndpoint(kUrlB);
  std::vector<std::wstring> delivered;
  service.SetReloadCallback([&](const std::wstring& a) { delivered.push_back(a); });
  transport.responses.push_back(Answer(kAccepted));
  EXPECT_TRUE(service.ReloadAccount());
  transport.responses.push_back(Answer(kRefused));
  EXPECT_FALSE(service.ReloadAccount());
  transport.responses.push_back(Answer("yes without bar"));
  EXPECT_FALSE(service.ReloadAccount());
  EXPECT_EQ(delivered, std::vector<std::wstring>{text::FromUtf8(kAccepted)});
  ASSERT_EQ(transport.requests.size(), 3u);
  EXPECT_EQ(transport.requests[0].host, L"srv-b.example");
  const std::string text = ReloadParameterText("alice01", "secret123", text::ToAnsi(CurrentLanguage()));
  EXPECT_EQ(transport.requests[0].sentBodies, std::vector<std::string>{ReloadBody(text)});
}

TEST_F(LoginServiceTest, CredentialTokenOfTheCurrentSettings) {
  EXPECT_EQ(service.EncodeCredentials(), CredentialToken("alice01", "secret123"));
  EXPECT_EQ(service.EncodeCredentials(), EncodeParams("username=alice01;password=secret123"));
}

}  // namespace
}  // namespace nimbrook
