// A delay pass with a scripted echo, on real threads and on queued ones the test runs step by step:
// one thread asked for on the window's thread and the workers started by the launcher, every row
// reported once, names resolved on the workers, the pass's end seen once across overlapping passes,
// a closed pass delivering nothing and its launcher starting nothing more, rows whose worker (or
// launcher) cannot start still ending the pass, a thousand workers at once.
#include "delay/delay_pass.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "delay/tests/ui_thread_stand_in.h"
#include "os/icmp_echo_fake.h"
#include "os/name_resolver_fake.h"
#include "os/small_thread.h"

namespace nimbrook {
namespace {

using os::FakeEcho;
using testing::CountingThreads;
using testing::UiThreadStandIn;
using Rows = std::vector<std::pair<RowId, std::string>>;

uint32_t Address(uint8_t a, uint8_t b, uint8_t c, uint8_t d) {
  const uint8_t bytes[4] = {a, b, c, d};
  uint32_t address;
  std::memcpy(&address, bytes, sizeof address);
  return address;
}

std::string Quad(int i) { return "10.1." + std::to_string(i / 256) + "." + std::to_string(i % 256); }

bool RealThread(std::function<void()> work) { return os::StartDetachedThread(std::move(work), kDelayWorkerStack); }

// Threads that run only when the test says so, one after another on the test's thread (which is also
// the stand-in's UI thread, so Deliver hands over at once). `before` sees each start request, counted
// from 1, and refuses it by returning false.
class QueuedThreads {
 public:
  std::function<bool(std::function<void()>)> Seam() {
    return [this](std::function<void()> work) {
      ++requests_;
      if (before && !before(requests_)) return false;
      queue_.push_back(std::move(work));
      return true;
    };
  }
  void RunNext() {
    std::function<void()> work = std::move(queue_.front());
    queue_.pop_front();  // before running: a launcher queues more
    work();
  }
  void RunAll() {
    while (!queue_.empty()) RunNext();
  }
  int requests() const { return requests_; }
  size_t pending() const { return queue_.size(); }

  std::function<bool(int request)> before;

 private:
  std::deque<std::function<void()>> queue_;
  int requests_ = 0;
};

// The main window's side of a pass, as its result handler uses it.
struct Window {
  std::shared_ptr<DelayPass> pass;
  std::map<RowId, DelayResult> results;
  std::map<RowId, int> reports;
  std::vector<bool> lastFlags;  // Reported()'s answer, report by report

  void Handle(PingJob& job) {
    if (pass->IsClosed()) return;
    results[job.row] = job.result;
    ++reports[job.row];
    lastFlags.push_back(pass->Reported());
  }
  int ends() const { return static_cast<int>(std::count(lastFlags.begin(), lastFlags.end(), true)); }
};

class DelayPassTest : public ::testing::Test {
 protected:
  DelayPass::Seams Seams(std::function<bool(std::function<void()>)> start = RealThread) {
    DelayPass::Seams seams;
    seams.openEcho = [network = &network_] { return network->Open(); };
    seams.resolver = &resolver_;
    seams.startThread = threads_.Seam(std::move(start));
    return seams;
  }
  std::shared_ptr<DelayPass> MakePass(std::function<bool(std::function<void()>)> start = RealThread) {
    window_.pass = DelayPass::Create(Seams(std::move(start)), ui_.MakeDeliver());
    return window_.pass;
  }
  void TearDown() override {
    // Workers must end and let go of the pass and their echo handles.
    ASSERT_TRUE(threads_.WaitAllEnded());
    EXPECT_EQ(network_.openHandles(), 0);
    if (window_.pass) {
      EXPECT_EQ(window_.pass.use_count(), 1);
    }
  }

