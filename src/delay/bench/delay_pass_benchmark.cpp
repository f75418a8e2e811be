// Wall time of a delay pass over many servers against the time one server's five echoes take. Every
// echo really waits its simulated round-trip time (servers spread from 5 ms up to the slowest);
// results are handed to a stand-in UI thread one at a time, as the window's message does. A pass
// that runs its workers in parallel takes about as long as its slowest server. Also timed: how long
// Start holds the calling thread (the window's UI thread), alone and as a share of the pass, and how
// long until every worker has been started.
//   delay-pass-benchmark [--servers 1000] [--rtt-ms 50]
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "delay/delay_pass.h"
#include "delay/tests/ui_thread_stand_in.h"
#include "os/icmp_echo_fake.h"
#include "os/name_resolver_fake.h"
#include "os/small_thread.h"

using namespace nimbrook;

namespace {

using Clock = std::chrono::steady_clock;

double MillisecondsSince(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

uint32_t ServerAddress(int i) {
  const uint8_t bytes[4] = {10, static_cast<uint8_t>(i >> 16), static_cast<uint8_t>(i >> 8), static_cast<uint8_t>(i)};
  uint32_t address;
  std::memcpy(&address, bytes, sizeof address);
  return address;
}

std::string Dotted(uint32_t address) {
  uint8_t bytes[4];
  std::memcpy(bytes, &address, sizeof bytes);
  return std::to_string(bytes[0]) + "." + std::to_string(bytes[1]) + "." + std::to_string(bytes[2]) + "." +
         std::to_string(bytes[3]);
}

}  // namespace

int main(int argc, char** argv) {
  int servers = 1000;
  int slowestRtt = 50;
  for (int i = 1; i + 1 < argc; i += 2) {
    if (std::strcmp(argv[i], "--servers") == 0) servers = std::atoi(argv[i + 1]);
    else if (std::strcmp(argv[i], "--rtt-ms") == 0) slowestRtt = std::atoi(argv[i + 1]);
  }
  if (servers < 1 || slowestRtt < 5) {
    std::fprintf(stderr, "usage: delay-pass-benchmark [--servers N>=1] [--rtt-ms N>=5]\n");
    return 2;
  }

  os::FakeIcmpNetwork network;
  network.SimulateTime(true);
  std::vector<std::pair<RowId, std::string>> rows;
  for (int i = 0; i < servers; ++i) {
    // The last server is the slowest; the others spread below it.
    const uint32_t rtt = servers == 1 ? slowestRtt : 5 + static_cast<uint32_t>((slowestRtt - 5) * int64_t(i) / (servers - 1));
    network.Replies(ServerAddress(i), {rtt, rtt, rtt, rtt, rtt});
    rows.emplace_back(static_cast<RowId>(i), Dotted(ServerAddress(i)));
  }

  // One server alone: its five echoes in sequence.
  const Clock::time_point single = Clock::now();
  {
    auto echo = network.Open();
    (void)MeasureDelay(*echo, ServerAddress(servers - 1));
  }
  const double slowestMs = MillisecondsSince(single);

  int reported = 0;
  int ends = 0;
  std::shared_ptr<DelayPass> pass;
  testing::UiThreadStandIn ui([&](PingJob&) {
    ++reported;
    if (pass->Reported()) ++ends;
  });
  testing::CountingThreads threads;
  os::FakeNameResolver resolver;
  DelayPass::Seams seams;
  seams.openEcho = [&network] { return network.Open(); };
  seams.resolver = &resolver;
  Clock::time_point start;
  std::atomic<int64_t> lastStartedNs{0};  // after start, when the latest thread start returned
  seams.startThread = threads.Seam([&](std::function<void()> work) {
    const bool started = os::StartDetachedThread(std::move(work), kDelayWorkerStack);
    lastStartedNs = std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now() - start).count();
    return started;
  });
  pass = DelayPass::Create(std::move(seams), ui.MakeDeliver());

  start = Clock::now();
  const size_t accepted = pass->Start(rows);
  const double startMs = MillisecondsSince(start);
  const bool finished = ui.PumpUntil([&] { return pass->Outstanding() == 0; });
  const double passMs = MillisecondsSince(start);
  (void)threads.WaitAllEnded();
  const double allStartedMs = static_cast<double>(lastStartedNs.load()) / 1e6;

  std::printf(
      "{\"servers\":%d,\"slowest_rtt_ms\":%d,\"accepted\":%zu,\"reported\":%d,\"pass_ends\":%d,\"finished\":%s,"
      "\"start_ms\":%.2f,\"start_share_of_pass\":%.4f,\"all_workers_started_ms\":%.1f,\"pass_ms\":%.1f,"
      "\"slowest_server_ms\":%.1f,\"ratio\":%.3f,\"peak_threads\":%d}\n",
      servers, slowestRtt, accepted, reported, ends, finished ? "true" : "false", startMs, startMs / passMs,
      allStartedMs, passMs, slowestMs, passMs / slowestMs, threads.peak());
  return finished && reported == servers && ends == 1 ? 0 : 1;
}
