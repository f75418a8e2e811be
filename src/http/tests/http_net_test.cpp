// The HTTP client against the reference service on 127.0.0.1: libcurl natively, WinHTTP under Wine.
#include <gtest/gtest.h>

#include "core/file_io.h"
#include "core/log.h"
#include "core/text.h"
#include "http/http_client.h"
#include "http_test_fixture.h"
#include "testing/temp_dir.h"

namespace nimbrook::testing {
namespace {

std::wstring Url(const std::wstring& path) {
  return L"http://127.0.0.1:" + std::to_wstring(NIMBROOK_TEST_PORT) + path;
}

class HttpNetTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetLogFile(logPath);
    ResetLog();
  }
  void TearDown() override { SetLogFile(L""); }

  std::string FileBytes(const std::wstring& path) {
    std::string bytes;
    EXPECT_TRUE(ReadFileBytes(path, bytes));
    return bytes;
  }
  std::string Log() {
    std::string bytes;
    EXPECT_TRUE(ReadFileBytes(logPath, bytes));
    return bytes.size() >= 3 ? bytes.substr(3) : bytes;
  }
  // Short time-outs so the stall cases end quickly; otherwise the client's build.
  static HttpVariant Quick(HttpVariant variant) {
    variant.timeouts = HttpTimeouts{3000, 3000, 3000, 3000};
    return variant;
  }

  TempDir dir;
  std::wstring logPath = dir.File(L"nimbrook.log");
  HttpClient client{HttpVariant::Client()};
  HttpClient updater{HttpVariant::Updater()};
};

TEST_F(HttpNetTest, DownloadsComeBackByteForByte) {
  SessionSlot slot;
  for (size_t size : {size_t{0}, size_t{1}, size_t{10240}, size_t{300000}}) {
    const std::wstring path = dir.File(L"gen.bin");
    ASSERT_EQ(client.DownloadToFile(slot, Url(L"/gen/" + std::to_wstring(size)), path), 0) << size;
    EXPECT_EQ(FileBytes(path), GeneratedBytes(size)) << size;
  }
  const std::wstring text = dir.File(L"text.txt");
  ASSERT_EQ(updater.DownloadToFile(slot, Url(L"/gen-utf8/10240"), text), 0);
  EXPECT_EQ(FileBytes(text), Utf8Text(10240));
}

TEST_F(HttpNetTest, UrlWithoutSchemeAndUpdaterBackslashes) {
  SessionSlot slot;
  const std::wstring path = dir.File(L"f");
  ASSERT_EQ(client.DownloadToFile(slot, L"127.0.0.1:" + std::to_wstring(NIMBROOK_TEST_PORT) + L"/gen/77", path), 0);
  EXPECT_EQ(FileBytes(path), GeneratedBytes(77));
  SessionSlot updaterSlot;
  ASSERT_EQ(updater.DownloadToFile(updaterSlot, Url(L"\\gen\\78"), path), 0);
  EXPECT_EQ(FileBytes(path), GeneratedBytes(78));
}

TEST_F(HttpNetTest, FormAnswersComeBackWholeAndConverted) {
  SessionSlot slot;
  for (size_t size : {size_t{10240}, size_t{400000}}) {
    const std::string body = Utf8Text(size);
    std::wstring answer;
    ASSERT_EQ(client.PostForm(answer, slot, Url(L"/echo"), body), 0) << size;
    EXPECT_EQ(answer, text::FromUtf8(body)) << size;
  }
  std::wstring answer;
  ASSERT_EQ(client.PostForm(answer, slot, Url(L"/echo"), "m=windows&a=login&p=AB+/\r\n=="), 0);
  EXPECT_EQ(answer, L"m=windows&a=login&p=AB+/\r\n==");
}

TEST_F(HttpNetTest, NotFoundIsAStatusNotAFile) {
  SessionSlot slot;
  const std::wstring path = dir.File(L"missing");
  EXPECT_EQ(client.DownloadToFile(slot, Url(L"/fault/404/gen/10"), path), 404);
  EXPECT_FALSE(FileExists(path));
  std::wstring answer = L"previous";
  EXPECT_EQ(client.PostForm(answer, slot, Url(L"/fault/404/echo"), "a=1"), 0);
  EXPECT_EQ(answer, L"previous");
  EXPECT_EQ(Log(), text::ToUtf8(L"http返回代码：404\n"));
  EXPECT_FALSE(client.DownloadWithRetry(Url(L"/fault/404/gen/10"), path));
  EXPECT_FALSE(FileExists(path));
}

TEST_F(HttpNetTest, ChunkedBodyWithoutLengthIsReadToItsEnd) {
  for (HttpClient* http : {&client, &updater}) {
    SessionSlot slot;
    const std::wstring path = dir.File(L"chunked.bin");
    ASSERT_EQ(http->DownloadToFile(slot, Url(L"/fault/chunked/gen/50000"), path), 0);
    EXPECT_EQ(FileBytes(path), GeneratedBytes(50000));
  }
}

