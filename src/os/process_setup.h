// Process-wide set-up the client's entry point does before it opens a window: DPI awareness and
// COM for the UI thread. Windows only; the native build has no client program.
#pragma once

namespace nimbrook::os {

// Calls user32's SetProcessDPIAware when the system has it (looked up at run time; the library is
// released afterwards). True when it was called and succeeded.
bool EnableDpiAwareness();

// COM for the calling (UI) thread, CoInitialize(null), left again by the owner's destructor.
class ComInitialisation {
 public:
  [[nodiscard]] static ComInitialisation Initialise();

  ComInitialisation() = default;
  ~ComInitialisation();
  ComInitialisation(ComInitialisation&& other) noexcept;
  ComInitialisation& operator=(ComInitialisation&& other) noexcept;
  ComInitialisation(const ComInitialisation&) = delete;
  ComInitialisation& operator=(const ComInitialisation&) = delete;

  // False when CoInitialize failed: the client then ends at once.
  [[nodiscard]] bool ok() const { return initialised_; }
  long status() const { return status_; }

 private:
  bool initialised_ = false;
  long status_ = 0;
};

}  // namespace nimbrook::os
