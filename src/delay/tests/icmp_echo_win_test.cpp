// The IP Helper echo against this computer's loopback address. Under Wine an echo needs raw or
// ping sockets (root, or ping_group_range); without them every call fails. Either way the seam keeps
// its contract: a reply fills the record, a failed call leaves it as the caller set it.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "delay/delay_result.h"
#include "os/icmp_echo.h"

namespace nimbrook {
namespace {

TEST(IcmpEchoWin, LoopbackEchoRepliesOrLeavesTheRecordAlone) {
  const uint8_t bytes[4] = {127, 0, 0, 1};
  uint32_t loopback;
  std::memcpy(&loopback, bytes, sizeof loopback);

  std::unique_ptr<os::IcmpEcho> echo = os::OpenIcmpEcho();
  ASSERT_NE(echo, nullptr);
  const std::vector<uint8_t> payload(32, 0x45);
  os::EchoReplyRecord reply{0x45454545, 0x45454545, 0x45454545};
  const uint32_t replies = echo->Send(loopback, payload.data(), payload.size(), 1000, reply);
  const DelayResult measured = MeasureDelay(*echo, loopback);
  EXPECT_EQ(measured.address, loopback);

  if (replies > 0) {
    ::testing::Test::RecordProperty("loopback", "replied");
    EXPECT_EQ(reply.status, 0u);
    EXPECT_EQ(reply.address, loopback);
    EXPECT_LT(reply.roundTripTime, 1000u);
    EXPECT_EQ(measured.status, 0u);
    EXPECT_LT(measured.roundTripTime, 1000u);
  } else {
    ::testing::Test::RecordProperty("loopback", "no echo permitted");
    EXPECT_EQ(reply.status, 0x45454545u);
    EXPECT_EQ(reply.address, 0x45454545u);
    EXPECT_EQ(measured.status, kEchoTimedOut);
  }
}

}  // namespace
}  // namespace nimbrook
