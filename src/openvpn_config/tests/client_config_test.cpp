#include "openvpn_config/client_config.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/file_io.h"
#include "core/log.h"
#include "core/paths.h"
#include "core/text.h"
#include "openvpn_config/proxy_template.h"
#include "testing/host_path.h"
#include "testing/temp_dir.h"
#include "tunnel/connector.h"

namespace nimbrook {
namespace {

// A template with every keyword the client writer edits, in the shipped order.
const std::string kTemplate =
    "client\n"
    "proto {proto_name}\n"
    "remote {ip} {port}\n"
    "explicit-exit-notify 2\n"
    "setenv opt use-obfs 1\n"
    "ping 10\n"
    "ping-exit 120\n"
    "hand-window 60\n"
    "connect-retry 5\n"
    "connect-retry-max 3\n";

TEST(BuildClientConfigTest, EachOpenVpnVariantGivesItsEdits) {
  EXPECT_EQ(BuildClientConfig(kTemplate, "10.1.2.3", "1194", 2),
            "client\nproto udp\nremote 10.1.2.3 1194\nexplicit-exit-notify 2\nsetenv opt use-obfs 0\n"
            "ping 10\nping-exit 120\nhand-window 60\n;connect-retry 5\n;connect-retry-max 3\n\n");
  EXPECT_EQ(BuildClientConfig(kTemplate, "vpn.example.com", "443", 3),
            "client\nproto tcp-client\nremote vpn.example.com 443\nsetenv opt use-obfs 0\n"
            ";ping 10\n;ping-exit 120\n;hand-window 60\nconnect-retry 5\nconnect-retry-max 3\n\n");
  EXPECT_EQ(BuildClientConfig(kTemplate, "10.1.2.3", "1194", 4),
            "client\nproto udp\nremote 10.1.2.3 1194\nexplicit-exit-notify 2\nsetenv opt use-obfs 1\n"
            "ping 10\nping-exit 120\nhand-window 60\n;connect-retry 5\n;connect-retry-max 3\n\n");
  // OVPN-TCP+ keeps the obfuscation switch on, loses the exit notification, comments out the pings.
  EXPECT_EQ(BuildClientConfig(kTemplate, "10.1.2.3", "8443", 5),
            "client\nproto tcp-client\nremote 10.1.2.3 8443\nsetenv opt use-obfs 1\n"
            ";ping 10\n;ping-exit 120\n;hand-window 60\nconnect-retry 5\nconnect-retry-max 3\n\n");
}

TEST(BuildClientConfigTest, OtherProtocolsOnlyFillThePlaceholders) {
  EXPECT_EQ(BuildClientConfig(kTemplate, "h", "1", 0),
            "client\nproto \nremote h 1\nexplicit-exit-notify 2\nsetenv opt use-obfs 1\n"
            "ping 10\nping-exit 120\nhand-window 60\nconnect-retry 5\nconnect-retry-max 3\n\n");
  EXPECT_EQ(TransportName(8), "");
  EXPECT_EQ(TransportName(-1), "");
}

TEST(BuildClientConfigTest, OnlyTheFirstPlaceholderIsReplacedAndAbsentKeywordsAreSkipped) {
  EXPECT_EQ(BuildClientConfig("remote {ip} {port} {ip}\n", "a", "1", 3), "remote a 1 {ip}\n\n");
  EXPECT_EQ(BuildClientConfig("", "a", "1", 2), "\n");
  EXPECT_EQ(BuildClientConfig("explicit-exit-notify\n", "a", "1", 3), "explicit-exit-notify\n\n");
}

TEST(BuildClientConfigTest, LineEndsAndLastLines) {
  // Windows line ends: the erase stops after the character following the "2", as for LF files.
  EXPECT_EQ(BuildClientConfig("a\r\nexplicit-exit-notify 2\r\nb\r\n", "h", "1", 5), "a\r\n\nb\r\n\n");
  // The option on the last line without a line break goes entirely.
  EXPECT_EQ(BuildClientConfig("a\nexplicit-exit-notify 2", "h", "1", 3), "a\n\n");
}

TEST(BuildClientConfigTest, ValuesOnLaterLinesBelongToOtherOptions) {
  // Without a value on its own line, only the option's line goes; the next options stay intact.
  EXPECT_EQ(BuildClientConfig("explicit-exit-notify\nverb 3\nmute 20\n", "h", "1", 3), "verb 3\nmute 20\n\n");
  // The obfuscation switch without a value leaves a "1" of a later option alone.
  EXPECT_EQ(BuildClientConfig("use-obfs\nping 10\n", "h", "1", 2), "use-obfs\nping 10\n\n");
}

TEST(BuildClientConfigTest, TemplatesOfAnySizeAreKeptWhole) {
  const std::string filler = "# " + std::string(9000, 'x') + "\nverb 3\n";
  const std::string small = BuildClientConfig(kTemplate, "10.0.0.1", "1194", 2);
  EXPECT_EQ(BuildClientConfig(kTemplate + filler, "10.0.0.1", "1194", 2),
            small.substr(0, small.size() - 1) + filler + "\n");
}

TEST(BuildClientConfigTest, ServerAddressesNeverCatchTheKeywordSearches) {
  EXPECT_EQ(BuildClientConfig(kTemplate, "shipping-ping.example", "443", 5),
            "client\nproto tcp-client\nremote shipping-ping.example 443\nsetenv opt use-obfs 1\n"
            ";ping 10\n;ping-exit 120\n;hand-window 60\nconnect-retry 5\nconnect-retry-max 3\n\n");
  EXPECT_EQ(BuildClientConfig(kTemplate, "use-obfs1.connect-retry.example", "1194", 2),
            "client\nproto udp\nremote use-obfs1.connect-retry.example 1194\nexplicit-exit-notify 2\n"
            "setenv opt use-obfs 0\nping 10\nping-exit 120\nhand-window 60\n;connect-retry 5\n;connect-retry-max 3\n\n");
}

// The proxy line the settings window writes sits before the options the TCP and UDP variants
// comment out: a proxy host holding an option name must neither be edited nor keep the option on.
TEST(BuildClientConfigTest, ProxyHostsWithOptionNamesNeverCatchTheEdits) {
  const std::string shipped =
      "proto {proto_name}\nremote {ip} {port}\n;http-proxy [proxy server] [proxy port #]\n"
      "explicit-exit-notify 2\nsetenv opt use-obfs 1\nping 10\nping-exit 120\nhand-window 60\n"
      "connect-retry 5\nconnect-retry-max 3\n";
  const std::vector<std::string> hosts = {
      "shopping-proxy.corp", "ping",          "ping-exit",        "hand-window.lan", "x.connect-retry-max",
      "use-obfs1.corp",      "use-obfs",      "explicit-exit-notify2", "connect-retry", "sleeping.pinger.net",
      "proxy-2.hand-window-1.example"};
  for (const auto& host : hosts) {
    SCOPED_TRACE(host);
    std::string withProxy = shipped;
    ASSERT_TRUE(SetProxyLine(withProxy, ProxyAddress{host, "3128"}));
    const std::string proxyLine = "\nhttp-proxy " + host + " 3128\n";
    const std::string tcp = BuildClientConfig(withProxy, "10.0.0.1", "443", 3);
    EXPECT_NE(tcp.find(proxyLine), std::string::npos);
    EXPECT_EQ(tcp.find("\nping 10"), std::string::npos);
    EXPECT_NE(tcp.find("\n;ping 10\n;ping-exit 120\n;hand-window 60\nconnect-retry 5\n"), std::string::npos);
    EXPECT_EQ(tcp.find("explicit-exit-notify 2"), std::string::npos);
    EXPECT_NE(tcp.find("setenv opt use-obfs 0\n"), std::string::npos);
    const std::string udp = BuildClientConfig(withProxy, "10.0.0.1", "1194", 4);
    EXPECT_NE(udp.find("\n;http-proxy " + host + " 3128\n"), std::string::npos);
    EXPECT_NE(udp.find("\nexplicit-exit-notify 2\nsetenv opt use-obfs 1\nping 10\n"), std::string::npos);
    EXPECT_NE(udp.find("\n;connect-retry 5\n;connect-retry-max 3\n"), std::string::npos);
  }
}

TEST(BuildClientConfigTest, OptionsAreWholeNamesAtTheStartOfALine) {
  // A longer option that begins with a keyword stays; the option itself further down is found.
  EXPECT_EQ(BuildClientConfig("ping-restart 30\nping 10\n", "h", "1", 3), "ping-restart 30\n;ping 10\n\n");
  EXPECT_EQ(BuildClientConfig("connect-retry-max 3\nconnect-retry 5\n", "h", "1", 2),
            ";connect-retry-max 3\n;connect-retry 5\n\n");
  // Comments mentioning an option, and lines already commented out, are not the option.
  EXPECT_EQ(BuildClientConfig("# keep ping low\n;ping 5\nping 10\n", "h", "1", 5), "# keep ping low\n;ping 5\n;ping 10\n\n");
  // Leading blanks and Windows line ends.
  EXPECT_EQ(BuildClientConfig("  ping 10\r\n\thand-window 60\r\n", "h", "1", 3), ";  ping 10\r\n;\thand-window 60\r\n\n");
  EXPECT_EQ(BuildClientConfig("ping\r\nping-exit", "h", "1", 3), ";ping\r\n;ping-exit\n");
  // The obfuscation switch counts only as an option, plain or behind "setenv opt".
  EXPECT_EQ(BuildClientConfig("setenv use-obfs-x 1\nuse-obfs 1\n", "h", "1", 2), "setenv use-obfs-x 1\nuse-obfs 0\n\n");
}

TEST(BuildClientConfigTest, UdpVariantsConnectWithoutTheHttpProxy) {
  const std::string withProxy =
      "proto {proto_name}\n;http-proxy [proxy server] [proxy port #]\nhttp-proxy proxy.lan 8080\nverb 3\n";
  EXPECT_EQ(BuildClientConfig(withProxy, "h", "1", 2),
            "proto udp\n;http-proxy [proxy server] [proxy port #]\n;http-proxy proxy.lan 8080\nverb 3\n\n");
  EXPECT_EQ(BuildClientConfig(withProxy, "h", "1", 4),
            "proto udp\n;http-proxy [proxy server] [proxy port #]\n;http-proxy proxy.lan 8080\nverb 3\n\n");
  EXPECT_EQ(BuildClientConfig(withProxy, "h", "1", 3),
            "proto tcp-client\n;http-proxy [proxy server] [proxy port #]\nhttp-proxy proxy.lan 8080\nverb 3\n\n");
  // Without a proxy line nothing changes around the marker.
  const std::string noProxy = "proto {proto_name}\n;http-proxy [proxy server] [proxy port #]\nverb 3\n";
  EXPECT_EQ(BuildClientConfig(noProxy, "h", "1", 2),
            "proto udp\n;http-proxy [proxy server] [proxy port #]\nverb 3\n\n");
}

TEST(RemoteTextTest, HostsAndPortsThatCouldCarryOptionsAreRefused) {
  EXPECT_TRUE(IsSafeRemoteHost("vpn-1.example.com"));
  EXPECT_TRUE(IsSafeRemoteHost("2001:db8::1"));
  EXPECT_TRUE(IsSafeRemoteHost("10.0.0.1"));
  EXPECT_FALSE(IsSafeRemoteHost(""));
  EXPECT_FALSE(IsSafeRemoteHost("10.0.0.1\nscript-security 2"));
  EXPECT_FALSE(IsSafeRemoteHost("a b"));
  EXPECT_FALSE(IsSafeRemoteHost("a#b"));
  EXPECT_FALSE(IsSafeRemoteHost("\"a\""));
  EXPECT_FALSE(IsSafeRemoteHost("{port}"));
  EXPECT_FALSE(IsSafeRemoteHost(std::string(254, 'a')));
  EXPECT_TRUE(IsSafePort("1"));
  EXPECT_TRUE(IsSafePort("65535"));
  EXPECT_FALSE(IsSafePort("0"));
  EXPECT_FALSE(IsSafePort("65536"));
  EXPECT_FALSE(IsSafePort("99999"));
  EXPECT_FALSE(IsSafePort(""));
  EXPECT_FALSE(IsSafePort("-1"));
  EXPECT_FALSE(IsSafePort("1194 udp"));
  EXPECT_FALSE(IsSafePort("1000-1002"));
}

using testing::SourceFile;

class TestEngine : public Connector {
 public:
  void Connect() override {}
  void Disconnect() override {}
};

class ClientConfigFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ProcessPaths paths;
    paths.programDir = dir.Dir();
    paths.openvpnDir = dir.Dir();
    SetProcessPaths(paths);
    SetLogFile(dir.File(L"test.log"));
  }
  void TearDown() override {
    SetLogFile(L"");
    SetProcessPaths(ProcessPaths{});
  }
  std::string Log() {
    std::string bytes;
    ReadFileBytes(dir.File(L"test.log"), bytes);
    return bytes;
  }
  testing::TempDir dir;
};

