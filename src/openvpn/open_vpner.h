// The OpenVPN engine (protocols 2 to 5): runs "openvpn\openvpn.exe" hidden, answers its prompts with
// the account's name and password, reads its console until the tunnel is up, fails or ends, and stops
// it through the named exit event. Its workers find it through the class's instance pointer.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>

#include "openvpn/console_analysis.h"
#include "os/child_process.h"
#include "os/named_event.h"
#include "tunnel/connector.h"

namespace nimbrook {

inline constexpr wchar_t kOpenVpnExe[] = L"openvpn.exe";
inline constexpr wchar_t kOpenVpnSubDir[] = L"openvpn";
inline constexpr wchar_t kExitEventName[] = L"nimbrookjsq_exit_event";
inline constexpr wchar_t kOpenVpnLogName[] = L"openvpn.log";
// "Openvpn Connect..." with its terminating zero: the first 19 bytes of every "openvpn.log".
inline constexpr char kOpenVpnLogHead[] = "Openvpn Connect...";
inline constexpr std::size_t kConsoleChunkSize = 1024;
inline constexpr std::size_t kAuthAnswerSize = 128;

// "%s  --config client.ovpn --service nimbrookjsq_exit_event 0" with the executable name.
std::wstring OpenVpnCommandLine(const std::wstring& executable = kOpenVpnExe);

// The answer to a prompt: value + "\r\n", at most kAuthAnswerSize bytes with the line end always
// kept (a longer value is cut).
std::string AuthAnswer(const std::string& value);

struct TunnelCredentials {
  std::string username;
  std::string password;
};

class OpenVpner : public Connector {
 public:
  // What the engine uses beside the launcher, so tests can stand in for each part.
  struct Tools {
    std::function<bool(const Connector&)> writeConfig;         // WriteClientConfig by default
    std::function<TunnelCredentials()> credentials;            // the account settings by default
    std::function<void(OpenVpner&)> checkTapAdapter;           // CheckTapAdapter by default
    std::wstring logFile;  // "openvpn.log"; empty: in the program directory
    // How long the child gets to honour the exit event before it is ended by force.
    std::chrono::milliseconds stopGrace{15000};
    std::chrono::milliseconds pollInterval{50};  // idle wait between looks at the console
  };

  OpenVpner();
  explicit OpenVpner(Tools tools);
  ~OpenVpner() override;

  // Start the connect or disconnect worker and return at once. A Connect while an attempt of this
  // engine still runs is refused (logged), so two children never share the exit event.
  void Connect() override;
  void Disconnect() override;
  void Select() override;
  void Abandon() override;

  // The engine the workers use: the last one created or selected.
  static OpenVpner* Instance();

  // The adapter check's result (CheckTapAdapter sets it).
  void SetTapResult(bool ready, const std::string& adapterId);
  [[nodiscard]] bool TapReady() const;
  [[nodiscard]] std::string AdapterId() const;
  [[nodiscard]] std::string TunnelAdapterId() const;
  [[nodiscard]] std::string RunFlag() const;
  [[nodiscard]] int32_t InactivityCount() const;
  // The running attempt was asked to stop (a disconnect, or the engine going away): the adapter
  // check gives up its tools.
  [[nodiscard]] bool StopRequested() const { return stopRequested_.load(); }
  // True while an attempt runs or its connect worker has not yet finished its last step.
  [[nodiscard]] bool AttemptRunning() const { return attemptRunning_.load() || workers_.load() > 0; }

  // The worker bodies, run on the calling thread (the workers call them; tests may too).
  void ConnectWork();
  void DisconnectWork();

 private:
  [[nodiscard]] bool StartOpenVpn();
  void ConsoleLoop(os::StartedChild& child, const TunnelCredentials& credentials);
  void HandleChunk(const std::string& chunk, os::ChildInput* input, const std::string& usernameAnswer,
                   const std::string& passwordAnswer, ConsoleContext& context);
  void StopProcedure();
  void RequestStop();
  void ClearStopRequest();
  void EndHandling();
  // The attempt's last notification. The attempt is over before the observers hear of it: the window
  // may start the next attempt of this engine from inside that notification (the next protocol under
  // "AUTO"), and nothing of the old attempt may touch the new one's fields afterwards.
  void FinalNotify(int32_t state, int32_t code, const std::wstring& message);
  // The same with the end lock already held.
  void FinalNotifyEnding(int32_t state, int32_t code, const std::wstring& message);
  // Clears the attempt's fields and marks it over; with the field lock held.
  void EndAttemptLocked();
  void StartLog();
  void AppendLog(const std::string& chunk);
  std::wstring LogPath() const;

  Tools tools_;

  mutable std::mutex fieldLock_;  // guards the fields below up to attemptsEnded_
  bool tapReady_ = false;
  std::string adapterId_;
  std::string tunnelAdapterId_;
  std::string runFlag_;  // "true" once up, "false" once the user asked to disconnect, else empty
  int32_t inactivityCount_ = 0;
  os::NamedEvent exitEvent_;  // held open for the whole attempt
  uint64_t attemptsEnded_ = 0;

  std::atomic<bool> attemptRunning_{false};  // set by Connect, cleared with the field lock held
  // Connect workers still inside this engine: the attempt is over before its last notification, the
  // worker only after it.
  std::atomic<int> workers_{0};
  // Held while a stop's "disconnecting" or an attempt's last notification is checked and delivered,
  // so a disconnect that races the end of the attempt never arrives after it.
  std::mutex endLock_;
  // When the exit event was set for the running child; the console loop ends a child that ignores it.
  std::atomic<bool> stopRequested_{false};
  std::atomic<int64_t> stopRequestedAt_{0};  // steady clock, milliseconds
  std::atomic<bool> abandoned_{false};       // the program leaves: no grace for the child
};

}  // namespace nimbrook
