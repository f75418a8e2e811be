// Fault prefixes and the armed switch: what a path asks for, what the admin body arms, and how
// armed faults are used up.
#include "fault_plan.h"

#include <gtest/gtest.h>

namespace nimbrook::service {
namespace {

struct PrefixCase {
  const char* path;
  FaultMode mode;
  int delayMs;
  int status;
  const char* inner;
};

TEST(FaultPrefix, StripsEveryKnownPrefix) {
  const PrefixCase cases[] = {
      {"/gen/10", FaultMode::None, 0, 0, "/gen/10"},
      {"/fault/404/releases/1.5.1/update.exe", FaultMode::NotFound, 0, 0, "/releases/1.5.1/update.exe"},
      {"/fault/empty/gen/5", FaultMode::Empty, 0, 0, "/gen/5"},
      {"/fault/chunked/gen/50000", FaultMode::Chunked, 0, 0, "/gen/50000"},
      {"/fault/close/page/my", FaultMode::Close, 0, 0, "/page/my"},
      {"/fault/stall/clogin.php", FaultMode::Stall, 0, 0, "/clogin.php"},
      {"/fault/status/503/gen/1", FaultMode::Status, 0, 503, "/gen/1"},
      {"/fault/delay/250/gen/1", FaultMode::None, 250, 0, "/gen/1"},
      {"/fault/delay/100/fault/chunked/gen/1", FaultMode::Chunked, 100, 0, "/gen/1"},
      {"/fault/delay/100/fault/delay/50/gen/1", FaultMode::None, 150, 0, "/gen/1"},
      {"/fault/close", FaultMode::Close, 0, 0, "/"},
      {"/fault/close/", FaultMode::Close, 0, 0, "/"},
      {"/fault/huge/5", FaultMode::None, 0, 0, "/fault/huge/5"},
      {"/fault/chunked/fault/huge/5", FaultMode::Chunked, 0, 0, "/fault/huge/5"},
  };
  for (const auto& c : cases) {
    Fault fault;
    std::string inner, error;
    ASSERT_TRUE(ParseFaultPrefix(c.path, fault, inner, error)) << c.path << ": " << error;
    EXPECT_EQ(fault.mode, c.mode) << c.path;
    EXPECT_EQ(fault.delayMs, c.delayMs) << c.path;
    EXPECT_EQ(fault.status, c.status) << c.path;
    EXPECT_EQ(inner, c.inner) << c.path;
  }
}

TEST(FaultPrefix, RejectsMalformedPrefixes) {
  for (const char* path : {"/fault/unknown/x", "/fault/delay/abc/x", "/fault/delay//x", "/fault/delay/120001/x",
                           "/fault/status/600/x", "/fault/status/x/y", "/fault/close/fault/stall/x"}) {
    Fault fault;
    std::string inner, error;
    EXPECT_FALSE(ParseFaultPrefix(path, fault, inner, error)) << path;
    EXPECT_FALSE(error.empty()) << path;
  }
}

TEST(FaultPrefix, DescriptionsNameTheFault) {
  EXPECT_EQ((Fault{FaultMode::Close, 0, 0}).Describe(), "close");
  EXPECT_EQ((Fault{FaultMode::Status, 0, 502}).Describe(), "status=502");
  EXPECT_EQ((Fault{FaultMode::Chunked, 500, 0}).Describe(), "delay=500+chunked");
  EXPECT_EQ(Fault{}.Describe(), "none");
}

TEST(ArmRequest, ParsesModesCountsAndParameters) {
  ArmedFault armed;
  std::string error;
  ASSERT_TRUE(ParseArmRequest(ParseFormBody("mode=close&match=/releases/&count=3"), armed, error)) << error;
  EXPECT_EQ(armed.fault.mode, FaultMode::Close);
  EXPECT_EQ(armed.match, "/releases/");
  EXPECT_EQ(armed.remaining, 3);

  ASSERT_TRUE(ParseArmRequest(ParseFormBody("mode=delay&ms=800"), armed, error)) << error;
  EXPECT_EQ(armed.fault.mode, FaultMode::None);
  EXPECT_EQ(armed.fault.delayMs, 800);
  EXPECT_EQ(armed.remaining, 1);
  EXPECT_EQ(armed.match, "");

  ASSERT_TRUE(ParseArmRequest(ParseFormBody("mode=status&status=502&count=always&ms=10"), armed, error));
  EXPECT_EQ(armed.fault.status, 502);
  EXPECT_EQ(armed.fault.delayMs, 10);
  EXPECT_EQ(armed.remaining, -1);

  for (const char* body : {"", "mode=nope", "mode=delay", "mode=delay&ms=-1", "mode=status", "mode=status&status=42",
                           "mode=close&count=0", "mode=close&count=x", "mode=close&ms=x"}) {
    EXPECT_FALSE(ParseArmRequest(ParseFormBody(body), armed, error)) << body;
  }
}

TEST(FaultSwitchTest, UsesUpCountsInOrderAndResets) {
  FaultSwitch faults;
  faults.Arm({Fault{FaultMode::NotFound, 0, 0}, "version.ini", 1});
  faults.Arm({Fault{FaultMode::Close, 0, 0}, "", 2});
  faults.Arm({Fault{FaultMode::Empty, 0, 0}, "never-reached", -1});
  EXPECT_EQ(faults.Take("/gen/1").mode, FaultMode::Close);                 // first match in arming order
  EXPECT_EQ(faults.Take("/a/version.ini").mode, FaultMode::NotFound);
  EXPECT_EQ(faults.Take("/a/version.ini").mode, FaultMode::Close);         // the 404 is used up
  EXPECT_EQ(faults.Take("/a/version.ini").mode, FaultMode::None);          // so is the close
  EXPECT_EQ(faults.Take("/x/never-reached/").mode, FaultMode::Empty);
  EXPECT_EQ(faults.Take("/x/never-reached/").mode, FaultMode::Empty);      // always
  EXPECT_EQ(faults.List().size(), 1u);
  faults.Reset();
  EXPECT_TRUE(faults.List().empty());
  EXPECT_EQ(faults.Take("/x/never-reached/").mode, FaultMode::None);
}

}  // namespace
}  // namespace nimbrook::service
