// The real RAS API as Wine provides it: its stubs refuse to dial, and the engine turns that into a
// failed attempt with the route clean-up. The event of the seam is a real auto-reset event.
#include <windows.h>

#include <gtest/gtest.h>

#include "dialup/base_vpner.h"
#include "dialup/phonebook.h"
#include "dialup/tests/dial_up_harness.h"
#include "os/ras.h"

namespace nimbrook {
namespace {

using testing::DialUpHarness;
using testing::Notification;

TEST(SystemRasWin, EventIsAutoReset) {
  std::unique_ptr<os::RasEvent> event = os::SystemRas().MakeEvent();
  ASSERT_TRUE(event);
  EXPECT_FALSE(event->Wait(std::chrono::milliseconds(0)));
  event->Signal();
  EXPECT_TRUE(event->Wait(std::chrono::milliseconds(0)));
  EXPECT_FALSE(event->Wait(std::chrono::milliseconds(0)));  // reset by the wait
}

TEST(SystemRasWin, WineRefusesToDialAndToStoreCredentials) {
  DialUpHarness h;
  os::Ras& ras = os::SystemRas();
  os::RasConnection connection = nullptr;
  const uint32_t dialed = ras.Dial({WorkingPhonebookPath(h.dir.Dir()), L"nimbrookjsq-pptp", L"alice", L"s3cret"},
                                   nullptr, connection);
  EXPECT_NE(dialed, 0u);
  if (connection) (void)ras.HangUp(connection);
  EXPECT_NE(ras.SetCredentials(WorkingPhonebookPath(h.dir.Dir()), L"nimbrookjsq-l2tp",
                               {os::kRasCredentialPreSharedKey, L"alice", kL2tpPreSharedKey}, false),
            0u);
  EXPECT_FALSE(ras.LocalAddress(nullptr).has_value());
}

TEST(SystemRasWin, EngineReportsTheRefusedDialAndCleansUp) {
  DialUpHarness h;
  DialUpSeams seams = h.Seams();
  seams.ras = &os::SystemRas();
  BaseVpner engine(std::move(seams));
  engine.Attach(&h);
  ASSERT_TRUE(SetTarget(kRouteScopeAbroad, &engine, {kProtocolPptp, L"198.51.100.20", L""}));
  engine.Connect();
  const std::wstring failed = Notification(2, 3, L"str_call_failed");
  ASSERT_TRUE(h.WaitFor(failed));
  const std::vector<std::wstring> timeline = h.Timeline();
  ASSERT_GE(timeline.size(), 4u);
  EXPECT_EQ(timeline[timeline.size() - 4], L"route add");
  EXPECT_EQ(timeline[timeline.size() - 3], Notification(1, 2, L"str_calling"));
  EXPECT_EQ(timeline[timeline.size() - 2], L"route delete");
  EXPECT_EQ(timeline.back(), failed);
  EXPECT_EQ(engine.State(), kStateFailed);
  // The phonebook was written through the real profile API before the dial.
  EXPECT_EQ(os::SystemProfile().ReadString(WorkingPhonebookPath(h.dir.Dir()), L"nimbrookjsq-pptp", L"PhoneNumber", L"",
                                           2048),
            L"198.51.100.20");
}

}  // namespace
}  // namespace nimbrook
