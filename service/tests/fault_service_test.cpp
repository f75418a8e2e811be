// Faults over the wire: what the client really receives when the service closes mid-body, sends
// chunked, answers empty or 404, delays, or stalls (without holding up other requests or the stop).
#include <gtest/gtest.h>

#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <thread>
#include <vector>

#include "delivery.h"
#include "resource.h"
#include "service_test_support.h"

namespace nimbrook::service {
namespace {

using testing::RawGet;
using testing::RunningService;

std::string Pattern(size_t size) {
  std::string bytes(size, '\0');
  FillPattern(0, bytes.data(), size);
  return bytes;
}

TEST(FaultService, CloseAnnouncesTheWholeLengthAndSendsAboutHalf) {
  RunningService service;
  const auto exchange = RawGet(service.Port(), "/fault/close/gen/100001?1717214400");
  EXPECT_EQ(exchange.status, 200);
  EXPECT_EQ(exchange.Header("Content-Length"), "100001");
  EXPECT_EQ(exchange.body.size(), 50000u);
  EXPECT_EQ(exchange.body, Pattern(50000));

  // A release file, the case the updater must not take as complete.
  const std::string file = testing::ReadFile(testing::RepositoryData() / "releases/1.5.1/Nimbrook.exe");
  const auto cut = RawGet(service.Port(), "/fault/close/releases/1.5.1/Nimbrook.exe");
  EXPECT_EQ(cut.Header("Content-Length"), std::to_string(file.size()));
  EXPECT_LT(cut.body.size(), file.size());
  EXPECT_EQ(cut.body, file.substr(0, file.size() / 2));
}

TEST(FaultService, ChunkedHasNoContentLengthAndTheWholeBody) {
  RunningService service;
  const auto exchange = RawGet(service.Port(), "/fault/chunked/gen/50000?1717214400");
  EXPECT_EQ(exchange.status, 200);
  EXPECT_FALSE(exchange.HasHeader("Content-Length"));
  EXPECT_EQ(exchange.Header("Transfer-Encoding"), "chunked");
  std::string body;
  ASSERT_TRUE(testing::DecodeChunked(exchange.body, body));
  EXPECT_EQ(body, Pattern(50000));

  // Any other resource can be wrapped: a descriptor, a page, an empty stream.
  auto client = service.Client();
  auto descriptor = client->Get("/fault/chunked/clientupdate/update/raw/master/version.ini");
  auto plain = client->Get("/clientupdate/update/raw/master/version.ini");
  ASSERT_TRUE(descriptor && plain);
  EXPECT_EQ(descriptor->body, plain->body);
  std::string empty;
  ASSERT_TRUE(testing::DecodeChunked(RawGet(service.Port(), "/fault/chunked/gen/0").body, empty));
  EXPECT_EQ(empty, "");
}

TEST(FaultService, EmptyNotFoundStatusAndDelay) {
  RunningService service;
  const auto empty = RawGet(service.Port(), "/fault/empty/releases/1.5.1/update.exe?1");
  EXPECT_EQ(empty.status, 200);
  EXPECT_EQ(empty.Header("Content-Length"), "0");
  EXPECT_EQ(empty.body, "");

  auto client = service.Client();
  EXPECT_EQ(client->Get("/fault/404/clientupdate/update/raw/master/version.ini?1")->status, 404);
  EXPECT_EQ(client->Get("/fault/status/503/gen/10")->status, 503);
  auto delayed = client->Get("/fault/delay/200/fault/close/gen/10");
  EXPECT_FALSE(delayed);  // delayed, then cut: the client sees a broken transfer
  auto slow = client->Get("/fault/delay/150/gen/64?1717214400");
  ASSERT_TRUE(slow);
  EXPECT_EQ(slow->body, Pattern(64));
  EXPECT_EQ(slow->get_header_value(kFaultHeader), "delay=150");

  for (const char* bad : {"/fault/bogus/gen/1", "/fault/delay/x/gen/1", "/fault/status/99/gen/1",
                          "/fault/close/fault/404/gen/1"}) {
    EXPECT_EQ(client->Get(bad)->status, 400) << bad;
  }
}

TEST(FaultService, FaultPrefixesWrapPostsToo) {
  RunningService service;
  auto client = service.Client();
  auto result = client->Post("/fault/404/clogin.php?1", "m=windows", "application/x-www-form-urlencoded");
  ASSERT_TRUE(result);
  EXPECT_EQ(result->status, 404);
  auto echoed = client->Post("/fault/chunked/echo", "abc\r\n", "text/plain");
  ASSERT_TRUE(echoed);
  EXPECT_EQ(echoed->body, "abc\r\n");
  EXPECT_FALSE(echoed->has_header("Content-Length"));
}

TEST(FaultService, StallHoldsTheRequestWithoutBlockingOthers) {
  RunningService service;
  // More stalled requests than an HTTP library's default pool has threads.
  constexpr int kStalls = 12;
  std::vector<int> sockets;
  for (int i = 0; i < kStalls; ++i) {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(service.Port()));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    const std::string request = "GET /fault/stall/gen/10?1 HTTP/1.1\r\nHost: x\r\n\r\n";
    ASSERT_EQ(send(fd, request.data(), request.size(), MSG_NOSIGNAL), static_cast<ssize_t>(request.size()));
    sockets.push_back(fd);
  }
  // Every stalled request has reached the service once the admin list answers after them on a
  // fresh connection; the parallel requests are served meanwhile.
  auto client = service.Client();
  for (int i = 0; i < 5; ++i) {
    auto result = client->Get("/gen/100");
    ASSERT_TRUE(result);
    EXPECT_EQ(result->body, Pattern(100));
  }
  auto login = client->Post("/clogin.php", "m=windows&a=login", "text/plain");
  ASSERT_TRUE(login);
  EXPECT_EQ(login->body.compare(0, 3, "no|"), 0);
  // Nothing has come back on the stalled connections.
  for (const int fd : sockets) {
    char byte;
    EXPECT_EQ(recv(fd, &byte, 1, MSG_DONTWAIT), -1);
  }
  // Stopping the service ends the stalls at once; they close without any answer.
  service.Server().Stop();
  for (const int fd : sockets) {
    timeval timeout{30, 0};
    setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
    char buffer[256];
    EXPECT_EQ(recv(fd, buffer, sizeof buffer, 0), 0) << "expected the connection closed without an answer";
    close(fd);
  }
}

TEST(FaultService, StallEndsByClosingWithoutAnswer) {
  ServiceConfig config;
  config.port = 0;
  config.dataDir = testing::RepositoryData();
  config.logToStdout = false;
  config.stallSeconds = 1;
  ServiceServer server(config);
  std::string error;
  ASSERT_TRUE(server.Start(error)) << error;
  const auto exchange = RawGet(server.Port(), "/fault/stall/gen/10");
  EXPECT_TRUE(exchange.connected);
  EXPECT_EQ(exchange.head, "");
  EXPECT_EQ(exchange.status, 0);
  server.Stop();
}

TEST(FaultService, HeldRequestsNeverTakeTheLastThreads) {
  ServiceConfig config;
  config.port = 0;
  config.dataDir = testing::RepositoryData();
  config.logToStdout = false;
  config.workerThreads = 12;  // at most 4 requests may be held
  ServiceServer server(config);
  std::string error;
  ASSERT_TRUE(server.Start(error)) << error;
  std::vector<std::thread> stalled;
  std::atomic<int> refused{0}, dropped{0};
  for (int i = 0; i < 6; ++i) {
    stalled.emplace_back([&] {
      const auto exchange = RawGet(server.Port(), "/fault/stall/gen/1");
      if (exchange.status == 503) ++refused;
      if (exchange.status == 0) ++dropped;
    });
  }
  // Whatever the order of arrival, the service keeps answering ordinary requests.
  httplib::Client client("127.0.0.1", server.Port());
  for (int i = 0; i < 3; ++i) {
    auto result = client.Get("/gen/3");
    ASSERT_TRUE(result);
    EXPECT_EQ(result->body, Pattern(3));
  }
  // Two of the six stalls are refused at once, which is when both have been counted.
  for (int i = 0; refused < 2 && i < 6000; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  server.Stop();
  for (auto& t : stalled) t.join();
  EXPECT_EQ(refused, 2);
  EXPECT_EQ(dropped, 4);
}

TEST(ServiceStart, APortInUseIsReportedNotShared) {
  RunningService first;
  ServiceConfig config;
  config.port = first.Port();
  config.dataDir = testing::RepositoryData();
  config.logToStdout = false;
  ServiceServer second(config);
  std::string error;
  EXPECT_FALSE(second.Start(error));
  EXPECT_NE(error.find("in use"), std::string::npos) << error;
}

TEST(FaultSwitchService, ArmedFaultsHitTheNextMatchingRequests) {
  RunningService service;
  auto client = service.Client();
  auto arm = client->Post("/admin/fault", "mode=close&match=/releases/&count=2", "application/x-www-form-urlencoded");
  ASSERT_TRUE(arm);
  EXPECT_EQ(arm->status, 200);
  EXPECT_EQ(client->Get("/admin/faults")->body, "close match=/releases/ remaining=2\n");

  // Other paths are untouched; two matching requests are cut; the third is whole.
  EXPECT_EQ(client->Get("/gen/10")->body, Pattern(10));
  const std::string file = testing::ReadFile(testing::RepositoryData() / "releases/1.5.1/update.exe");
  for (int i = 0; i < 2; ++i) {
    const auto cut = RawGet(service.Port(), "/releases/1.5.1/update.exe?1717214400");
    EXPECT_EQ(cut.Header("Content-Length"), std::to_string(file.size()));
    EXPECT_EQ(cut.body.size(), file.size() / 2);
  }
  EXPECT_EQ(RawGet(service.Port(), "/releases/1.5.1/update.exe").body, file);

  // Status, delay and always; reset clears them.
  ASSERT_EQ(client->Post("/admin/fault", "mode=status&status=500&match=clogin", "text/plain")->status, 200);
  EXPECT_EQ(client->Post("/clogin.php", "m=windows", "text/plain")->status, 500);
  EXPECT_EQ(client->Post("/clogin.php", "m=windows", "text/plain")->status, 200);
  ASSERT_EQ(client->Post("/admin/fault", "mode=404&match=version.ini&count=always", "text/plain")->status, 200);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(client->Get("/clientupdate/update/raw/master/version.ini")->status, 404);
  ASSERT_EQ(client->Post("/admin/reset", "", "text/plain")->status, 200);
  EXPECT_EQ(client->Get("/clientupdate/update/raw/master/version.ini")->status, 200);
  EXPECT_EQ(client->Get("/admin/faults")->body, "");

  EXPECT_EQ(client->Post("/admin/fault", "mode=explode", "text/plain")->status, 400);
  EXPECT_EQ(client->Post("/admin/fault", "match=x", "text/plain")->status, 400);
  EXPECT_EQ(client->Post("/admin/fault", "mode=delay", "text/plain")->status, 400);
  EXPECT_EQ(client->Post("/admin/fault", "mode=close&count=0", "text/plain")->status, 400);
  EXPECT_EQ(client->Get("/admin/fault")->status, 405);
  EXPECT_EQ(client->Post("/admin/other", "", "text/plain")->status, 404);
}

}  // namespace
}  // namespace nimbrook::service
