#include "openvpn_config/proxy_template.h"

#include <gtest/gtest.h>

#include <vector>

#include "core/file_io.h"
#include "core/paths.h"
#include "testing/temp_dir.h"

namespace nimbrook {
namespace {

const std::string kTemplate = "client\n;http-proxy [proxy server] [proxy port #]\nverb 3\n";

std::string Edited(std::string text, const std::optional<ProxyAddress>& proxy) {
  EXPECT_TRUE(SetProxyLine(text, proxy));
  return text;
}

TEST(SetProxyLineTest, ProxyLineFollowsTheMarkerAndIsReplacedNotRepeated) {
  const std::string once = Edited(kTemplate, ProxyAddress{"proxy.example", "8080"});
  EXPECT_EQ(once, "client\n;http-proxy [proxy server] [proxy port #]\nhttp-proxy proxy.example 8080\nverb 3\n");
  // Mode 2 twice: one proxy line, the latest.
  EXPECT_EQ(Edited(once, ProxyAddress{"p2", "3128"}),
            "client\n;http-proxy [proxy server] [proxy port #]\nhttp-proxy p2 3128\nverb 3\n");
  // Mode 0 after mode 2: the marker line stays, the proxy line goes.
  EXPECT_EQ(Edited(once, std::nullopt), kTemplate);
  EXPECT_EQ(Edited(kTemplate, std::nullopt), kTemplate);
}

TEST(SetProxyLineTest, MarkerPlacesAndLineEnds) {
  // Marker on the last line without a line break.
  EXPECT_EQ(Edited("a\n;http-proxy [proxy server] [proxy port #]", ProxyAddress{"h", "1"}),
            "a\n;http-proxy [proxy server] [proxy port #]\nhttp-proxy h 1");
  EXPECT_EQ(Edited("a\n;http-proxy [proxy server] [proxy port #]\nhttp-proxy h 1", std::nullopt),
            "a\n;http-proxy [proxy server] [proxy port #]");
  // Windows line ends survive a write and a removal.
  const std::string crlf = "a\r\n;http-proxy [proxy server] [proxy port #]\r\nb\r\n";
  const std::string withProxy = Edited(crlf, ProxyAddress{"h", "1"});
  EXPECT_EQ(Edited(withProxy, std::nullopt), crlf);

  std::string noMarker = "client\nhttp-proxy h 1\n";
  EXPECT_FALSE(SetProxyLine(noMarker, ProxyAddress{"h", "2"}));
  EXPECT_EQ(noMarker, "client\nhttp-proxy h 1\n");
}

TEST(SetProxyLineTest, OtherProxyOptionsFurtherDownStay) {
  const std::string text = "a\n;http-proxy [proxy server] [proxy port #]\nverb 3\nhttp-proxy-option AGENT x\n";
  EXPECT_EQ(Edited(text, std::nullopt), text);
  const std::string retry = "a\n;http-proxy [proxy server] [proxy port #]\nhttp-proxy-retry\n";
  EXPECT_EQ(Edited(retry, std::nullopt), retry);
}

TEST(SetProxyLineTest, SeveralProxyLinesAfterTheMarkerAllGo) {
  const std::string twice = "a\n;http-proxy [proxy server] [proxy port #]\nhttp-proxy h 1\nhttp-proxy g 2\nverb 3\n";
  EXPECT_EQ(Edited(twice, std::nullopt), "a\n;http-proxy [proxy server] [proxy port #]\nverb 3\n");
  EXPECT_EQ(Edited(twice, ProxyAddress{"p", "3"}),
            "a\n;http-proxy [proxy server] [proxy port #]\nhttp-proxy p 3\nverb 3\n");
}

TEST(SystemProxyAddressTest, BrowserProxyTexts) {
  const auto plain = SystemProxyAddress("proxy.corp:3128");
  ASSERT_TRUE(plain);
  EXPECT_EQ(plain->host, "proxy.corp");
  EXPECT_EQ(plain->port, "3128");
  // A list of schemes: only the "http=" entry counts.
  const auto listed = SystemProxyAddress("ftp=f.corp:21;http=web.corp:8080;https=s.corp:8443");
  ASSERT_TRUE(listed);
  EXPECT_EQ(listed->host, "web.corp");
  EXPECT_EQ(listed->port, "8080");
  const auto last = SystemProxyAddress("https=s.corp:8443;http=web.corp:81");
  ASSERT_TRUE(last);
  EXPECT_EQ(last->port, "81");
  const auto noPort = SystemProxyAddress("proxy.corp");
  ASSERT_TRUE(noPort);
  EXPECT_EQ(noPort->port, "80");
  const auto scheme = SystemProxyAddress("http://proxy.corp:8000/");
  ASSERT_TRUE(scheme);
  EXPECT_EQ(scheme->host, "proxy.corp");
  EXPECT_EQ(scheme->port, "8000");

  EXPECT_FALSE(SystemProxyAddress(""));
  EXPECT_FALSE(SystemProxyAddress("https=s.corp:8443;ftp=f:21"));
  EXPECT_FALSE(SystemProxyAddress("proxy.corp:notaport"));
  EXPECT_FALSE(SystemProxyAddress("evil\nscript-security 2:80"));
  EXPECT_FALSE(SystemProxyAddress(":8080"));
}

class ProxyTemplateFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ProcessPaths paths;
    paths.programDir = dir.Dir();
    paths.openvpnDir = dir.Dir();
    SetProcessPaths(paths);
  }
  void TearDown() override { SetProcessPaths(ProcessPaths{}); }

