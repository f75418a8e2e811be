#include "cmroute/route_applier.h"

#include <gtest/gtest.h>

#include "cmroute/set_routes.h"
#include "cmroute/set_routes_options.h"
#include "core/file_io.h"
#include "core/text.h"
#include "fake_route_table.h"
#include "testing/temp_dir.h"

namespace nimbrook::cmroute {
namespace {

std::vector<RouteEntry> Routes(const std::string& text) {
  const RouteFileResult r = ParseRouteFile(text);
  EXPECT_TRUE(r.ok) << r.errorLine << ": " << r.error;
  return r.routes;
}

TEST(ApplyRoutesTest, GatewaysResolveToTheVpnAndTheLocalRoute) {
  FakeRouteTable table;
  table.vpn = GatewayChoice{0, 21};               // a PPP link: on-link
  table.local = GatewayChoice{0xC0A80101u, 4};  // 192.168.1.1 on the Ethernet adapter
  const ApplyOutcome outcome = ApplyRoutes(Routes("ADD 10.0.0.0 MASK 255.0.0.0 default\n"
                                                  "ADD 20.0.0.0 MASK 255.0.0.0 default METRIC 3 IF 30\n"
                                                  "ADD 30.0.0.0 MASK 255.0.0.0 local\n"
                                                  "ADD 40.0.0.0 MASK 255.0.0.0 10.0.0.9\n"),
                                           table, false);
  EXPECT_TRUE(outcome.Succeeded());
  EXPECT_EQ(outcome.applied, 4);
  ASSERT_EQ(table.rows.size(), 4u);
  EXPECT_EQ(table.rows[0], (FakeRouteTable::Row{0x0A000000u, 0xFF000000u, 0, 21, {}}));
  EXPECT_EQ(table.rows[1], (FakeRouteTable::Row{0x14000000u, 0xFF000000u, 0, 30, {}}));  // IF given wins
  EXPECT_EQ(table.rows[1].metric, 3u);
  EXPECT_EQ(table.rows[2], (FakeRouteTable::Row{0x1E000000u, 0xFF000000u, 0xC0A80101u, 4, {}}));
  EXPECT_EQ(table.rows[3], (FakeRouteTable::Row{0x28000000u, 0xFF000000u, 0x0A000009u, 99, {}}));
  EXPECT_EQ(table.vpnLookups, 1);  // once per file
}

TEST(ApplyRoutesTest, ApplyingTwiceAndDeletingTwiceIsHarmless) {
  FakeRouteTable table;
  table.vpn = GatewayChoice{0x0A080001u, 9};
  const auto adds = Routes("ADD 10.0.0.0 MASK 255.0.0.0 default\n");
  EXPECT_TRUE(ApplyRoutes(adds, table, false).Succeeded());
  EXPECT_TRUE(ApplyRoutes(adds, table, false).Succeeded());
  EXPECT_EQ(table.rows.size(), 1u);
  const auto deletes = Routes("DELETE 10.0.0.0 MASK 255.0.0.0 default\n");
  EXPECT_TRUE(ApplyRoutes(deletes, table, false).Succeeded());
  EXPECT_TRUE(ApplyRoutes(deletes, table, false).Succeeded());
  EXPECT_TRUE(table.rows.empty());
}

TEST(ApplyRoutesTest, MissingGatewaysFailAddsButSkipDeletesThroughAGoneVpn) {
  FakeRouteTable table;
  const ApplyOutcome outcome = ApplyRoutes(Routes("ADD 10.0.0.0 MASK 255.0.0.0 default\n"
                                                  "DELETE 10.0.0.0 MASK 255.0.0.0 default\n"
                                                  "ADD 20.0.0.0 MASK 255.0.0.0 local\n"
                                                  "DELETE 20.0.0.0 MASK 255.0.0.0 local\n"
                                                  "ADD 30.0.0.0 MASK 255.0.0.0 10.0.0.1\n"),
                                           table, false);
  EXPECT_EQ(outcome.applied, 1);
  EXPECT_EQ(outcome.skipped, 1);
  ASSERT_EQ(outcome.failures.size(), 3u);
  EXPECT_EQ(outcome.failures[0].line, 1);
  EXPECT_NE(outcome.failures[0].reason.find("no VPN adapter"), std::string::npos);
  EXPECT_EQ(outcome.failures[1].line, 3);
  EXPECT_EQ(outcome.failures[2].line, 4);
  EXPECT_EQ(table.rows.size(), 1u);  // the line after the failures still applied
}

TEST(ApplyRoutesTest, DeleteWithoutGatewayRemovesEveryRouteToTheDestination) {
  FakeRouteTable table;
  table.vpn = GatewayChoice{0x0A080001u, 9};
  ASSERT_TRUE(ApplyRoutes(Routes("ADD 10.0.0.0 MASK 255.0.0.0 default\n"
                                 "ADD 10.0.0.0 MASK 255.0.0.0 192.168.1.1 METRIC 5\n"
                                 "ADD 10.0.0.0 MASK 255.255.0.0 192.168.1.1\n"),
                          table, false)
                  .Succeeded());
  const ApplyOutcome outcome =
      ApplyRoutes(Routes("DELETE 10.0.0.0 MASK 255.0.0.0 METRIC default IF default\n"), table, false);
  EXPECT_TRUE(outcome.Succeeded());
  EXPECT_EQ(outcome.applied, 1);
  ASSERT_EQ(table.rows.size(), 1u);  // the route with the other mask stays
  EXPECT_EQ(table.rows[0].mask, 0xFFFF0000u);
  EXPECT_EQ(table.vpnLookups, 1);    // the line with "default" was the add
}

TEST(ApplyRoutesTest, AccessDeniedIsAnErrorOnlyWhenNotAllowed) {
  FakeRouteTable table;
  table.denyAll = true;
  const auto routes = Routes("ADD 10.0.0.0 MASK 255.0.0.0 10.0.0.1\nDELETE 10.0.0.0 MASK 255.0.0.0 10.0.0.1\n");
  const ApplyOutcome allowed = ApplyRoutes(routes, table, true);
  EXPECT_TRUE(allowed.Succeeded());
  EXPECT_EQ(allowed.deniedIgnored, 2);
  const ApplyOutcome refused = ApplyRoutes(routes, table, false);
  EXPECT_EQ(refused.failures.size(), 2u);

  table.denyAll = false;
  table.failingDestinations.insert(0x0A000000u);
  const ApplyOutcome failed = ApplyRoutes(routes, table, true);
  ASSERT_EQ(failed.failures.size(), 2u);
  EXPECT_NE(failed.failures[0].reason.find("87"), std::string::npos);
}

TEST(SetRoutesOptionsTest, TheLaunchersThreeCommandLines) {
  // As rundll32 hands them over: everything after "cmroute.dll,SetRoutes ".
  for (const wchar_t* line : {L"/STATIC_FILE_NAME addroute.tem  /DONT_REQUIRE_URL/IPHLPAPI_ACCESS_DENIED_OK",
                              L"/STATIC_FILE_NAME china.tem  /DONT_REQUIRE_URL /IPHLPAPI_ACCESS_DENIED_OK",
                              L"/static_file_name \"delroute.tem\"\t/dont_require_url /iphlpapi_access_denied_ok "}) {
    const SetRoutesParse p = ParseSetRoutesCommandLine(line);
    ASSERT_TRUE(p.ok) << p.error;
    EXPECT_TRUE(p.options.dontRequireUrl);
    EXPECT_TRUE(p.options.accessDeniedOk);
    EXPECT_EQ(p.options.staticFileName.substr(p.options.staticFileName.size() - 4), L".tem");
  }
  const SetRoutesParse quoted = ParseSetRoutesCommandLine(L"/STATIC_FILE_NAME \"my routes.tem\"");
  ASSERT_TRUE(quoted.ok);
  EXPECT_EQ(quoted.options.staticFileName, L"my routes.tem");
  EXPECT_FALSE(quoted.options.dontRequireUrl);
  EXPECT_FALSE(quoted.options.accessDeniedOk);
}

TEST(SetRoutesOptionsTest, MalformedCommandLines) {
  for (const wchar_t* line : {L"", L"/DONT_REQUIRE_URL", L"/STATIC_FILE_NAME", L"/STATIC_FILE_NAME a b",
                              L"/STATIC_FILE_NAME a /STATIC_FILE_NAME b", L"/STATIC_FILE_NAME a /URL_UPDATE_PATH x",
                              L"/STATIC_FILE_NAME/DONT_REQUIRE_URL a", L"a.tem", L"/STATIC_FILE_NAME a /"}) {
    EXPECT_FALSE(ParseSetRoutesCommandLine(line).ok) << text::ToUtf8(line);
  }
}

class RunSetRoutesTest : public ::testing::Test {
 protected:
  SetRoutesStatus Run(const std::wstring& commandLine) {
    log.clear();
    return RunSetRoutes(commandLine, table, [this](const std::wstring& line) { log.push_back(text::ToUtf8(line)); });
  }
  testing::TempDir dir;
  FakeRouteTable table;
  std::vector<std::string> log;
};

TEST_F(RunSetRoutesTest, AppliesAFileAndReportsEveryOutcome) {
  table.vpn = GatewayChoice{0, 8};
  const std::wstring file = dir.File(L"routes.tem");
  ASSERT_TRUE(WriteFileBytes(file, "ADD 10.0.0.0 MASK 255.0.0.0 default\r\nADD 11.0.0.0 MASK 255.0.0.0 local\r\n"));
  EXPECT_EQ(Run(L"/STATIC_FILE_NAME \"" + file + L"\" /DONT_REQUIRE_URL"), SetRoutesStatus::kRoutesFailed);
  EXPECT_EQ(table.rows.size(), 1u);
  ASSERT_EQ(log.size(), 2u);
  EXPECT_NE(log[0].find("第2行未能应用"), std::string::npos) << log[0];
  EXPECT_NE(log[1].find("成功1条"), std::string::npos) << log[1];

  table.local = GatewayChoice{0x0A000001u, 3};
  EXPECT_EQ(Run(L"/STATIC_FILE_NAME \"" + file + L"\" /DONT_REQUIRE_URL"), SetRoutesStatus::kOk);
  EXPECT_EQ(table.rows.size(), 2u);
}

TEST_F(RunSetRoutesTest, NothingIsAppliedFromABadCommandLineOrFile) {
  const std::wstring file = dir.File(L"routes.tem");
  ASSERT_TRUE(WriteFileBytes(file, "ADD 10.0.0.0 MASK 255.0.0.0 10.0.0.1\nADD 10.0.0.1 MASK 255.0.0.0 10.0.0.1\n"));
  EXPECT_EQ(Run(L"/STATIC_FILE_NAME \"" + file + L"\" /DONT_REQUIRE_URL"), SetRoutesStatus::kFileMalformed);
  ASSERT_EQ(log.size(), 1u);
  EXPECT_NE(log[0].find("第2行有误"), std::string::npos) << log[0];
  EXPECT_EQ(Run(L"/STATIC_FILE_NAME \"" + file + L"\""), SetRoutesStatus::kUrlRequired);
  EXPECT_EQ(Run(L"/STATIC_FILE_NAME \"" + dir.File(L"missing.tem") + L"\" /DONT_REQUIRE_URL"),
            SetRoutesStatus::kFileUnreadable);
  EXPECT_EQ(Run(L"/BOGUS"), SetRoutesStatus::kBadCommandLine);
  EXPECT_EQ(log.size(), 1u);
  EXPECT_TRUE(table.rows.empty());
}

}  // namespace
}  // namespace nimbrook::cmroute
