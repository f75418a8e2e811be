// Worker threads through pthreads with an explicit stack size.
#include <pthread.h>

#include <algorithm>
#include <climits>
#include <memory>
#include <utility>

#include "os/small_thread.h"

namespace nimbrook::os {
namespace {

constexpr size_t kMinimumStack = 256 * 1024;

void* RunWork(void* parameter) {
  std::unique_ptr<std::function<void()>> work(static_cast<std::function<void()>*>(parameter));
  (*work)();
  return nullptr;
}

}  // namespace

bool StartDetachedThread(std::function<void()> work, size_t stackReserve) {
  if (!work) return false;
  pthread_attr_t attributes;
  if (pthread_attr_init(&attributes) != 0) return false;
  const size_t stack = std::max({stackReserve, kMinimumStack, static_cast<size_t>(PTHREAD_STACK_MIN)});
  pthread_attr_setstacksize(&attributes, stack);
  pthread_attr_setdetachstate(&attributes, PTHREAD_CREATE_DETACHED);
  auto owned = std::make_unique<std::function<void()>>(std::move(work));
  pthread_t thread;
  const int started = pthread_create(&thread, &attributes, RunWork, owned.get());
  pthread_attr_destroy(&attributes);
  if (started != 0) return false;
  owned.release();  // the thread frees it
  return true;
}

}  // namespace nimbrook::os
