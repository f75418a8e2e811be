// A fake OpenVPN child for native engine tests: asks for the user name and password, then prints a
// scenario's lines one chunk at a time, and ends when the exit event is set (unless told to ignore
// it) or when its lines are done (when told to). It runs on the engine's reader thread, each time
// the engine looks at the console.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "openvpn/open_vpner.h"
#include "os/child_process_fake.h"
#include "os/named_event.h"

namespace nimbrook::testing {

struct ChildScript {
  std::string banner = "OpenVPN 2.6.3 x86_64-w64-mingw32 [SSL (OpenSSL)] [LZO] [LZ4] [PKCS11] [AEAD]\n";
  std::vector<std::string> lines;  // printed after the password, one per chunk
  bool endAfterLines = false;      // ends once the lines are printed (early exit, drop)
  bool ignoreExitEvent = false;
};

class ScriptedChild {
 public:
  ScriptedChild(std::shared_ptr<os::FakeChildState> state, ChildScript script)
      : state_(std::move(state)), script_(std::move(script)) {}

  // One step of the child, run whenever the engine peeks.
  void Poll() {
    if (!event_.valid()) event_ = os::NamedEvent::Create(kExitEventName);
    bool idle = false;
    std::size_t writes = 0;
    bool inputClosed = false;
    {
      std::lock_guard<std::mutex> guard(state_->lock);
      if (state_->exited) return;
      idle = state_->output.empty();
      writes = state_->inputWrites.size();
      inputClosed = state_->inputClosed;
    }
    if (!script_.ignoreExitEvent && event_.IsSet()) {
      state_->Print("SIGTERM[hard,] received, process exiting\n");
      state_->End();
      return;
    }
    if (!idle) return;  // one chunk at a time
    switch (stage_) {
      case 0:
        state_->Print(script_.banner + kUsernamePrompt);
        stage_ = 1;
        break;
      case 1:
        if (writes >= 1) {
          state_->Print(kPasswordPrompt);
          stage_ = 2;
        }
        break;
      case 2:
        if (writes >= 2 && inputClosed) stage_ = 3;
        break;
      default:
        if (next_ < script_.lines.size()) {
          state_->Print(script_.lines[next_++]);
        } else if (script_.endAfterLines) {
          state_->End();
        }
        break;
    }
  }

 private:
  std::shared_ptr<os::FakeChildState> state_;
  ChildScript script_;
  os::NamedEvent event_;
  int stage_ = 0;
  std::size_t next_ = 0;
};

}  // namespace nimbrook::testing
