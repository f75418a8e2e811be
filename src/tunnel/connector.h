// The abstract tunnel engine: the target it dials (protocol, route mode, server address and port),
// its connection state, and the state notification its workers send to the attached windows.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>

#include "tunnel/protocol.h"
#include "tunnel/state_subject.h"

namespace nimbrook {

struct ConnectTarget {
  int32_t protocol = kProtocolAuto;
  std::wstring host;  // the server address
  std::wstring port;
};

class Connector : public StateSubject {
 public:
  Connector() = default;
  ~Connector() override = default;

  // Start the engine's connect or disconnect worker and return at once; the outcome arrives as
  // notifications.
  virtual void Connect() = 0;
  virtual void Disconnect() = 0;

  // Called by the engine cache when it hands out this (cached) engine: the engine makes itself the
  // current instance of its class. Engines with an instance pointer override it.
  virtual void Select() {}

  // The program leaves while the link will not go down: the engine ends what it started (its child
  // processes, its dial-up link) without waiting. Engines without such parts do nothing.
  virtual void Abandon() {}

  // Stores the target as given. The main window sets it only while the engine is idle or failed; a
  // worker reads the target once at its start, so a change reaches the next attempt.
  void SetTarget(int32_t routeMode, const ConnectTarget& target);

  // Sets the state, then the subject's code and message (detail 0, extra empty), and calls every
  // observer in attach order on the calling thread. State, code and message change together: a
  // second sender waits until this delivery is done.
  void Notify(int32_t state, int32_t code, const std::wstring& message);

  [[nodiscard]] int32_t State() const { return state.load(); }
  [[nodiscard]] int32_t Protocol() const;
  [[nodiscard]] int32_t RouteMode() const;
  [[nodiscard]] std::wstring Host() const;
  [[nodiscard]] std::wstring Port() const;
  [[nodiscard]] std::string LocalAddress() const;  // the client's address inside the tunnel
  // True while an attempt runs or the link is up (state 1, 3 or 4).
  [[nodiscard]] bool IsBusy() const;

 protected:
  void SetLocalAddress(const std::string& address);

 private:
  mutable std::mutex targetLock;  // guards protocol, routeMode, host, port, localAddress
  int32_t protocol = kProtocolAuto;
  int32_t routeMode = kRouteUnset;
  std::wstring host;
  std::wstring port;
  std::atomic<int32_t> state{kStateIdle};
  std::string localAddress;
};

// SetTarget on the given engine, as the main window calls it after GetEngine and before Connect. A
// null engine is refused (false).
bool SetTarget(int32_t routeMode, Connector* engine, const ConnectTarget& target);

}  // namespace nimbrook
