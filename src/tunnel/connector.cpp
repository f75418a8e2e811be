// Target, state and notification of the abstract engine.
#include "tunnel/connector.h"

namespace nimbrook {

bool Connector::IsBusy() const {
  const int32_t s = state.load();
  return s == kStateConnecting || s == kStateConnected || s == kStateDisconnecting;
}

void Connector::SetTarget(int32_t newRouteMode, const ConnectTarget& target) {
  std::lock_guard<std::mutex> lock(targetLock);
  protocol = target.protocol;
  routeMode = newRouteMode;
  host = target.host;
  port = target.port;
}

void Connector::Notify(int32_t newState, int32_t code, const std::wstring& message) {
  Publish(code, message, [this, newState] { state.store(newState); });
}

int32_t Connector::Protocol() const {
  std::lock_guard<std::mutex> lock(targetLock);
  return protocol;
}

int32_t Connector::RouteMode() const {
  std::lock_guard<std::mutex> lock(targetLock);
  return routeMode;
}

std::wstring Connector::Host() const {
  std::lock_guard<std::mutex> lock(targetLock);
  return host;
}

std::wstring Connector::Port() const {
  std::lock_guard<std::mutex> lock(targetLock);
  return port;
}

std::string Connector::LocalAddress() const {
  std::lock_guard<std::mutex> lock(targetLock);
  return localAddress;
}

void Connector::SetLocalAddress(const std::string& address) {
  std::lock_guard<std::mutex> lock(targetLock);
  localAddress = address;
}

bool SetTarget(int32_t routeMode, Connector* engine, const ConnectTarget& target) {
  if (engine == nullptr) return false;
  engine->SetTarget(routeMode, target);
  return true;
}

}  // namespace nimbrook
