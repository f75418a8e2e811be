// The system's resolver and small-stack threads, as the delay pass uses them.
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <thread>

#include "os/name_resolver.h"
#include "os/small_thread.h"

namespace nimbrook {
namespace {

TEST(SystemNameResolver, NumericNamesResolveAndEmptyDoesNot) {
  os::SystemNameResolver resolver;
  const uint8_t bytes[4] = {127, 0, 0, 1};
  uint32_t loopback;
  std::memcpy(&loopback, bytes, sizeof loopback);
  EXPECT_EQ(resolver.FirstIpv4("127.0.0.1"), loopback);
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

}  // namespace
}  // namespace nimbrook