  std::string Template() {
    std::string text;
    EXPECT_TRUE(ReadFileBytes(dir.File(L"template.ovpn"), text));
    return text;
  }
  ProxyMessageCallback Recorder() {
    return [this](const std::wstring& text, const std::wstring& caption) {
      messages.push_back(text);
      captions.push_back(caption);
    };
  }

  testing::TempDir dir;
  std::vector<std::wstring> messages;
  std::vector<std::wstring> captions;
};

TEST_F(ProxyTemplateFileTest, ModesRewriteTheTemplateAndRememberTheChoice) {
  ASSERT_TRUE(WriteFileBytes(dir.File(L"template.ovpn"), kTemplate));
  ASSERT_TRUE(ApplyProxyToTemplate(2, L"proxy.lan", L"8080", Recorder()));
  EXPECT_EQ(Template(), "client\n;http-proxy [proxy server] [proxy port #]\nhttp-proxy proxy.lan 8080\nverb 3\n");
  ProxyChoice choice = CurrentProxyChoice();
  EXPECT_EQ(choice.lastAppliedMode, 2);
  EXPECT_EQ(choice.host, L"proxy.lan");
  EXPECT_EQ(choice.port, L"8080");

  // The system proxy as recorded at start-up: none in tests, so mode 1 writes no line.
  ASSERT_TRUE(ApplyProxyToTemplate(1, Recorder()));
  EXPECT_EQ(Template(), kTemplate);
  choice = CurrentProxyChoice();
  EXPECT_EQ(choice.lastAppliedMode, 1);
  EXPECT_EQ(choice.host, L"proxy.lan");  // kept for the settings window's edits

  EXPECT_EQ(ApplyProxyToTemplateFile(dir.File(L"template.ovpn"), 1, ProxyInputs{L"", L"", "http=sys.lan:9090"}, {}),
            ProxyEditError::kNone);
  EXPECT_EQ(Template(), "client\n;http-proxy [proxy server] [proxy port #]\nhttp-proxy sys.lan 9090\nverb 3\n");
  ASSERT_TRUE(ApplyProxyToTemplate(0, Recorder()));
  EXPECT_EQ(Template(), kTemplate);
  EXPECT_TRUE(messages.empty());
  EXPECT_FALSE(FileExists(dir.File(L"template.ovpn.tmp")));
}

TEST_F(ProxyTemplateFileTest, TemplateProblemsAreShownAndNothingIsWritten) {
  EXPECT_FALSE(ApplyProxyToTemplate(0, Recorder()));
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0], L"openvpn配置文件缺失,请联系客服人员");
  EXPECT_EQ(captions[0], L"msg_title");
  EXPECT_FALSE(FileExists(dir.File(L"template.ovpn")));

  ASSERT_TRUE(WriteFileBytes(dir.File(L"template.ovpn"), "client\nverb 3\n"));
  EXPECT_EQ(ApplyProxyToTemplateFile(dir.File(L"template.ovpn"), 2, ProxyInputs{L"h", L"1", ""}, Recorder()),
            ProxyEditError::kNoMarker);
  ASSERT_EQ(messages.size(), 2u);
  EXPECT_EQ(messages[1], L"配置文件不完整，请联系客服人员");
  EXPECT_EQ(Template(), "client\nverb 3\n");
}

TEST_F(ProxyTemplateFileTest, UnsafeManualProxyAndUnknownModesLeaveTheTemplate) {
  ASSERT_TRUE(WriteFileBytes(dir.File(L"template.ovpn"), kTemplate));
  const int before = CurrentProxyChoice().lastAppliedMode;
  EXPECT_FALSE(ApplyProxyToTemplate(2, L"a b", L"8080", Recorder()));
  EXPECT_FALSE(ApplyProxyToTemplate(2, L"proxy\nup evil", L"8080", Recorder()));
  EXPECT_FALSE(ApplyProxyToTemplate(2, L"proxy", L"", Recorder()));
  EXPECT_FALSE(ApplyProxyToTemplate(3, Recorder()));
  EXPECT_FALSE(ApplyProxyToTemplate(-1, Recorder()));
  EXPECT_EQ(Template(), kTemplate);
  EXPECT_EQ(CurrentProxyChoice().lastAppliedMode, before);
  EXPECT_TRUE(messages.empty());
}

}  // namespace
}  // namespace nimbrook
