// The five-echo measurement (which replies count, how they are averaged, what one echo is sent
// with), the delay text and the address a row's text names.
#include "delay/delay_result.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "os/icmp_echo_fake.h"
#include "os/name_resolver_fake.h"

namespace nimbrook {
namespace {

using os::FakeEcho;

uint32_t Address(uint8_t a, uint8_t b, uint8_t c, uint8_t d) {
  const uint8_t bytes[4] = {a, b, c, d};
  uint32_t address;
  std::memcpy(&address, bytes, sizeof address);
  return address;
}

DelayResult Measure(std::vector<FakeEcho> echoes) {
  os::FakeIcmpNetwork network;
  const uint32_t target = Address(10, 0, 0, 1);
  network.Script(target, std::move(echoes));
  auto echo = network.Open();
  return MeasureDelay(*echo, target);
}

TEST(MeasureDelay, SlowestDroppedOnlyWhenAllFiveReplied) {
  const DelayResult five = Measure({FakeEcho::Reply(10), FakeEcho::Reply(12), FakeEcho::Reply(11),
                                    FakeEcho::Reply(50), FakeEcho::Reply(13)});
  EXPECT_EQ(five.status, 0u);
  EXPECT_EQ(five.roundTripTime, 11u);  // (10 + 12 + 11 + 13) / 4
  EXPECT_EQ(five.address, Address(10, 0, 0, 1));

  // One lost: nothing dropped, 83 / 4.
  const DelayResult four = Measure({FakeEcho::Reply(10), FakeEcho::Reply(12), FakeEcho::Fails(),
                                    FakeEcho::Reply(11), FakeEcho::Reply(50)});
  EXPECT_EQ(four.status, 0u);
  EXPECT_EQ(four.roundTripTime, 20u);

  // Only one copy of a repeated largest time is dropped: (4 + 9 + 9 + 9) / 4.
  const DelayResult equal = Measure({FakeEcho::Reply(4), FakeEcho::Reply(9), FakeEcho::Reply(9),
                                     FakeEcho::Reply(9), FakeEcho::Reply(9)});
  EXPECT_EQ(equal.roundTripTime, 7u);

  // Times near the top of the range do not overflow the sum.
  const uint32_t big = 0xFFFFFFF0u;
  const DelayResult huge = Measure({FakeEcho::Reply(big), FakeEcho::Reply(big), FakeEcho::Fails(),
                                    FakeEcho::Fails(), FakeEcho::Fails()});
  EXPECT_EQ(huge.roundTripTime, big);
}

TEST(MeasureDelay, OnlySuccessfulRepliesCount) {
  // An error reply (host unreachable) carries a status, not a delay.
  const DelayResult mixed = Measure({FakeEcho::Error(11003), FakeEcho::Reply(30), FakeEcho::Error(11003),
                                     FakeEcho::Reply(10), FakeEcho::Fails()});
  EXPECT_EQ(mixed.status, 0u);
  EXPECT_EQ(mixed.roundTripTime, 20u);

  const DelayResult none = Measure({FakeEcho::Error(11003), FakeEcho::Fails()});
  EXPECT_EQ(none.status, kEchoTimedOut);
  EXPECT_EQ(none.roundTripTime, 0u);
  EXPECT_EQ(none.address, Address(10, 0, 0, 1));

  const DelayResult fast = Measure({FakeEcho::Reply(0), FakeEcho::Reply(0), FakeEcho::Reply(1),
                                    FakeEcho::Reply(0), FakeEcho::Reply(0)});
  EXPECT_EQ(fast.status, 0u);
  EXPECT_EQ(fast.roundTripTime, 0u);
}

TEST(DelayText, TimeOutUnderOneMillisecondAndMilliseconds) {
  const std::wstring timeout = L"\u8D85\u65F6";
  EXPECT_EQ(DelayText(DelayResult{1, 0, 0}, timeout), L"\u5C0F\u4E8E1ms");
  EXPECT_EQ(DelayText(DelayResult{1, 0, 11}, timeout), L"11ms");
  EXPECT_EQ(DelayText(DelayResult{1, 0, 1000}, timeout), L"1000ms");
  EXPECT_EQ(DelayText(DelayResult{1, kEchoTimedOut, 0}, timeout), timeout);
  // A failed result shows the time-out whatever time it carries.
  EXPECT_EQ(DelayText(DelayResult{1, 11003, 25}, L"timeout"), L"timeout");
  EXPECT_EQ(DelayText(DelayResult{}, L""), L"");
}

TEST(DelayTarget, DottedQuadsParseInNetworkOrder) {
  EXPECT_EQ(ParseDottedQuad("127.0.0.1"), Address(127, 0, 0, 1));
  EXPECT_EQ(ParseDottedQuad(" 10.20.30.40\r\n"), Address(10, 20, 30, 40));
  EXPECT_EQ(ParseDottedQuad("0.0.0.0"), 0u);
  for (const char* bad : {"", "256.1.1.1", "1.2.3", "1.2.3.4.5", "1..2.3", "a.b.c.d", "1.2.3.4x", "1.2.3.0004",
                          "-1.2.3.4", "1.2.3.", ".1.2.3", "vpn1.example.net"}) {
    EXPECT_EQ(ParseDottedQuad(bad), kNoAddress) << bad;
  }
}

TEST(DelayTarget, NamesGoToTheResolverAndStayAllOnesWhenUnknown) {
  os::FakeNameResolver resolver;
  resolver.Add("hk1.example.net", Address(203, 0, 113, 5));
  EXPECT_EQ(ResolveDelayTarget("203.0.113.9", resolver), Address(203, 0, 113, 9));
  EXPECT_EQ(ResolveDelayTarget(" hk1.example.net ", resolver), Address(203, 0, 113, 5));
  EXPECT_EQ(ResolveDelayTarget("nowhere.example.net", resolver), kNoAddress);
  // A quad that reads as "none" is looked up as a name, as the list's texts always were.
  resolver.Add("255.255.255.255", Address(255, 255, 255, 255));
  EXPECT_EQ(ResolveDelayTarget("255.255.255.255", resolver), kNoAddress);
  // An empty or blank text is not looked up at all (the system would answer with this computer).
  EXPECT_EQ(ResolveDelayTarget("", resolver), kNoAddress);
  EXPECT_EQ(ResolveDelayTarget("  ", resolver), kNoAddress);

  std::vector<std::string> looked;
  for (const auto& lookup : resolver.lookups()) looked.push_back(lookup.first);
  EXPECT_EQ(looked, (std::vector<std::string>{"hk1.example.net", "nowhere.example.net", "255.255.255.255"}));
}

}  // namespace
}  // namespace nimbrook
