// Starting other programs for the user: a program by its command line, or a web page with the
// user's default browser. A seam, so the code that decides what to start is tested without starting
// anything.
#pragma once

#include <string>

namespace nimbrook::os {

class Shell {
 public:
  virtual ~Shell() = default;
  // Starts the command line (CreateProcessW, shown normally, no handles inherited) and lets it run on
  // its own; true when it started.
  [[nodiscard]] virtual bool StartProgram(const std::wstring& commandLine) = 0;
  // Opens the page with the program the user chose for it (ShellExecuteW "open"); true on success.
  [[nodiscard]] virtual bool OpenWithDefaultProgram(const std::wstring& target) = 0;
};

// The real shell. Natively nothing is started and both calls answer false: the native build is for
// tests and the companion program, which open no pages.
Shell& SystemShell();

}  // namespace nimbrook::os
