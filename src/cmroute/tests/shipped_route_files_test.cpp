// The route files the program ships: each parses, china.tem routes through the VPN, and delroute.tem
// removes exactly what addroute.tem adds.
#include <gtest/gtest.h>

#include "cmroute/route_applier.h"
#include "cmroute/route_file.h"
#include "core/file_io.h"
#include "core/text.h"
#include "testing/host_path.h"
#include "fake_route_table.h"

namespace nimbrook::cmroute {
namespace {

using testing::SourceFile;

std::vector<RouteEntry> Shipped(const char* name) {
  std::string bytes;
  EXPECT_TRUE(ReadFileBytes(SourceFile(std::string("data/route/") + name), bytes)) << name;
  const RouteFileResult r = ParseRouteFile(bytes);
  EXPECT_TRUE(r.ok) << name << " line " << r.errorLine << ": " << r.error;
  EXPECT_FALSE(r.routes.empty()) << name;
  return r.routes;
}

TEST(ShippedRouteFilesTest, ChinaRoutesEnterTheVpn) {
  for (const RouteEntry& e : Shipped("china.tem")) {
    EXPECT_EQ(e.action, RouteAction::kAdd);
    EXPECT_EQ(e.gatewayKind, GatewayKind::kVpn) << e.line;
  }
}

TEST(ShippedRouteFilesTest, DelrouteUndoesAddroute) {
  const auto adds = Shipped("addroute.tem");
  const auto deletes = Shipped("delroute.tem");
  for (const RouteEntry& e : adds) EXPECT_EQ(e.action, RouteAction::kAdd) << e.line;
  for (const RouteEntry& e : deletes) EXPECT_EQ(e.action, RouteAction::kDelete) << e.line;

  FakeRouteTable table;
  table.vpn = GatewayChoice{0, 20};
  table.local = GatewayChoice{0xC0A80001u, 2};
  table.rows.push_back({0, 0, 0xC0A80001u, 2, {}});  // the computer's own default route stays
  ASSERT_TRUE(ApplyRoutes(adds, table, false).Succeeded());
  EXPECT_EQ(table.rows.size(), adds.size() + 1);
  ASSERT_TRUE(ApplyRoutes(deletes, table, false).Succeeded());
  ASSERT_EQ(table.rows.size(), 1u);
  EXPECT_EQ(table.rows[0].destination, 0u);
}

TEST(ShippedRouteFilesTest, NoBlockIsListedTwice) {
  for (const char* name : {"addroute.tem", "china.tem"}) {
    const auto routes = Shipped(name);
    for (size_t i = 0; i < routes.size(); ++i) {
      for (size_t j = i + 1; j < routes.size(); ++j) {
        const uint32_t common = routes[i].mask & routes[j].mask;
        EXPECT_NE(routes[i].destination & common, routes[j].destination & common)
            << name << ": lines " << routes[i].line << " and " << routes[j].line << " overlap";
      }
    }
  }
}

}  // namespace
}  // namespace nimbrook::cmroute