TEST_F(HttpNetTest, EmptyBodyIsAnEmptyFile) {
  for (HttpClient* http : {&client, &updater}) {
    SessionSlot slot;
    const std::wstring path = dir.File(L"empty.bin");
    ASSERT_EQ(http->DownloadToFile(slot, Url(L"/fault/empty/gen/10"), path), 0);
    EXPECT_EQ(FileBytes(path), "");
  }
}

TEST_F(HttpNetTest, ConnectionClosedMidBodyFailsAndLeavesNoFile) {
  for (HttpClient* http : {&client, &updater}) {
    SessionSlot slot;
    const std::wstring path = dir.File(L"cut.bin");
    EXPECT_EQ(http->DownloadToFile(slot, Url(L"/fault/close/gen/200000"), path), 12030);
    EXPECT_FALSE(FileExists(path));
  }
  EXPECT_FALSE(client.DownloadWithRetry(Url(L"/fault/close/gen/200000"), dir.File(L"retry.bin")));
  EXPECT_FALSE(FileExists(dir.File(L"retry.bin")));
}

TEST_F(HttpNetTest, ServerThatNeverAnswersEndsInATimeOut) {
  HttpClient quick(Quick(HttpVariant::Client()));
  SessionSlot slot;
  const std::wstring path = dir.File(L"stall.bin");
  // The session has already served a request, so the stalled one may go over a kept-alive connection.
  ASSERT_EQ(quick.DownloadToFile(slot, Url(L"/gen/10"), dir.File(L"first.bin")), 0);
  EXPECT_EQ(quick.DownloadToFile(slot, Url(L"/fault/stall/gen/10"), path), 12002);
  EXPECT_FALSE(FileExists(path));
  std::wstring answer = L"previous";
  SessionSlot postSlot;
  EXPECT_EQ(quick.PostForm(answer, postSlot, Url(L"/fault/stall/echo"), "a=1"), 12002);
  EXPECT_EQ(answer, L"previous");
  // Both operations log the failed send; only PostForm adds the exception's message.
  EXPECT_EQ(Log(), text::ToUtf8(L"发送http请求失败\n发送http请求失败\nHTTP Sendrequest Error 错误码：12002\n"));
}

TEST_F(HttpNetTest, SlowAnswerWithinTheTimeOutsArrives) {
  HttpClient quick(Quick(HttpVariant::Client()));
  SessionSlot slot;
  const std::wstring path = dir.File(L"slow.bin");
  ASSERT_EQ(quick.DownloadToFile(slot, Url(L"/fault/delay/1000/gen/5000"), path), 0);
  EXPECT_EQ(FileBytes(path), GeneratedBytes(5000));
}

TEST_F(HttpNetTest, RefusedConnectionIsReportedAtOnce) {
  SessionSlot slot;
  // Port 1 on the loopback: nothing listens there on a test machine.
  EXPECT_EQ(client.DownloadToFile(slot, L"http://127.0.0.1:1/gen/10", dir.File(L"r")), 12029);
  std::wstring answer;
  SessionSlot updaterSlot;
  EXPECT_EQ(updater.DownloadToFile(updaterSlot, L"http://127.0.0.1:1/gen/10", dir.File(L"r")), 12029);
  EXPECT_FALSE(FileExists(dir.File(L"r")));
}

TEST_F(HttpNetTest, LargeDownloadStreamsToDisk) {
  SessionSlot slot;
  const std::wstring path = dir.File(L"huge.bin");
  ASSERT_EQ(client.DownloadToFile(slot, Url(L"/fault/huge/64"), path), 0);
  const std::string bytes = FileBytes(path);
  ASSERT_EQ(bytes.size(), 64u << 20);
  EXPECT_EQ(bytes.substr(0, 4096), GeneratedBytes(4096));
}

TEST_F(HttpNetTest, OneSessionServesManyRequests) {
  SessionSlot slot;
  for (int i = 1; i <= 20; ++i) {
    const std::wstring path = dir.File(L"n.bin");
    ASSERT_EQ(client.DownloadToFile(slot, Url(L"/gen/" + std::to_wstring(i * 100)), path), 0);
    EXPECT_EQ(FileBytes(path).size(), static_cast<size_t>(i * 100));
    std::wstring answer;
    ASSERT_EQ(client.PostForm(answer, slot, Url(L"/echo"), "n=" + std::to_string(i)), 0);
    EXPECT_EQ(answer, L"n=" + std::to_wstring(i));
  }
  EXPECT_TRUE(client.DownloadWithRetry(Url(L"/gen/123"), dir.File(L"retry.bin")));
  EXPECT_EQ(FileBytes(dir.File(L"retry.bin")), GeneratedBytes(123));
}

}  // namespace
}  // namespace nimbrook::testing
