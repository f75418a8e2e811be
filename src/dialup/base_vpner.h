// The dial-up engine: connects through Windows RAS from the private phonebook, reports every dialling
// step as a notification and watches the link so that a drop is reported. Serves PPTP and L2TP
// itself and is the base of the IKEv2 and SSTP engines.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "dialup/dial_up_seams.h"
#include "tunnel/connector.h"
#include "tunnel/engine_instance.h"

namespace nimbrook {

// The fixed pre-shared key of L2TP over IPsec.
inline constexpr wchar_t kL2tpPreSharedKey[] = L"tarnvale";

// Threads: the connect worker (DoConnect), the RAS progress callback, the drop watcher and the
// disconnect worker share one engine. They meet through the dial wait (the end of dialling, which
// the callback reports and the connect worker waits for), the drop event (which RAS signals when the
// link goes down) and the connection handle, all guarded by the engine's own lock. Workers find
// their engine through s_pInstance; the destructor waits until none of them uses the engine any more.
class BaseVpner : public Connector {
 public:
  explicit BaseVpner(DialUpSeams seams);
  ~BaseVpner() override;
  BaseVpner(const BaseVpner&) = delete;
  BaseVpner& operator=(const BaseVpner&) = delete;

  // Logs "开始连接线程ConnectThread" and starts the connect worker, which runs DoConnect on
  // s_pInstance ("开启ConnectThread线程失败" when no thread can be started).
  void Connect() override;
  // Starts the disconnect worker: state 3 reports "str_disconnecing"; the link is hung up and its end
  // reported as a user disconnect (code 1).
  void Disconnect() override;
  // Makes this engine the current instance of the dial-up engines.
  void Select() override;
  void Abandon() override;

  // The whole attempt, on the connect worker: services, phonebook, credentials, route step, dial,
  // wait for the end of dialling, outcome.
  void DoConnect();
  // Prepares the working phonebook for the current target; entry receives the entry's name.
  [[nodiscard]] bool ConfigPhonebook(std::wstring& entry);

  // The dial progress callback (RAS notifier of type 0, which carries no context): handed to the
  // current instance; ignored when there is none.
  static void DialProgress(uint32_t state, uint32_t error);

  // The phonebook entry of the current attempt; empty once the link has gone down.
  [[nodiscard]] std::wstring EntryName() const;
  // Whether a link-down is reported as a drop (13) rather than a user disconnect (1).
  [[nodiscard]] bool ReportDrop() const { return reportDrop_.load(); }
  // False for IKEv2 and SSTP on Windows 5.x: Connect and Disconnect then do nothing.
  [[nodiscard]] bool Supported() const { return supported_; }

  // Current instance of BaseVpner, IpsecVpner and SstpVpner alike.
  static inline EngineInstance<BaseVpner> s_pInstance;

 protected:
  // For the engines that need a modern Windows: the protocol is fixed, `supported` is
  // IsModernWindows() and, when supported, the root certificate is imported.
  BaseVpner(DialUpSeams seams, int32_t protocol);

 private:
  struct DialWait;
  class Use;

  // Dial outcome as the progress callback reports it.
  enum class DialEnd { None, Connected, Error, Disconnected, Cancelled };

  void OnDialProgress(uint32_t state, uint32_t error);
  // Waits up to bound for the end of dialling, then closes the dial event; None on a time-out.
  DialEnd CloseDialWait(const std::shared_ptr<DialWait>& wait, std::chrono::milliseconds bound, std::wstring& errorText);
  void ConnectedStep(int32_t routeMode);
  // The attempt's last notification: the attempt is over before the observers hear of it.
  void FinalNotify(int32_t state, int32_t code, const std::wstring& message);
  void EndOfAttempt(uint64_t attempt);
  void EndAttempt(int32_t routeMode, int32_t state, int32_t code, const std::wstring& message);
  void DisconnectWork();
  void WatchDrop();
  // Hangs the connection up and waits (bounded) until RAS has let it go. True when there was one.
  bool HangUp();
  void CancelDial();
  void RunDeleteRoute(int32_t routeMode);
  void Log(const std::wstring& line) const;
  std::wstring Translate(const std::wstring& id) const;
  bool EnsureService(const std::wstring& name) const;

  const DialUpSeams seams_;
  const bool supported_ = true;

  mutable std::mutex lock_;  // guards the fields below up to the worker count
  os::RasConnection connection_ = nullptr;
  std::wstring entryName_;
  std::shared_ptr<DialWait> dialEvent_;        // exists while the connect worker waits for dialling
  std::shared_ptr<os::RasEvent> dropEvent_;    // created on first need
  int32_t attemptRouteMode_ = kRouteUnset;     // route mode of the attempt whose link is up

  std::mutex progressLock_;  // a progress step and the end of the attempt never overtake each other
  std::atomic<bool> reportDrop_{true};
  std::atomic<uint64_t> nextAttempt_{0};
  std::atomic<uint64_t> runningAttempt_{0};  // the attempt whose connect worker runs; 0 for none
  std::atomic<bool> watcherArmed_{false};  // a drop watcher waits for this link's end

  std::mutex workersLock_;
  std::condition_variable workersDone_;
  int workers_ = 0;     // workers and callbacks using this engine
  bool closing_ = false;  // destructor running: no new use
};

}  // namespace nimbrook
