// Engine workers: each Connect and Disconnect runs on one short-lived detached thread. The engine's
// workers find their engine through its class's instance pointer and report through Notify.
#pragma once

#include <functional>
#include <string>

namespace nimbrook {

// Starts the work on a new detached thread and returns at once. False, with nothing started, when
// the system refuses a new thread; the caller logs its own line for that case.
[[nodiscard]] bool StartDetachedWorker(std::function<void()> work, std::wstring name);

// The body every worker runs: the work, with any exception it lets escape caught and logged as
// name + "线程异常结束" so that a faulty step ends the worker instead of the program. False when the
// work ended by an exception.
bool RunWorkerBody(const std::function<void()>& work, const std::wstring& name);

}  // namespace nimbrook