  os::FakeIcmpNetwork network_;
  os::FakeNameResolver resolver_;
  CountingThreads threads_;
  Window window_;
  UiThreadStandIn ui_{[this](PingJob& job) { window_.Handle(job); }};
};

TEST_F(DelayPassTest, EveryRowReportedOnceWithItsOwnResult) {
  const int count = 60;
  Rows rows;
  for (int i = 0; i < count; ++i) {
    network_.Replies(ParseDottedQuad(Quad(i)), {uint32_t(i), uint32_t(i), uint32_t(i), 900, uint32_t(i)});
    rows.emplace_back(1000 + i, Quad(i));
  }
  resolver_.Add("hk1.example.net", Address(203, 0, 113, 5));
  network_.Replies(Address(203, 0, 113, 5), {20, 20, 20, 20, 20});
  rows.emplace_back(5000, "hk1.example.net");
  rows.emplace_back(5001, "silent.example.net");  // does not resolve: measured at all ones, times out

  auto pass = MakePass();
  EXPECT_EQ(pass->Start(rows), rows.size());
  EXPECT_EQ(pass->Outstanding(), count + 2);
  ASSERT_TRUE(ui_.PumpUntil([&] { return pass->Outstanding() == 0; }));

  ASSERT_EQ(window_.results.size(), rows.size());
  for (int i = 0; i < count; ++i) {
    EXPECT_EQ(window_.reports[1000 + i], 1);
    const DelayResult& result = window_.results[1000 + i];
    EXPECT_EQ(result.status, 0u);
    EXPECT_EQ(result.roundTripTime, uint32_t(i)) << "row " << i;
    EXPECT_EQ(result.address, ParseDottedQuad(Quad(i)));
  }
  EXPECT_EQ(window_.results[5000].address, Address(203, 0, 113, 5));
  EXPECT_EQ(window_.results[5000].roundTripTime, 20u);
  EXPECT_EQ(window_.results[5001].address, kNoAddress);
  EXPECT_EQ(window_.results[5001].status, kEchoTimedOut);
  EXPECT_EQ(window_.ends(), 1);
  EXPECT_TRUE(window_.lastFlags.back());
  EXPECT_EQ(network_.handlesOpened(), count + 2);  // one echo handle per worker
  // Names are looked up on the workers, never on the window's thread.
  const auto lookups = resolver_.lookups();
  ASSERT_EQ(lookups.size(), 2u);
  for (const auto& lookup : lookups) EXPECT_NE(lookup.second, std::this_thread::get_id()) << lookup.first;
}

TEST_F(DelayPassTest, StartAsksForOneThreadAndTheLauncherStartsTheWorkers) {
  const int count = 300;
  Rows rows;
  for (int i = 0; i < count; ++i) {
    network_.Replies(ParseDottedQuad(Quad(i)), {7, 7, 7, 7, 7});
    rows.emplace_back(i, Quad(i));
  }
  resolver_.Add("hk1.example.net", Address(203, 0, 113, 5));
  network_.Replies(Address(203, 0, 113, 5), {20, 20, 20, 20, 20});
  rows.emplace_back(count, "hk1.example.net");

  QueuedThreads queue;
  auto pass = MakePass(queue.Seam());
  EXPECT_EQ(pass->Start(rows), rows.size());
  // Every row counted, one thread asked for, nothing measured or looked up on this thread.
  EXPECT_EQ(pass->Outstanding(), count + 1);
  EXPECT_EQ(queue.requests(), 1);
  EXPECT_EQ(network_.handlesOpened(), 0);
  EXPECT_TRUE(resolver_.lookups().empty());

  queue.RunNext();  // the launcher: one worker per row, none run yet
  EXPECT_EQ(queue.requests(), count + 2);
  EXPECT_EQ(queue.pending(), rows.size());
  EXPECT_TRUE(window_.results.empty());
  EXPECT_EQ(network_.handlesOpened(), 0);

  queue.RunAll();
  ASSERT_EQ(window_.results.size(), rows.size());
  EXPECT_EQ(window_.results[0].roundTripTime, 7u);
  EXPECT_EQ(window_.results[count].roundTripTime, 20u);
  EXPECT_EQ(window_.results[count].address, Address(203, 0, 113, 5));
  EXPECT_EQ(window_.ends(), 1);
  EXPECT_TRUE(window_.lastFlags.back());
  EXPECT_EQ(pass->Outstanding(), 0);
}

TEST_F(DelayPassTest, TheLauncherReportsRowsWhoseWorkerCannotStartAfterStartingTheOthers) {
  network_.Replies(Address(10, 0, 0, 2), {5, 5, 5, 5, 5});
  QueuedThreads queue;
  queue.before = [](int request) { return request != 2 && request != 4; };  // rows 1 and 3 get no worker
  auto pass = MakePass(queue.Seam());
  EXPECT_EQ(pass->Start({{1, "10.0.0.1"}, {2, "10.0.0.2"}, {3, "name.example.net"}}), 3u);
  EXPECT_TRUE(window_.results.empty());

  queue.RunNext();  // the launcher
  EXPECT_EQ(queue.requests(), 4);
  EXPECT_EQ(queue.pending(), 1u);
  ASSERT_EQ(window_.results.size(), 2u);
  EXPECT_EQ(window_.results[1].status, kEchoTimedOut);
  EXPECT_EQ(window_.results[1].address, Address(10, 0, 0, 1));
  EXPECT_EQ(window_.results[3].status, kEchoTimedOut);
  EXPECT_EQ(window_.results[3].address, kNoAddress);
  EXPECT_TRUE(resolver_.lookups().empty());  // no lookup for a row nobody measures
  EXPECT_EQ(window_.ends(), 0);

  queue.RunAll();
  EXPECT_EQ(window_.results[2].roundTripTime, 5u);
  EXPECT_EQ(window_.lastFlags, (std::vector<bool>{false, false, true}));
}

TEST_F(DelayPassTest, ClosingWhileTheLauncherRunsLeavesTheLaterRowsUnstartedAndUnreported) {
  QueuedThreads queue;
  queue.before = [this](int request) {
    if (request == 3) window_.pass->Close();  // the window closes as the second row's worker starts
    return request != 2;                      // the first row gets no worker
  };
  auto pass = MakePass(queue.Seam());
  EXPECT_EQ(pass->Start({{1, "10.0.0.1"}, {2, "10.0.0.2"}, {3, "10.0.0.3"}, {4, "10.0.0.4"}}), 4u);
  queue.RunAll();
  EXPECT_EQ(queue.requests(), 3);  // rows 3 and 4 were never started
  EXPECT_TRUE(window_.results.empty());  // row 1's time-out was not reported, row 2's worker delivered nothing
  EXPECT_EQ(network_.handlesOpened(), 0);
  EXPECT_EQ(pass->Outstanding(), 4);
}

TEST_F(DelayPassTest, OverlappingPassesEndOnceAtTheLastReport) {
  auto pass = MakePass();
  EXPECT_EQ(pass->Start({{1, "10.0.0.1"}, {2, "10.0.0.2"}, {3, "10.0.0.3"}}), 3u);
  // The first pass's workers wait in Deliver: nothing is handled before the refresh starts another.
  ASSERT_TRUE(ui_.WaitForQueued(3));
  EXPECT_EQ(pass->Start({{11, "10.0.0.1"}, {12, "10.0.0.2"}}), 2u);
  EXPECT_EQ(pass->Outstanding(), 5);
  ASSERT_TRUE(ui_.PumpUntil([&] { return window_.lastFlags.size() == 5; }));
  EXPECT_EQ(window_.lastFlags, (std::vector<bool>{false, false, false, false, true}));

  // A report nobody waits for does not wrap the count.
  EXPECT_FALSE(pass->Reported());
  EXPECT_EQ(pass->Outstanding(), 0);
}

TEST_F(DelayPassTest, ClosedPassDeliversNothingAndItsWorkersLetGo) {
  std::mutex gateLock;
  std::condition_variable gateChanged;
  bool open = false;
  int waiting = 0;
  network_.BeforeEcho([&](uint32_t) {
    std::unique_lock<std::mutex> lock(gateLock);
    ++waiting;
    gateChanged.notify_all();
    gateChanged.wait(lock, [&] { return open; });
  });

  auto pass = MakePass();
  Rows rows;
  for (int i = 0; i < 40; ++i) rows.emplace_back(i, Quad(i));
  EXPECT_EQ(pass->Start(rows), rows.size());
  {
    std::unique_lock<std::mutex> lock(gateLock);
    gateChanged.wait(lock, [&] { return waiting == 40; });  // every worker is mid-measurement
  }
  pass->Close();
  EXPECT_TRUE(pass->IsClosed());
  EXPECT_EQ(pass->Start(rows), 0u);  // a closed pass starts nothing
  {
    std::lock_guard<std::mutex> lock(gateLock);
    open = true;
  }
  gateChanged.notify_all();
  ASSERT_TRUE(threads_.WaitAllEnded());
  // No result reached the window and the count was left alone; TearDown checks the rest.
  EXPECT_TRUE(window_.results.empty());
  EXPECT_EQ(pass->Outstanding(), 40);
}

TEST_F(DelayPassTest, RowsWhoseWorkerCannotStartTimeOutAndStillEndThePass) {
  network_.Replies(Address(10, 0, 0, 2), {5, 5, 5, 5, 5});
  std::atomic<int> attempts{0};
  bool noThreads = true;
  auto pass = MakePass([&](std::function<void()> work) {
    // The launcher is the first start of a pass; after it, every other worker fails to start.
    return !noThreads && ++attempts % 2 == 1 && RealThread(std::move(work));
  });
  // No launcher: the pass ends within Start, on this thread.
  EXPECT_EQ(pass->Start({{1, "10.0.0.1"}, {2, "10.0.0.2"}}), 0u);
  EXPECT_EQ(window_.lastFlags, (std::vector<bool>{false, true}));
  EXPECT_EQ(window_.results[1].status, kEchoTimedOut);
  EXPECT_EQ(window_.results[2].address, Address(10, 0, 0, 2));

  noThreads = false;
  window_ = Window{};
  window_.pass = pass;
  EXPECT_EQ(pass->Start({{1, "10.0.0.1"}, {2, "10.0.0.2"}, {3, "name.example.net"}}), 3u);
  // The launcher's reports wait for this thread, which Start did not make wait for them.
  EXPECT_TRUE(window_.results.empty());
  ASSERT_TRUE(ui_.WaitForQueued(1));
  ASSERT_TRUE(ui_.PumpUntil([&] { return pass->Outstanding() == 0; }));
  EXPECT_EQ(attempts.load(), 4);
  EXPECT_EQ(window_.results[1].status, kEchoTimedOut);
  EXPECT_EQ(window_.results[1].address, Address(10, 0, 0, 1));
  EXPECT_EQ(window_.results[3].address, kNoAddress);
  EXPECT_TRUE(resolver_.lookups().empty());
  EXPECT_EQ(window_.results[2].roundTripTime, 5u);
  EXPECT_EQ(window_.ends(), 1);
}

TEST_F(DelayPassTest, AThousandSmallStackWorkersRunAtOnce) {
  // Each echo waits for every worker to have started, so all thousand threads are alive together.
  const int count = 1000;
  std::mutex lock;
  std::condition_variable changed;
  int arrived = 0;
  network_.BeforeEcho([&](uint32_t) {
    std::unique_lock<std::mutex> guard(lock);
    if (++arrived == count) changed.notify_all();
    changed.wait(guard, [&] { return arrived >= count; });
  });
  Rows rows;
  for (int i = 0; i < count; ++i) rows.emplace_back(i, Quad(i));
  auto pass = MakePass();
  EXPECT_EQ(pass->Start(rows), size_t(count));
  ASSERT_TRUE(ui_.PumpUntil([&] { return pass->Outstanding() == 0; }));
  EXPECT_EQ(window_.results.size(), size_t(count));
  EXPECT_EQ(window_.ends(), 1);
  EXPECT_GE(threads_.peak(), count);  // the launcher may still be counted as the last worker starts
}

}  // namespace
}  // namespace nimbrook
