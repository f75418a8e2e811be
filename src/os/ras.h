// Windows dial-up networking (RAS) as a narrow seam: dial a phonebook entry asynchronously, store its
// credentials, hang up, ask for a link's status, its error texts, its address inside the tunnel and
// to be told when it goes down. Windows has the real API; tests use FakeRas (ras_fake.h).
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace nimbrook::os {

// An open RAS connection (HRASCONN); null when there is none.
using RasConnection = void*;

// Connection states the dial progress reports (RASCONNSTATE).
inline constexpr uint32_t kRasOpenPort = 0;
inline constexpr uint32_t kRasPortOpened = 1;
inline constexpr uint32_t kRasConnectDevice = 2;
inline constexpr uint32_t kRasDeviceConnected = 3;
inline constexpr uint32_t kRasAllDevicesConnected = 4;
inline constexpr uint32_t kRasAuthenticate = 5;
inline constexpr uint32_t kRasConnected = 0x2000;
inline constexpr uint32_t kRasDisconnected = 0x2001;

// Error codes of the RAS API this program tells apart.
inline constexpr uint32_t kRasErrorInvalidHandle = 6;          // ERROR_INVALID_HANDLE: no such connection
inline constexpr uint32_t kRasErrorCannotFindPhonebook = 623;  // ERROR_CANNOT_FIND_PHONEBOOK_ENTRY
inline constexpr uint32_t kRasErrorUnavailable = 711;          // ERROR_RASMAN_CANNOT_INITIALIZE

// Dial progress: (connection state, error). Called on a thread of the RAS service, once per step.
using RasProgress = std::function<void(uint32_t state, uint32_t error)>;

// What RasDialW gets (the rest of RASDIALPARAMSW is zero).
struct RasDialRequest {
  std::wstring phonebook;
  std::wstring entry;
  std::wstring userName;
  std::wstring password;
};

// What RasSetCredentialsW gets (RASCREDENTIALSW, wide form).
inline constexpr uint32_t kRasCredentialUserName = 0x1;      // RASCM_UserName
inline constexpr uint32_t kRasCredentialPreSharedKey = 0x10;  // RASCM_PreSharedKey
struct RasCredentials {
  uint32_t mask = 0;
  std::wstring userName;
  std::wstring password;  // the pre-shared key when mask is kRasCredentialPreSharedKey
};

// An auto-reset event RAS can signal (a Win32 event on Windows).
class RasEvent {
 public:
  virtual ~RasEvent() = default;
  virtual void Signal() = 0;
  // Waits until signalled (and resets it); without a bound it waits as long as it takes. False when
  // the bound passed first.
  virtual bool Wait(std::optional<std::chrono::milliseconds> bound) = 0;
};

class Ras {
 public:
  virtual ~Ras() = default;

  // RasDialW with the dial notifier of type 0, which carries no context: progress reaches the one
  // function given to the latest Dial. connection receives the handle RAS hands out, also when the
  // call fails (it must then be hung up). 0 when dialling has started.
  virtual uint32_t Dial(const RasDialRequest& request, RasProgress progress, RasConnection& connection) = 0;
  // RasSetCredentialsW on an entry of a phonebook file.
  virtual uint32_t SetCredentials(const std::wstring& phonebook, const std::wstring& entry,
                                  const RasCredentials& credentials, bool clear) = 0;
  virtual uint32_t HangUp(RasConnection connection) = 0;
  // RasGetConnectStatusW: true while RAS still knows the connection (dialling, up or closing).
  virtual bool IsKnown(RasConnection connection) = 0;
  // RasGetErrorStringW (at most 255 characters); empty when RAS has no text for the code.
  virtual std::wstring ErrorString(uint32_t error) = 0;
  // RasConnectionNotificationW(connection, event, RASCN_Disconnection): event is signalled when the
  // link goes down. 0 on success.
  virtual uint32_t NotifyOnDisconnection(RasConnection connection, RasEvent& event) = 0;
  // The client's IPv4 address inside the tunnel (PPP IP projection, RasGetProjectionInfoA); none when
  // RAS cannot tell.
  virtual std::optional<std::string> LocalAddress(RasConnection connection) = 0;
  virtual std::unique_ptr<RasEvent> MakeEvent() = 0;
};

// An event in memory, for a RAS without events of its own (the native build, the fake).
std::unique_ptr<RasEvent> MakeMemoryRasEvent();

// The system's RAS. Natively there is none: every call fails with kRasErrorUnavailable.
Ras& SystemRas();

}  // namespace nimbrook::os
