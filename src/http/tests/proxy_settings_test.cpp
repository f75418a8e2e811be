#include "http/proxy_settings.h"

#include <gtest/gtest.h>

#include "core/file_io.h"
#include "core/log.h"
#include "core/text.h"
#include "fake_http_transport.h"
#include "http/system_proxy.h"
#include "testing/temp_dir.h"

namespace nimbrook {
namespace {

TEST(ClientProxyTest, FollowsTheBrowserSettings) {
  IeProxyConfig config;
  ProxySettings settings = ClientProxySettings(true, config);
  EXPECT_EQ(settings.accessType, kAccessTypeNoProxy);
  EXPECT_FALSE(settings.proxyList);
  EXPECT_FALSE(settings.bypassList);

  config.proxy = L"10.0.0.1:3128";
  config.bypass = L"<local>";
  settings = ClientProxySettings(true, config);
  EXPECT_EQ(settings.accessType, kAccessTypeNamedProxy);
  EXPECT_EQ(settings.proxyList, L"10.0.0.1:3128");
  EXPECT_EQ(settings.bypassList, L"<local>");

  // A failed query means no proxy, whatever came back.
  settings = ClientProxySettings(false, config);
  EXPECT_EQ(settings.accessType, kAccessTypeNoProxy);
  EXPECT_FALSE(settings.proxyList);

  config.bypass.reset();
  settings = ClientProxySettings(true, config);
  EXPECT_EQ(settings.accessType, kAccessTypeNamedProxy);
  EXPECT_FALSE(settings.bypassList);

  // A bypass list alone names no proxy.
  config.proxy.reset();
  config.bypass = L"<local>";
  settings = ClientProxySettings(true, config);
  EXPECT_EQ(settings.accessType, kAccessTypeNoProxy);
  EXPECT_FALSE(settings.bypassList);

  config.proxy = L"";
  EXPECT_EQ(ClientProxySettings(true, config).accessType, kAccessTypeNoProxy);
}

TEST(UpdaterProxyTest, FollowsTheRegistryValues) {
  InternetSettings values;
  EXPECT_EQ(UpdaterProxySettings(values).accessType, kAccessTypeDefaultProxy);  // key not opened

  values.keyOpened = true;
  EXPECT_EQ(UpdaterProxySettings(values).accessType, kAccessTypeDefaultProxy);  // no "ProxyEnable"

  values.proxyEnable = 0;
  values.proxyServer = L"10.0.0.1:3128";
  values.proxyOverride = L"<local>";
  ProxySettings settings = UpdaterProxySettings(values);
  EXPECT_EQ(settings.accessType, kAccessTypeNoProxy);
  EXPECT_FALSE(settings.proxyList);

  values.proxyEnable = 1;
  settings = UpdaterProxySettings(values);
  EXPECT_EQ(settings.accessType, kAccessTypeNamedProxy);
  EXPECT_EQ(settings.proxyList, L"10.0.0.1:3128");
  EXPECT_EQ(settings.bypassList, L"<local>");

  // "ProxyEnable" 1 without "ProxyOverride": default proxy, no lists.
  values.proxyOverride.reset();
  settings = UpdaterProxySettings(values);
  EXPECT_EQ(settings.accessType, kAccessTypeDefaultProxy);
  EXPECT_FALSE(settings.proxyList);
  EXPECT_FALSE(settings.bypassList);

  values.proxyOverride = L"<local>";
  values.proxyServer.reset();
  EXPECT_EQ(UpdaterProxySettings(values).accessType, kAccessTypeDefaultProxy);
  // An empty server cannot name a proxy.
  values.proxyServer = L"";
  EXPECT_EQ(UpdaterProxySettings(values).accessType, kAccessTypeDefaultProxy);
}

class SystemProxyTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetLogFile(logPath);
    ResetLog();
  }
  void TearDown() override { SetLogFile(L""); }
  std::string Log() {
    std::string bytes;
    EXPECT_TRUE(ReadFileBytes(logPath, bytes));
    return bytes;
  }
  testing::TempDir dir;
  std::wstring logPath = dir.File(L"nimbrook.log");
  testing::FakeHttpTransport transport;
};

TEST_F(SystemProxyTest, RecordsAndLogsTheProxyList) {
  transport.ieConfig.proxy = L"http=127.0.0.1:8888;https=127.0.0.1:8889";
  transport.ieConfig.bypass = L"<local>";
  ReadSystemProxy(transport);
  EXPECT_EQ(SystemProxyText(), "http=127.0.0.1:8888;https=127.0.0.1:8889");
  EXPECT_EQ(Log(), "\xEF\xBB\xBF" + text::ToUtf8(L"代理情况:http=127.0.0.1:8888;https=127.0.0.1:8889\n"));

  // A later read that finds no proxy clears the text.
  transport.ieConfig = IeProxyConfig{};
  ReadSystemProxy(transport);
  EXPECT_EQ(SystemProxyText(), "");
  EXPECT_EQ(Log(), "\xEF\xBB\xBF" + text::ToUtf8(L"代理情况:http=127.0.0.1:8888;https=127.0.0.1:8889\n"
                                                 L"代理情况:未使用代理\n"));
}

TEST_F(SystemProxyTest, FailedQueryChangesNothing) {
  transport.ieConfig.proxy = L"1.2.3.4:80";
  ReadSystemProxy(transport);
  transport.ieConfigReadable = false;
  ResetLog();
  ReadSystemProxy(transport);
  EXPECT_EQ(SystemProxyText(), "1.2.3.4:80");
  EXPECT_EQ(Log(), "\xEF\xBB\xBF");
}

}  // namespace
}  // namespace nimbrook
