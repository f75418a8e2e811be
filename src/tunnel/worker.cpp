// Detached worker threads for the engines.
#include "tunnel/worker.h"

#include <exception>
#include <system_error>
#include <thread>
#include <utility>

#include "core/log.h"

namespace nimbrook {

bool RunWorkerBody(const std::function<void()>& work, const std::wstring& name) {
  if (!work) return true;
  try {
    work();
    return true;
  } catch (...) {
    WriteLog(name + L"线程异常结束");
    return false;
  }
}

bool StartDetachedWorker(std::function<void()> work, std::wstring name) {
  try {
    std::thread worker([work = std::move(work), name = std::move(name)] { RunWorkerBody(work, name); });
    worker.detach();
    return true;
  } catch (const std::system_error&) {
    return false;
  } catch (...) {
    return false;
  }
}

}  // namespace nimbrook
