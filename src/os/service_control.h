// The service control manager as a narrow seam: open a service, query its state, make it start
// automatically and start it. Windows has the real manager; tests use FakeServiceControl.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace nimbrook::os {

// Service states (SERVICE_STATUS.dwCurrentState).
inline constexpr uint32_t kServiceStopped = 1;
inline constexpr uint32_t kServiceStartPending = 2;
inline constexpr uint32_t kServiceRunning = 4;

// One opened service; the manager and service handles close with it.
class ServiceSession {
 public:
  virtual ~ServiceSession() = default;
  // QueryServiceStatus; false when the query fails.
  virtual bool QueryState(uint32_t& state) = 0;
  // Start type automatic (2), everything else unchanged, under the manager's database lock.
  virtual bool SetAutomaticStart() = 0;
  // StartServiceW without arguments. A service that is already starting or running counts as started.
  virtual bool Start() = 0;
};

class ServiceControl {
 public:
  virtual ~ServiceControl() = default;
  // Opens the manager and the service (change configuration, query status, start, stop); null when
  // either cannot be opened.
  virtual std::unique_ptr<ServiceSession> Open(const std::wstring& name) = 0;
};

// The system's service control manager; natively there is none (every Open fails).
ServiceControl& SystemServiceControl();

// An in-memory manager for tests: services by name with a scripted behaviour.
struct FakeService {
  uint32_t state = kServiceStopped;
  bool queryFails = false;          // every query fails
  bool configFails = false;         // SetAutomaticStart fails
  bool startFails = false;          // Start fails
  std::vector<uint32_t> afterStart;  // states the queries report after a start, the last one repeated
  bool failQueryAfterStart = false;  // the first query after a start fails
  // Recorded:
  int queries = 0;
  int configChanges = 0;
  int starts = 0;
  bool automatic = false;
};

class FakeServiceControl final : public ServiceControl {
 public:
  void Add(const std::wstring& name, FakeService service);
  FakeService Get(const std::wstring& name) const;
  std::vector<std::wstring> Opened() const;
  std::unique_ptr<ServiceSession> Open(const std::wstring& name) override;

 private:
  friend class FakeServiceSession;
  mutable std::mutex lock_;
  std::map<std::wstring, FakeService> services_;
  std::vector<std::wstring> opened_;
};

}  // namespace nimbrook::os
