#include <unistd.h>

#include <vector>

#include "core/text.h"
#include "os/module_path.h"

namespace nimbrook::os {
namespace {

// readlink does not say whether it cut the target, so grow the buffer until the target fits with
// room to spare.
std::string ReadSelfLink() {
  for (size_t size = 256; size <= (1u << 16); size *= 2) {
    std::vector<char> buffer(size);
    const ssize_t length = readlink("/proc/self/exe", buffer.data(), buffer.size());
    if (length <= 0) return {};
    if (static_cast<size_t>(length) < buffer.size()) return std::string(buffer.data(), static_cast<size_t>(length));
  }
  return {};
}

}  // namespace

std::wstring ExecutablePath() { return text::FromUtf8(ReadSelfLink()); }

std::string ExecutablePathA() { return ReadSelfLink(); }

}  // namespace nimbrook::os
