// The abstract engine: its initial target, SetTarget, and Notify setting state together with code and
// message for the observers.
#include "tunnel/connector.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "tunnel/tests/fake_engine.h"

namespace nimbrook {
namespace {

using testing::FakeEngine;

struct Seen {
  int32_t state;
  int32_t code;
  std::wstring message;
};

// Records what an observer can read at the moment it is called, through the subject it receives.
class EngineWatcher : public StateObserver {
 public:
  void OnStateChanged(StateSubject* subject) override {
    auto* engine = static_cast<Connector*>(subject);
    seen.push_back({engine->State(), subject->Code(), subject->Message()});
  }
  std::vector<Seen> seen;
};

TEST(Connector, StartsIdleWithAutoAndNoRouteMode) {
  FakeEngine engine(EngineKind::DialUp);
  EXPECT_EQ(engine.State(), kStateIdle);
  EXPECT_EQ(engine.Protocol(), kProtocolAuto);
  EXPECT_EQ(engine.RouteMode(), kRouteUnset);
  EXPECT_EQ(engine.Host(), L"");
  EXPECT_EQ(engine.Port(), L"");
  EXPECT_EQ(engine.LocalAddress(), "");
  EXPECT_FALSE(engine.IsBusy());
}

TEST(Connector, SetTargetStoresAllFourValues) {
  FakeEngine engine(EngineKind::Sstp);
  EXPECT_TRUE(SetTarget(kRouteScopeChina, &engine, {kProtocolSstp, L"203.0.113.7", L"443"}));
  EXPECT_EQ(engine.Protocol(), kProtocolSstp);
  EXPECT_EQ(engine.RouteMode(), kRouteScopeChina);
  EXPECT_EQ(engine.Host(), L"203.0.113.7");
  EXPECT_EQ(engine.Port(), L"443");

  EXPECT_TRUE(SetTarget(kRouteGlobal, &engine, {kProtocolSstp, L"vpn.example.net", L""}));
  EXPECT_EQ(engine.RouteMode(), kRouteGlobal);
  EXPECT_EQ(engine.Host(), L"vpn.example.net");
  EXPECT_EQ(engine.Port(), L"");
  EXPECT_EQ(engine.State(), kStateIdle);  // the target does not touch the state

  EXPECT_FALSE(SetTarget(kRouteGlobal, nullptr, {kProtocolSstp, L"x", L"1"}));
}

TEST(Connector, NotifySetsStateThenCallsObserversWithCodeAndMessage) {
  FakeEngine engine(EngineKind::DialUp);
  EngineWatcher window;
  ASSERT_TRUE(engine.Attach(&window));

  engine.Notify(kStateConnecting, kCodeProgress, L"str_connecting");
  engine.Notify(kStateConnecting, kCodeProgress, L"str_calling");
  engine.Notify(kStateConnected, kCodeConnected, L"str_connect_ok");
  engine.Notify(kStateDisconnecting, kCodeDisconnecting, L"str_disconnecing");
  engine.Notify(kStateIdle, kCodeDisconnected, L"");

  ASSERT_EQ(window.seen.size(), 5u);
  EXPECT_EQ(window.seen[0].state, 1);
  EXPECT_EQ(window.seen[0].code, 2);
  EXPECT_EQ(window.seen[1].message, L"str_calling");
  EXPECT_EQ(window.seen[2].state, 3);
  EXPECT_EQ(window.seen[2].code, 4);
  EXPECT_EQ(window.seen[3].state, 4);
  EXPECT_EQ(window.seen[3].message, L"str_disconnecing");
  EXPECT_EQ(window.seen[4].state, 0);
  EXPECT_EQ(window.seen[4].code, 1);
  EXPECT_EQ(window.seen[4].message, L"");
  EXPECT_EQ(engine.Detail(), 0);
  EXPECT_EQ(engine.Extra(), L"");
}

TEST(Connector, FailureStaysUntilTheNextAttempt) {
  FakeEngine engine(EngineKind::OpenVpn);
  engine.Notify(kStateConnecting, kCodeProgress, L"str_connecting");
  EXPECT_TRUE(engine.IsBusy());
  engine.Notify(kStateFailed, kCodeFailed, L"错误691-拒绝访问");
  EXPECT_EQ(engine.State(), kStateFailed);
  EXPECT_FALSE(engine.IsBusy());
  EXPECT_EQ(engine.Message(), L"错误691-拒绝访问");
  engine.Notify(kStateConnecting, kCodeProgress, L"str_connecting");
  EXPECT_EQ(engine.State(), kStateConnecting);
}

TEST(Connector, LocalAddressIsKeptForObservers) {
  FakeEngine engine(EngineKind::DialUp);
  engine.StoreLocalAddress("10.8.0.6");
  EXPECT_EQ(engine.LocalAddress(), "10.8.0.6");
}

}  // namespace
}  // namespace nimbrook

namespace nimbrook {
namespace {

// Observer that checks, on the sending thread, that state and code always arrive as a pair.
class PairChecker : public StateObserver {
 public:
  void OnStateChanged(StateSubject* subject) override {
    auto* engine = static_cast<Connector*>(subject);
    ++calls;
    if (!IsEngineNotification(engine->State(), subject->Code())) ++mismatched;
  }
  std::atomic<int> calls{0};
  std::atomic<int> mismatched{0};
};

TEST(Connector, StateAndCodeChangeTogetherUnderConcurrentSenders) {
  testing::FakeEngine engine(EngineKind::DialUp);
  PairChecker window;
  ASSERT_TRUE(engine.Attach(&window));
  struct Pair {
    int32_t state, code;
  };
  const Pair pairs[] = {{1, 2}, {2, 3}, {3, 4}, {4, 5}, {0, 1}, {0, 13}};
  constexpr int kEach = 300;
  std::vector<std::thread> workers;
  for (const Pair& p : pairs) {
    workers.emplace_back([&engine, p] {
      for (int i = 0; i < kEach; ++i) engine.Notify(p.state, p.code, L"");
    });
  }
  for (int i = 0; i < 200; ++i) {  // the UI thread reads meanwhile
    (void)engine.State();
    (void)engine.Message();
    (void)engine.Host();
  }
  for (auto& t : workers) t.join();
  EXPECT_EQ(window.calls.load(), 6 * kEach);
  EXPECT_EQ(window.mismatched.load(), 0);
}

}  // namespace
}  // namespace nimbrook
