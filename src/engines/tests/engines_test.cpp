#include "engines/engines.h"

#include <gtest/gtest.h>

#include "dialup/base_vpner.h"
#include "dialup/ipsec_vpner.h"
#include "dialup/sstp_vpner.h"
#include "openvpn/open_vpner.h"
#include "tunnel/engine_cache.h"
#include "tunnel/protocol.h"

namespace nimbrook {
namespace {

class EnginesTest : public ::testing::Test {
 protected:
  void SetUp() override { RegisterTunnelEngines(); }
  void TearDown() override {
    DestroyEngines();
    SetEngineFactory({});
  }
};

TEST_F(EnginesTest, EveryProtocolGetsTheEngineOfItsKind) {
  Connector* pptp = GetEngine(0);
  Connector* l2tp = GetEngine(1);
  ASSERT_NE(pptp, nullptr);
  EXPECT_EQ(pptp, l2tp);  // PPTP and L2TP share the dial-up engine
  // IpsecVpner and SstpVpner derive from BaseVpner: the plain dial-up engine is neither.
  EXPECT_NE(dynamic_cast<BaseVpner*>(pptp), nullptr);
  EXPECT_EQ(dynamic_cast<IpsecVpner*>(pptp), nullptr);
  EXPECT_EQ(dynamic_cast<SstpVpner*>(pptp), nullptr);

  Connector* openVpn = GetEngine(2);
  ASSERT_NE(openVpn, nullptr);
  EXPECT_NE(dynamic_cast<OpenVpner*>(openVpn), nullptr);
  for (int32_t protocol = 3; protocol <= 5; ++protocol) {
    EXPECT_EQ(GetEngine(protocol), openVpn) << protocol;
  }

  EXPECT_NE(dynamic_cast<IpsecVpner*>(GetEngine(6)), nullptr);
  EXPECT_NE(dynamic_cast<SstpVpner*>(GetEngine(7)), nullptr);
  EXPECT_EQ(CachedEngineCount(), 4u);
}

TEST_F(EnginesTest, AutoAndUnknownProtocolsGetNoEngine) {
  EXPECT_EQ(GetEngine(kProtocolAuto), nullptr);
  EXPECT_EQ(GetEngine(9), nullptr);
  EXPECT_EQ(GetEngine(-1), nullptr);
  EXPECT_EQ(CachedEngineCount(), 0u);
}

}  // namespace
}  // namespace nimbrook