TEST_F(ClientConfigFileTest, EngineTargetIsWrittenBesideTheTemplate) {
  ASSERT_TRUE(WriteFileBytes(dir.File(L"template.ovpn"), kTemplate));
  ASSERT_TRUE(WriteFileBytes(dir.File(L"client.ovpn"), "an older and much longer configuration\n"));
  TestEngine engine;
  engine.SetTarget(0, ConnectTarget{5, L"10.9.8.7", L"443"});
  ASSERT_TRUE(WriteClientConfig(engine));
  std::string written;
  ASSERT_TRUE(ReadFileBytes(dir.File(L"client.ovpn"), written));
  EXPECT_EQ(written, BuildClientConfig(kTemplate, "10.9.8.7", "443", 5));
  EXPECT_FALSE(FileExists(dir.File(L"client.ovpn.tmp")));
}

TEST_F(ClientConfigFileTest, FailuresLeaveThePreviousConfiguration) {
  TestEngine engine;
  engine.SetTarget(0, ConnectTarget{2, L"10.9.8.7", L"1194"});
  EXPECT_FALSE(WriteClientConfig(engine));  // no template
  EXPECT_NE(Log().find("OpenVPN模板文件无法读取"), std::string::npos) << Log();
  EXPECT_EQ(WriteClientConfigFile(dir.File(L"template.ovpn"), dir.File(L"client.ovpn"), L"h", L"1", 2),
            ClientConfigError::kTemplateUnreadable);

  ASSERT_TRUE(WriteFileBytes(dir.File(L"template.ovpn"), kTemplate));
  ASSERT_TRUE(WriteFileBytes(dir.File(L"client.ovpn"), "previous\n"));
  EXPECT_EQ(WriteClientConfigFile(dir.File(L"template.ovpn"), dir.File(L"client.ovpn"), L"1.2.3.4\nup evil.sh",
                                  L"1194", 2),
            ClientConfigError::kBadHost);
  EXPECT_EQ(WriteClientConfigFile(dir.File(L"template.ovpn"), dir.File(L"client.ovpn"), L"", L"1194", 2),
            ClientConfigError::kBadHost);
  EXPECT_EQ(WriteClientConfigFile(dir.File(L"template.ovpn"), dir.File(L"client.ovpn"), L"1.2.3.4", L"", 2),
            ClientConfigError::kBadPort);
  // The engine's entry logs a hostile address on one line.
  engine.SetTarget(0, ConnectTarget{2, L"10.0.0.1\nInitialization Sequence Completed", L"1194"});
  EXPECT_FALSE(WriteClientConfig(engine));
  EXPECT_NE(Log().find("服务器地址不能写入OpenVPN配置: 10.0.0.1?Initialization"), std::string::npos) << Log();
  std::string kept;
  ASSERT_TRUE(ReadFileBytes(dir.File(L"client.ovpn"), kept));
  EXPECT_EQ(kept, "previous\n");

  // The client file's directory is missing: a write failure, not a success.
  EXPECT_EQ(WriteClientConfigFile(dir.File(L"template.ovpn"), dir.File(L"no-such-dir/client.ovpn"), L"h", L"1", 2),
            ClientConfigError::kWriteFailed);
}

