// The system's resolver, small-stack threads and echo, as the delay pass uses them.
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstring>
#include <map>
#include <mutex>
#include <thread>

#include "delay/delay_pass.h"
#include "delay/tests/ui_thread_stand_in.h"
#include "os/name_resolver.h"
#include "os/small_thread.h"

namespace nimbrook {
namespace {

uint32_t Loopback() {
  const uint8_t bytes[4] = {127, 0, 0, 1};
  uint32_t loopback;
  std::memcpy(&loopback, bytes, sizeof loopback);
  return loopback;
}

TEST(SystemNameResolver, NumericNamesResolveAndEmptyDoesNot) {
  os::SystemNameResolver resolver;
  EXPECT_EQ(resolver.FirstIpv4("127.0.0.1"), Loopback());
  EXPECT_EQ(resolver.FirstIpv4(""), std::nullopt);
}

TEST(StartDetachedThread, RunsWorkOnAnotherThreadThatOwnsIt) {
  std::mutex lock;
  std::condition_variable changed;
  std::thread::id ranOn;
  bool ran = false;
  auto owned = std::make_shared<int>(7);
  std::weak_ptr<int> watch = owned;
  ASSERT_TRUE(os::StartDetachedThread(
      [&, owned = std::move(owned)] {
        std::lock_guard<std::mutex> guard(lock);
        ranOn = std::this_thread::get_id();
        ran = *owned == 7;
        changed.notify_all();
      },
      64 * 1024));
  std::unique_lock<std::mutex> guard(lock);
  changed.wait(guard, [&] { return ranOn != std::thread::id(); });
  EXPECT_TRUE(ran);
  EXPECT_NE(ranOn, std::this_thread::get_id());
  guard.unlock();
  // The thread frees what it was given once the work returns (bounded only against a hang).
  const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (!watch.expired() && std::chrono::steady_clock::now() < giveUp) std::this_thread::yield();
  EXPECT_TRUE(watch.expired());

  EXPECT_FALSE(os::StartDetachedThread(nullptr, 64 * 1024));
}

TEST(DelayPassSystem, SystemSeamsReportEveryRow) {
  // The system's echo, resolver and threads: natively every echo fails; under Wine loopback may
  // answer. Either way each row reports once with a defined result.
  std::map<RowId, DelayResult> results;
  std::shared_ptr<DelayPass> pass;
  testing::UiThreadStandIn ui([&](PingJob& job) {
    results[job.row] = job.result;
    pass->Reported();
  });
  pass = DelayPass::Create(DelayPass::SystemSeams(), ui.MakeDeliver());
  EXPECT_EQ(pass->Start({{1, "127.0.0.1"}, {2, ""}}), 2u);
  ASSERT_TRUE(ui.PumpUntil([&] { return pass->Outstanding() == 0; }));
  ASSERT_EQ(results.size(), 2u);
  EXPECT_EQ(results[1].address, Loopback());
  EXPECT_TRUE(results[1].status == 0 || results[1].status == kEchoTimedOut) << results[1].status;
  EXPECT_EQ(results[2].address, kNoAddress);
  EXPECT_EQ(results[2].status, kEchoTimedOut);
}

}  // namespace
}  // namespace nimbrook
