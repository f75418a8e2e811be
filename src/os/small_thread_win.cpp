// Worker threads through the C runtime's _beginthreadex, the stack size taken as a reservation.
#include <windows.h>
#include <process.h>

#include <memory>
#include <utility>

#include "os/small_thread.h"

namespace nimbrook::os {
namespace {

unsigned __stdcall RunWork(void* parameter) {
  std::unique_ptr<std::function<void()>> work(static_cast<std::function<void()>*>(parameter));
  (*work)();
  return 0;
}

}  // namespace

bool StartDetachedThread(std::function<void()> work, size_t stackReserve) {
  if (!work) return false;
  auto owned = std::make_unique<std::function<void()>>(std::move(work));
  const uintptr_t handle = _beginthreadex(nullptr, static_cast<unsigned>(stackReserve), RunWork, owned.get(),
                                          STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr);
  if (handle == 0) return false;
  owned.release();  // the thread frees it
  CloseHandle(reinterpret_cast<HANDLE>(handle));
  return true;
}

}  // namespace nimbrook::os