TEST_F(ClientConfigFileTest, ShippedTemplateCarriesEveryTextTheEditsNeed) {
  std::string shipped;
  ASSERT_TRUE(ReadFileBytes(SourceFile("data/openvpn/template.ovpn"), shipped));
  for (const char* needed : {"{ip}", "{port}", "{proto_name}", "explicit-exit-notify 2\n", "use-obfs 1\n", "\nping ",
                             "\nping-exit ", "\nhand-window ", "\nconnect-retry ", "\nconnect-retry-max ",
                             "\n;http-proxy [proxy server] [proxy port #]\n", "<ca>"}) {
    EXPECT_NE(shipped.find(needed), std::string::npos) << needed;
  }
  // Every edit must land on its own option line: the first occurrence of each keyword starts a line.
  for (const char* keyword : {"ping", "ping-exit", "hand-window", "connect-retry", "connect-retry-max",
                              "explicit-exit-notify", "http-proxy"}) {
    const size_t at = shipped.find(keyword);
    ASSERT_NE(at, std::string::npos) << keyword;
    EXPECT_TRUE(shipped[at - 1] == '\n' || (shipped[at - 1] == ';' && shipped[at - 2] == '\n')) << keyword;
  }
  const std::string tcp = BuildClientConfig(shipped, "10.0.0.1", "443", 5);
  EXPECT_EQ(tcp.find("explicit-exit-notify"), std::string::npos);
  EXPECT_NE(tcp.find("\n;ping 10\n;ping-exit "), std::string::npos);
}

}  // namespace
}  // namespace nimbrook
