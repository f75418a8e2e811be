// An in-memory RAS for tests: each dial plays a script of progress steps (states and errors) on a
// thread of its own, as the RAS service does; the test can hold a script at a step, drop a live link
// and read back every call the engine made.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "os/ras.h"

namespace nimbrook::os {

struct FakeRasStep {
  uint32_t state = 0;
  uint32_t error = 0;
  bool holdBefore = false;  // wait for FakeRas::Release before reporting this step
};

struct FakeDialScript {
  uint32_t dialResult = 0;         // non-zero: RasDialW refuses at once with this code
  bool handleOnRefusal = false;    // a refusing dial still hands out a handle (it must be hung up)
  std::vector<FakeRasStep> steps;  // reported in order; a dial whose steps end without
                                   // kRasConnected, kRasDisconnected or an error never ends
};

// The steps of a dial that connects: port, device, authentication, connected.
FakeDialScript ConnectingScript();

struct FakeCredentialCall {
  std::wstring phonebook;
  std::wstring entry;
  RasCredentials credentials;
  bool clear = false;
};

class FakeRas final : public Ras {
 public:
  FakeRas() = default;
  ~FakeRas() override;
  FakeRas(const FakeRas&) = delete;
  FakeRas& operator=(const FakeRas&) = delete;

  // Scripts are used one per dial, in order; without one a dial connects (ConnectingScript).
  void QueueDial(FakeDialScript script);
  void SetErrorText(uint32_t error, std::wstring text);
  void SetLocalAddress(std::optional<std::string> address);
  void SetNotificationResult(uint32_t result);

  // Lets a held script go on.
  void Release();
  // The connected link goes down without a hang-up (the server or the network ended it). False when
  // no link was up.
  bool Drop();
  // Waits until every script has been played to its end (or stopped by a hang-up).
  void WaitIdle();

  std::vector<RasDialRequest> Dials() const;
  std::vector<FakeCredentialCall> CredentialCalls() const;
  int HangUps() const;
  // Connections RAS still knows (dialling or up).
  int LiveConnections() const;

  uint32_t Dial(const RasDialRequest& request, RasProgress progress, RasConnection& connection) override;
  uint32_t SetCredentials(const std::wstring& phonebook, const std::wstring& entry, const RasCredentials& credentials,
                          bool clear) override;
  uint32_t HangUp(RasConnection connection) override;
  bool IsKnown(RasConnection connection) override;
  std::wstring ErrorString(uint32_t error) override;
  uint32_t NotifyOnDisconnection(RasConnection connection, RasEvent& event) override;
  std::optional<std::string> LocalAddress(RasConnection connection) override;
  std::unique_ptr<RasEvent> MakeEvent() override;

 private:
  struct Link {
    bool live = true;
    bool up = false;
    std::vector<RasEvent*> dropEvents;
  };

  void Play(uintptr_t id, std::vector<FakeRasStep> steps, RasProgress progress);
  // Ends a link under the lock and hands back the events to signal.
  std::vector<RasEvent*> EndLink(uintptr_t id);

  mutable std::mutex lock_;
  std::condition_variable changed_;
  std::deque<FakeDialScript> scripts_;
  std::map<uint32_t, std::wstring> errorTexts_;
  std::optional<std::string> localAddress_ = std::string("10.8.0.6");
  uint32_t notificationResult_ = 0;
  uintptr_t nextId_ = 0x100;
  std::map<uintptr_t, Link> links_;
  std::vector<RasDialRequest> dials_;
  std::vector<FakeCredentialCall> credentials_;
  int hangUps_ = 0;
  int releases_ = 0;
  int playing_ = 0;
  std::vector<std::thread> players_;
};

}  // namespace nimbrook::os
