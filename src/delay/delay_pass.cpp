// The delay pass: counting on the UI thread, starting workers on one launcher, measuring and
// delivering on one worker per row.
#include "delay/delay_pass.h"

#include "os/small_thread.h"

namespace nimbrook {

DelayPass::Seams DelayPass::SystemSeams() {
  static os::SystemNameResolver resolver;  // stateless, and never destroyed under a late worker
  Seams seams;
  seams.openEcho = [] { return os::OpenIcmpEcho(); };
  seams.resolver = &resolver;
  seams.startThread = [](std::function<void()> work) {
    return os::StartDetachedThread(std::move(work), kDelayWorkerStack);
  };
  return seams;
}

std::shared_ptr<DelayPass> DelayPass::Create(Seams seams, Deliver deliver) {
  return std::make_shared<DelayPass>(Private{}, std::move(seams), std::move(deliver));
}

DelayPass::DelayPass(Private, Seams seams, Deliver deliver)
    : seams_(std::move(seams)), deliver_(std::move(deliver)) {}

size_t DelayPass::Start(const std::vector<std::pair<RowId, std::string>>& rows) {
  if (closed_ || rows.empty()) return 0;
  // Every row is counted before any may report, so no early report can look like the pass's last.
  outstanding_ += static_cast<int>(rows.size());

  // One thread start here instead of one per row: a thread start is dear enough that a thousand of
  // them would hold the window still for seconds.
  std::shared_ptr<DelayPass> self = shared_from_this();
  auto launch = [self = std::move(self), rows = Rows(rows)]() mutable {
    self->Launch(rows);
    rows.clear();
    self.reset();  // a late launcher may hold the last reference; let it go before the thread ends
  };
  const bool launched = seams_.startThread && seams_.startThread(std::move(launch));
  if (launched) return rows.size();

  std::vector<PingJob> unstarted(rows.size());
  for (size_t i = 0; i < rows.size(); ++i) {
    unstarted[i].row = rows[i].first;
    unstarted[i].target = rows[i].second;
  }
  ReportUnstarted(unstarted);
  return 0;
}

void DelayPass::Launch(const Rows& rows) {
  std::vector<PingJob> unstarted;
  for (const auto& [row, target] : rows) {
    if (closed_) return;  // the rows not reached yet are neither started nor reported
    auto job = std::make_shared<PingJob>();
    job->row = row;
    job->target = target;
    std::shared_ptr<DelayPass> self = shared_from_this();
    const bool running = seams_.startThread && seams_.startThread([self = std::move(self), job]() mutable {
      self->Work(*job);
      job.reset();
      self.reset();  // a late worker may hold the last reference; let it go before the thread ends
    });
    if (!running) unstarted.push_back(*job);
  }
  // Reported after the other workers are on their way: each report waits for the UI thread.
  ReportUnstarted(unstarted);
}

void DelayPass::ReportUnstarted(std::vector<PingJob>& jobs) const {
  for (PingJob& job : jobs) {
    if (closed_ || !deliver_) break;  // a handler that closed the pass ended it
    job.result.address = ParseDottedQuad(job.target);  // no lookup for a row nobody measures
    job.result.status = kEchoTimedOut;
    deliver_(job);
  }
}

void DelayPass::Work(PingJob& job) const {
  if (closed_) return;
  const uint32_t address =
      seams_.resolver ? ResolveDelayTarget(job.target, *seams_.resolver) : ParseDottedQuad(job.target);
  if (closed_) return;
  {
    std::unique_ptr<os::IcmpEcho> echo = seams_.openEcho ? seams_.openEcho() : nullptr;
    if (echo) {
      job.result = MeasureDelay(*echo, address);
    } else {
      job.result = DelayResult{address, kEchoTimedOut, 0};
    }
  }  // the ICMP handle is closed before the worker waits on the UI thread
  if (closed_ || !deliver_) return;
  deliver_(job);
}

bool DelayPass::Reported() {
  int current = outstanding_.load();
  while (current > 0) {
    if (outstanding_.compare_exchange_weak(current, current - 1)) return current == 1;
  }
  return false;  // a report nobody was waiting for changes nothing
}

int DelayPass::Outstanding() const { return outstanding_.load(); }

void DelayPass::Close() { closed_ = true; }

bool DelayPass::IsClosed() const { return closed_.load(); }

}  // namespace nimbrook
