// Helpers shared by the fuzz targets: a checked invariant that stops the run with a message, input
// splitting, and a scratch file for the parsers that only read files.
#pragma once

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "core/file_io.h"
#include "core/log.h"
#include "core/text.h"

// A broken invariant is a finding: libFuzzer keeps the input that caused it.
#define FUZZ_CHECK(condition)                                                                  \
  do {                                                                                         \
    if (!(condition)) {                                                                        \
      std::fprintf(stderr, "invariant failed: %s (%s:%d)\n", #condition, __FILE__, __LINE__); \
      std::abort();                                                                            \
    }                                                                                          \
  } while (0)

namespace nimbrook::fuzz {

inline std::string_view Bytes(const uint8_t* data, size_t size) {
  return {reinterpret_cast<const char*>(data), size};
}

// Splits the input at the first byte 0xFF: two independent texts for targets that take two.
inline std::pair<std::string_view, std::string_view> SplitTwo(std::string_view input) {
  const size_t at = input.find('\xFF');
  if (at == std::string_view::npos) return {input, {}};
  return {input.substr(0, at), input.substr(at + 1)};
}

// Diagnostics go nowhere: the parsers log what they refuse, and a file per input would be slow.
inline void QuietLog() {
  static const bool once = [] {
    SetLogFile(L"/dev/null");
    return true;
  }();
  (void)once;
}

// A file of this process in /dev/shm (or /tmp), rewritten for every input and removed at exit.
struct Scratch {
  explicit Scratch(const char* name) {
    const char* dir = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
    narrow = std::string(dir) + "/nimbrook-fuzz-" + std::to_string(getpid()) + "-" + name;
    path = text::FromUtf8(narrow);
  }
  ~Scratch() { std::remove(narrow.c_str()); }
  std::string narrow;
  std::wstring path;
};

inline const std::wstring& ScratchFile(const char* name) {
  static const Scratch scratch(name);
  return scratch.path;
}

inline const std::wstring& WriteScratch(const char* name, std::string_view bytes) {
  const std::wstring& path = ScratchFile(name);
  FUZZ_CHECK(WriteFileBytes(path, std::string(bytes)));
  return path;
}

}  // namespace nimbrook::fuzz
