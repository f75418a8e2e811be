// The observer mechanism: attach order, duplicates, the fields a notification leaves behind, observers
// that change the list while they are called, and notifications from several threads at once.
#include "tunnel/state_subject.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace nimbrook {
namespace {

struct Seen {
  std::string who;
  int32_t code;
  std::wstring message;
};

class RecordingObserver : public StateObserver {
 public:
  RecordingObserver(std::string name, std::vector<Seen>* log) : name(std::move(name)), log(log) {}
  void OnStateChanged(StateSubject* subject) override {
    log->push_back({name, subject->Code(), subject->Message()});
  }
  std::string name;
  std::vector<Seen>* log;
};

TEST(StateSubject, ObserversAreCalledInAttachOrderWithCodeAndMessage) {
  StateSubject subject;
  std::vector<Seen> log;
  RecordingObserver a("a", &log), b("b", &log), c("c", &log);
  EXPECT_TRUE(subject.Attach(&b));
  EXPECT_TRUE(subject.Attach(&a));
  EXPECT_TRUE(subject.Attach(&c));

  subject.Notify(2, L"str_calling");
  ASSERT_EQ(log.size(), 3u);
  EXPECT_EQ(log[0].who, "b");
  EXPECT_EQ(log[1].who, "a");
  EXPECT_EQ(log[2].who, "c");
  for (const Seen& s : log) {
    EXPECT_EQ(s.code, 2);
    EXPECT_EQ(s.message, L"str_calling");
  }
  EXPECT_EQ(subject.Detail(), 0);
  EXPECT_EQ(subject.Extra(), L"");

  log.clear();
  subject.Notify(1, L"");
  ASSERT_EQ(log.size(), 3u);
  EXPECT_EQ(log[0].code, 1);
  EXPECT_EQ(log[0].message, L"");
  EXPECT_EQ(subject.Code(), 1);
}

TEST(StateSubject, AttachingTwiceKeepsOneEntryAndOneCall) {
  StateSubject subject;
  std::vector<Seen> log;
  RecordingObserver a("a", &log);
  EXPECT_TRUE(subject.Attach(&a));
  EXPECT_FALSE(subject.Attach(&a));
  EXPECT_FALSE(subject.Attach(nullptr));
  EXPECT_EQ(subject.ObserverCount(), 1u);
  subject.Notify(4, L"str_connect_ok");
  EXPECT_EQ(log.size(), 1u);
}

TEST(StateSubject, UnusedCodesStillReachObservers) {
  StateSubject subject;
  std::vector<Seen> log;
  RecordingObserver a("a", &log);
  ASSERT_TRUE(subject.Attach(&a));
  for (int32_t code = 6; code <= 12; ++code) subject.Notify(code, L"x");
  ASSERT_EQ(log.size(), 7u);
  EXPECT_EQ(log.front().code, 6);
  EXPECT_EQ(log.back().code, 12);
}

TEST(StateSubject, NotifyWithoutObserversOnlyStoresTheFields) {
  StateSubject subject;
  subject.Notify(3, L"错误691-身份验证失败");
  EXPECT_EQ(subject.Code(), 3);
  EXPECT_EQ(subject.Message(), L"错误691-身份验证失败");
}

// Observer that changes the subject's list while it is being called.
class MutatingObserver : public StateObserver {
 public:
  std::function<void(StateSubject*)> action;
  int calls = 0;
  void OnStateChanged(StateSubject* subject) override {
    ++calls;
    if (action) action(subject);
  }
};

TEST(StateSubject, ObserverMayDetachItselfDuringDelivery) {
  StateSubject subject;
  std::vector<Seen> log;
  MutatingObserver self;
  RecordingObserver after("after", &log);
  self.action = [&](StateSubject* s) { EXPECT_TRUE(s->Detach(&self)); };
  ASSERT_TRUE(subject.Attach(&self));
  ASSERT_TRUE(subject.Attach(&after));
  subject.Notify(2, L"one");
  subject.Notify(2, L"two");
  EXPECT_EQ(self.calls, 1);
  ASSERT_EQ(log.size(), 2u);  // the observer behind it is still called both times
  EXPECT_EQ(log[1].message, L"two");
}

TEST(StateSubject, ObserverDetachedByAnEarlierOneIsNotCalledAnyMore) {
  StateSubject subject;
  MutatingObserver first;
  auto second = std::make_unique<MutatingObserver>();
  first.action = [&](StateSubject* s) {
    s->Detach(second.get());
    second.reset();  // destroyed: calling it now would be a use after free
  };
  ASSERT_TRUE(subject.Attach(&first));
  ASSERT_TRUE(subject.Attach(second.get()));
  subject.Notify(5, L"str_disconnecing");
  EXPECT_EQ(first.calls, 1);
  EXPECT_EQ(subject.ObserverCount(), 1u);
}

TEST(StateSubject, ObserverAttachedDuringDeliveryHearsOnlyTheNextNotification) {
  StateSubject subject;
  std::vector<Seen> log;
  RecordingObserver late("late", &log);
  MutatingObserver first;
  first.action = [&](StateSubject* s) { s->Attach(&late); };
  ASSERT_TRUE(subject.Attach(&first));
  subject.Notify(2, L"one");
  EXPECT_TRUE(log.empty());
  subject.Notify(2, L"two");
  ASSERT_EQ(log.size(), 1u);
  EXPECT_EQ(log[0].message, L"two");
  EXPECT_EQ(subject.ObserverCount(), 2u);
}

TEST(StateSubject, NotifyFromInsideAnObserverIsDeliveredNested) {
  StateSubject subject;
  std::vector<Seen> log;
  MutatingObserver first;
  RecordingObserver second("second", &log);
  first.action = [&](StateSubject* s) {
    if (s->Code() == 3) s->Notify(1, L"");
  };
  ASSERT_TRUE(subject.Attach(&first));
  ASSERT_TRUE(subject.Attach(&second));
  subject.Notify(3, L"str_call_failed");
  EXPECT_EQ(first.calls, 2);
  ASSERT_EQ(log.size(), 2u);
  EXPECT_EQ(log[0].code, 1);  // the nested one reaches the second observer first
  EXPECT_EQ(subject.Code(), 1);
}

// Workers notify while another thread attaches and detaches observers. Under the sanitizers this
// proves the list is never read while it changes; the counts prove no delivery is lost or torn.
class CheckingObserver : public StateObserver {
 public:
  std::atomic<int> calls{0};
  std::atomic<int> torn{0};
  void OnStateChanged(StateSubject* subject) override {
    ++calls;
    // Each worker sends code n with message "n": a delivery sees a matching pair.
    if (subject->Message() != std::to_wstring(subject->Code())) ++torn;
  }
};

TEST(StateSubject, ConcurrentNotifyWhileAttaching) {
  StateSubject subject;
  CheckingObserver steady;
  ASSERT_TRUE(subject.Attach(&steady));
  constexpr int kWorkers = 4;
  constexpr int kEach = 500;
  std::vector<std::unique_ptr<CheckingObserver>> extras;
  for (int i = 0; i < 50; ++i) extras.push_back(std::make_unique<CheckingObserver>());

  std::atomic<bool> go{false};
  std::vector<std::thread> workers;
  for (int w = 0; w < kWorkers; ++w) {
    workers.emplace_back([&, w] {
      while (!go) std::this_thread::yield();
      for (int i = 0; i < kEach; ++i) subject.Notify(w + 1, std::to_wstring(w + 1));
    });
  }
  std::thread ui([&] {
    while (!go) std::this_thread::yield();
    for (int round = 0; round < 20; ++round) {
      for (auto& e : extras) subject.Attach(e.get());
      for (auto& e : extras) subject.Detach(e.get());
    }
    for (auto& e : extras) subject.Attach(e.get());
  });
  go = true;
  for (auto& t : workers) t.join();
  ui.join();

  EXPECT_EQ(steady.calls.load(), kWorkers * kEach);
  EXPECT_EQ(steady.torn.load(), 0);
  for (auto& e : extras) EXPECT_EQ(e->torn.load(), 0);
  EXPECT_EQ(subject.ObserverCount(), 1u + extras.size());
}

}  // namespace
}  // namespace nimbrook
