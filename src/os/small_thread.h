// Detached worker threads with a small stack, for passes that start one thread per item (a
// thousand delay workers must not commit a megabyte of stack each). The thread owns `work`.
#pragma once

#include <cstddef>
#include <functional>

namespace nimbrook::os {

// Starts `work` on a new detached thread whose stack reserves about stackReserve bytes (Windows
// reserves exactly that and commits on demand; the native build uses at least 256 KiB, which the
// sanitizers need). False when no thread could be started; `work` is then destroyed unrun.
[[nodiscard]] bool StartDetachedThread(std::function<void()> work, size_t stackReserve);

}  // namespace nimbrook::os
