#include "cmroute/route_file.h"

#include <gtest/gtest.h>

namespace nimbrook::cmroute {
namespace {

TEST(DottedQuadTest, StrictAddresses) {
  EXPECT_EQ(ParseDottedQuad("0.0.0.0"), 0u);
  EXPECT_EQ(ParseDottedQuad("255.255.255.255"), 0xFFFFFFFFu);
  EXPECT_EQ(ParseDottedQuad("10.1.2.3"), 0x0A010203u);
  for (const char* bad : {"", "1.2.3", "1.2.3.4.5", "1.2.3.4.", ".1.2.3", "1..2.3", "256.1.1.1", "1.2.3.-4", "01.2.3.4",
                          "1.2.3.4 ", "+1.2.3.4", "0x1.2.3.4", "1.2.3.1000", "a.b.c.d", "1.2.3.99999999999"}) {
    EXPECT_FALSE(ParseDottedQuad(bad)) << bad;
  }
  EXPECT_EQ(DottedQuad(0xC0A80001u), "192.168.0.1");
}

TEST(DottedQuadTest, MasksAndPrefixes) {
  EXPECT_TRUE(IsContiguousMask(0));
  EXPECT_TRUE(IsContiguousMask(0xFFFFFFFFu));
  EXPECT_TRUE(IsContiguousMask(0xFFF00000u));
  EXPECT_FALSE(IsContiguousMask(0xFF00FF00u));
  EXPECT_FALSE(IsContiguousMask(0x00FFFFFFu));
  EXPECT_FALSE(IsContiguousMask(0xFFFFFFFEu - 1));
  EXPECT_EQ(PrefixLength(0xFFF00000u), 12);
  EXPECT_EQ(PrefixLength(0), 0);
  EXPECT_EQ(PrefixLength(0xFFFFFFFFu), 32);
}

TEST(ParseRouteFileTest, WellFormedFileWithCommentsAndBlankLines) {
  const RouteFileResult r = ParseRouteFile(
      "\xEF\xBB\xBF; comment\r\n"
      "REM another comment\r\n"
      "# and another\r\n"
      "\r\n"
      "  \t \r\n"
      "ADD 10.0.0.0 MASK 255.0.0.0 default METRIC default IF default\r\n"
      "add 172.16.0.0 mask 255.240.0.0 192.168.1.1 metric 5 if 12\n"
      "ADD 1.2.3.4 MASK 255.255.255.255 local\n"
      "ADD 0.0.0.0 MASK 0.0.0.0 10.8.0.1 IF 7\n"
      "\tDELETE 10.0.0.0 MASK 255.0.0.0 default");
  ASSERT_TRUE(r.ok) << r.errorLine << ": " << r.error;
  ASSERT_EQ(r.routes.size(), 5u);
  EXPECT_EQ(r.routes[0].action, RouteAction::kAdd);
  EXPECT_EQ(r.routes[0].destination, 0x0A000000u);
  EXPECT_EQ(r.routes[0].mask, 0xFF000000u);
  EXPECT_EQ(r.routes[0].gatewayKind, GatewayKind::kVpn);
  EXPECT_FALSE(r.routes[0].metric);
  EXPECT_FALSE(r.routes[0].interfaceIndex);
  EXPECT_EQ(r.routes[0].line, 6);
  EXPECT_EQ(r.routes[1].gatewayKind, GatewayKind::kAddress);
  EXPECT_EQ(r.routes[1].gateway, 0xC0A80101u);
  EXPECT_EQ(r.routes[1].metric, 5u);
  EXPECT_EQ(r.routes[1].interfaceIndex, 12u);
  EXPECT_EQ(r.routes[2].gatewayKind, GatewayKind::kLocal);
  EXPECT_FALSE(r.routes[3].metric);
  EXPECT_EQ(r.routes[3].interfaceIndex, 7u);
  EXPECT_EQ(r.routes[4].action, RouteAction::kDelete);
  EXPECT_EQ(r.routes[4].line, 10);
  EXPECT_EQ(GatewayText(r.routes[4]), "default");
  EXPECT_EQ(GatewayText(r.routes[1]), "192.168.1.1");
}

TEST(ParseRouteFileTest, EmptyAndCommentOnlyFilesHaveNoRoutes) {
  for (const char* text : {"", "\n\n", "; only\n", "\xEF\xBB\xBF"}) {
    const RouteFileResult r = ParseRouteFile(text);
    EXPECT_TRUE(r.ok) << text;
    EXPECT_TRUE(r.routes.empty());
  }
}

struct BadLine {
  const char* line;
  const char* errorPart;
};

class MalformedLineTest : public ::testing::TestWithParam<BadLine> {};

TEST_P(MalformedLineTest, IsRefusedWithItsLineNumber) {
  const std::string text = std::string("; header\nADD 10.0.0.0 MASK 255.0.0.0 default\n") + GetParam().line + "\n";
  const RouteFileResult r = ParseRouteFile(text);
  EXPECT_FALSE(r.ok);
  EXPECT_TRUE(r.routes.empty());
  EXPECT_EQ(r.errorLine, 3);
  EXPECT_NE(r.error.find(GetParam().errorPart), std::string::npos) << r.error;
}

INSTANTIATE_TEST_SUITE_P(
    Hostile, MalformedLineTest,
    ::testing::Values(BadLine{"ROUTE 10.0.0.0 MASK 255.0.0.0 default", "unknown command"},
                      BadLine{"ADD 10.0.0.0 MASK 255.0.0.0", "too few"},
                      BadLine{"ADD", "too few"},
                      BadLine{"ADD 10.0.0 MASK 255.0.0.0 default", "destination"},
                      BadLine{"ADD 10.0.0.0 NETMASK 255.0.0.0 default", "expected MASK"},
                      BadLine{"ADD 10.0.0.0 MASK 255.0.255.0 default", "not contiguous"},
                      BadLine{"ADD 10.1.0.0 MASK 255.0.0.0 default", "outside the mask"},
                      BadLine{"ADD 10.0.0.0 MASK 255.0.0.0 gateway", "gateway"},
                      BadLine{"ADD 10.0.0.0 MASK 255.0.0.0 10.0.0.300", "gateway"},
                      BadLine{"ADD 10.0.0.0 MASK 255.0.0.0 default METRIC", "METRIC without"},
                      BadLine{"ADD 10.0.0.0 MASK 255.0.0.0 default METRIC 0", "metric"},
                      BadLine{"ADD 10.0.0.0 MASK 255.0.0.0 default METRIC 10000", "metric"},
                      BadLine{"ADD 10.0.0.0 MASK 255.0.0.0 default METRIC -1", "metric"},
                      BadLine{"ADD 10.0.0.0 MASK 255.0.0.0 default IF", "IF without"},
                      BadLine{"ADD 10.0.0.0 MASK 255.0.0.0 default IF x", "interface"},
                      BadLine{"ADD 10.0.0.0 MASK 255.0.0.0 default IF 99999999999", "interface"},
                      BadLine{"ADD 10.0.0.0 MASK 255.0.0.0 default IF 3 METRIC 2", "unexpected"},
                      BadLine{"ADD 10.0.0.0 MASK 255.0.0.0 default METRIC 1 IF 2 extra", "unexpected"},
                      BadLine{"DELETE 10.0.0.0 MASK 255.0.0.0 default METRIC 1 IF 2 extra", "unexpected"},
                      BadLine{"DELETE 10.0.0.0 MASK 255.0.0.0 default IF 2 METRIC 1", "unexpected"},
                      BadLine{"DELETE 10.0.0.0 MASK 255.0.0.0 default METRIC x", "metric"},
                      BadLine{"DELETE 10.0.0.0 MASK 255.0.0.0 default IF", "IF without"},
                      BadLine{"DELETE 10.0.0.0 MASK 255.0.0.0 METRIC", "METRIC without"},
                      BadLine{"DELETE 10.0.0.0 MASK 255.0.0.0 gateway METRIC 1", "gateway"},
                      BadLine{"DELETE 10.0.0.0 MASK", "too few"},
                      BadLine{"DELETE 10.0.0.0 255.0.0.0 default", "expected MASK"},
                      BadLine{"ADD 10.0.0.0 MASK 255.0.0.0 default\x01", "control character"}));

// Route files written for the system's connection manager: DELETE lines carry METRIC and IF like ADD
// lines (checked, then not needed to find the route), and a DELETE may leave out its gateway.
TEST(ParseRouteFileTest, ConnectionManagerDeleteLinesAreAccepted) {
  const RouteFileResult r = ParseRouteFile(
      "; written for the connection manager\r\n"
      "\r\n"
      "REM removes what addroute added\r\n"
      "DELETE 172.16.0.0 MASK 255.240.0.0 default METRIC default IF default\r\n"
      "delete 10.0.0.0 mask 255.0.0.0 192.168.1.1 metric 5 if 12\r\n"
      "   # indented comment\r\n"
      "DELETE 192.168.0.0 MASK 255.255.0.0 local METRIC 20\r\n"
      "DELETE 100.64.0.0 MASK 255.192.0.0 default IF 7\r\n"
      "DELETE 198.51.100.0 MASK 255.255.255.0\r\n"
      "DELETE 203.0.113.0 MASK 255.255.255.0 METRIC default IF default\r\n"
      "ADD 172.16.0.0 MASK 255.240.0.0 default METRIC default IF default\r\n");
  ASSERT_TRUE(r.ok) << r.errorLine << ": " << r.error;
  ASSERT_EQ(r.routes.size(), 7u);
  EXPECT_EQ(r.routes[0].action, RouteAction::kDelete);
  EXPECT_EQ(r.routes[0].line, 4);
  EXPECT_EQ(DottedQuad(r.routes[0].destination), "172.16.0.0");
  EXPECT_EQ(r.routes[0].mask, 0xFFF00000u);
  EXPECT_EQ(r.routes[0].gatewayKind, GatewayKind::kVpn);
  EXPECT_EQ(GatewayText(r.routes[1]), "192.168.1.1");
  EXPECT_EQ(r.routes[2].gatewayKind, GatewayKind::kLocal);
  for (int i = 0; i < 6; ++i) {
    EXPECT_FALSE(r.routes[i].metric) << i;  // a DELETE finds its route without them
    EXPECT_FALSE(r.routes[i].interfaceIndex) << i;
  }
  EXPECT_EQ(r.routes[4].gatewayKind, GatewayKind::kAny);
  EXPECT_EQ(r.routes[4].line, 9);
  EXPECT_EQ(r.routes[5].gatewayKind, GatewayKind::kAny);
  EXPECT_EQ(r.routes[6].action, RouteAction::kAdd);
  EXPECT_EQ(r.routes[6].gatewayKind, GatewayKind::kVpn);
}

TEST(ParseRouteFileTest, NulBytesAreRefused) {
  const RouteFileResult r = ParseRouteFile(std::string("ADD 10.0.0.0 MASK 255.0.0.0 default\0\n", 37));
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(r.errorLine, 1);
}

TEST(ParseRouteFileTest, OversizedFilesAreRefusedWhole) {
  const RouteFileResult r = ParseRouteFile(std::string(kMaxRouteFileSize + 1, ';'));
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(r.errorLine, 0);
}

TEST(ParseRouteFileTest, LongFilesKeepTheirLineNumbers) {
  std::string text;
  for (int i = 0; i < 5000; ++i) text += "ADD 10.0.0.0 MASK 255.0.0.0 default\n";
  text += "ADD 10.0.0.1 MASK 255.0.0.0 default\n";
  const RouteFileResult r = ParseRouteFile(text);
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(r.errorLine, 5001);
}

}  // namespace
}  // namespace nimbrook::cmroute
