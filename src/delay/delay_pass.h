// A delay pass: one worker per server row resolves the row's address, sends its five echoes and
// hands the result to the main window, which writes the row's delay text. The workers are started
// by one short-lived launcher thread, so the UI thread never pays for a thousand thread starts.
// Passes may overlap; the outstanding count covers them all and is only ever changed on the UI thread.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "delay/delay_result.h"
#include "os/icmp_echo.h"
#include "os/name_resolver.h"

namespace nimbrook {

using RowId = uint64_t;  // a row's identity; rows of a rebuilt catalogue get new ids

struct PingJob {
  RowId row = 0;
  std::string target;  // the row's serv_ip text in the system code page
  DelayResult result;
};

// Stack reserved by each worker and by the launcher: five echoes and a hand-off need little.
inline constexpr size_t kDelayWorkerStack = 64 * 1024;

class DelayPass : public std::enable_shared_from_this<DelayPass> {
 public:
  // Hands a finished job to the UI thread synchronously (the window sends message 7025 with &job)
  // and returns when the UI thread has handled it. It runs on a worker thread; on the launcher for
  // rows whose worker could not start; and on the UI thread itself, inside Start, when not even the
  // launcher could start. It must not capture the window object: a worker may still be running when
  // the window has gone.
  using Deliver = std::function<void(PingJob& job)>;

  struct Seams {
    std::function<std::unique_ptr<os::IcmpEcho>()> openEcho;  // called on workers
    os::NameResolver* resolver = nullptr;                     // used by workers; lives as long as the process
    std::function<bool(std::function<void()>)> startThread;   // false when no thread could start;
                                                              // called on the UI thread and the launcher
  };

  // The system's echo, resolver and small-stack threads.
  [[nodiscard]] static Seams SystemSeams();
  [[nodiscard]] static std::shared_ptr<DelayPass> Create(Seams seams, Deliver deliver);

  // UI thread. Counts every row (row id, serv_ip text in the system code page) as outstanding, hands
  // the rows to a launcher thread that starts one worker per row, and returns at once with the
  // number of rows accepted: all of them, or 0 when closed or when the launcher could not start. A
  // row whose worker cannot start is reported with a time-out result through Deliver on the
  // launcher, after it has started the other rows' workers; when the launcher itself cannot start,
  // every row is reported that way on this thread before Start returns. Either way the pass still
  // ends. Nothing starts once closed. The UI thread never waits for the launcher, which may itself
  // be waiting in Deliver.
  size_t Start(const std::vector<std::pair<RowId, std::string>>& rows);

  // UI thread, from the result handler: one job reported. True when that was the last outstanding
  // job of all overlapping passes.
  bool Reported();
  [[nodiscard]] int Outstanding() const;

  // UI thread, before the window goes. Workers check the flag just before delivering: from then on
  // they deliver nothing, skip what work remains and release what they hold. The launcher checks it
  // before every start and every delivery: rows it has not reached are neither started nor
  // reported. Close never waits for either (they may be blocked handing a result to this very
  // thread), so a thread that passed its check as Close ran may still call Deliver once; the result
  // handler therefore checks IsClosed() first, which makes "nothing is handled after Close" hold on
  // the UI thread.
  void Close();
  [[nodiscard]] bool IsClosed() const;

  DelayPass(const DelayPass&) = delete;
  DelayPass& operator=(const DelayPass&) = delete;

 private:
  struct Private {};

 public:
  DelayPass(Private, Seams seams, Deliver deliver);

 private:
  using Rows = std::vector<std::pair<RowId, std::string>>;

  void Launch(const Rows& rows);
  void Work(PingJob& job) const;
  // Reports rows that no worker measures as timed out; stops once closed.
  void ReportUnstarted(std::vector<PingJob>& jobs) const;

  const Seams seams_;
  const Deliver deliver_;
  std::atomic<int> outstanding_{0};  // written on the UI thread only; atomic so any thread may read it
  std::atomic<bool> closed_{false};
};

}  // namespace nimbrook
