// The in-memory RAS of the tests.
#include "os/ras_fake.h"

#include <utility>

namespace nimbrook::os {
namespace {

RasConnection AsConnection(uintptr_t id) { return reinterpret_cast<RasConnection>(id); }
uintptr_t AsId(RasConnection connection) { return reinterpret_cast<uintptr_t>(connection); }

bool EndsDial(const FakeRasStep& step) {
  return step.error != 0 || step.state == kRasConnected || step.state == kRasDisconnected;
}

}  // namespace

FakeDialScript ConnectingScript() {
  FakeDialScript script;
  for (uint32_t state : {kRasOpenPort, kRasPortOpened, kRasConnectDevice, kRasDeviceConnected,
                         kRasAllDevicesConnected, kRasAuthenticate, 6u, kRasConnected}) {
    script.steps.push_back({state, 0, false});
  }
  return script;
}

FakeRas::~FakeRas() {
  {
    std::lock_guard<std::mutex> guard(lock_);
    releases_ += 1 << 20;  // nothing may stay held
    for (auto& [id, link] : links_) link.live = false;
  }
  changed_.notify_all();
  for (std::thread& player : players_) {
    if (player.joinable()) player.join();
  }
}

void FakeRas::QueueDial(FakeDialScript script) {
  std::lock_guard<std::mutex> guard(lock_);
  scripts_.push_back(std::move(script));
}

void FakeRas::SetErrorText(uint32_t error, std::wstring text) {
  std::lock_guard<std::mutex> guard(lock_);
  errorTexts_[error] = std::move(text);
}

void FakeRas::SetLocalAddress(std::optional<std::string> address) {
  std::lock_guard<std::mutex> guard(lock_);
  localAddress_ = std::move(address);
}

void FakeRas::SetNotificationResult(uint32_t result) {
  std::lock_guard<std::mutex> guard(lock_);
  notificationResult_ = result;
}

void FakeRas::Release() {
  {
    std::lock_guard<std::mutex> guard(lock_);
    ++releases_;
  }
  changed_.notify_all();
}

bool FakeRas::Drop() {
  std::vector<RasEvent*> events;
  bool dropped = false;
  {
    std::lock_guard<std::mutex> guard(lock_);
    for (auto& [id, link] : links_) {
      if (link.live && link.up) {
        events = EndLink(id);
        dropped = true;
        break;
      }
    }
  }
  for (RasEvent* event : events) event->Signal();
  return dropped;
}

void FakeRas::WaitIdle() {
  std::unique_lock<std::mutex> guard(lock_);
  changed_.wait(guard, [this] { return playing_ == 0; });
}

std::vector<RasDialRequest> FakeRas::Dials() const {
  std::lock_guard<std::mutex> guard(lock_);
  return dials_;
}

std::vector<FakeCredentialCall> FakeRas::CredentialCalls() const {
  std::lock_guard<std::mutex> guard(lock_);
  return credentials_;
}

int FakeRas::HangUps() const {
  std::lock_guard<std::mutex> guard(lock_);
  return hangUps_;
}

int FakeRas::LiveConnections() const {
  std::lock_guard<std::mutex> guard(lock_);
  int live = 0;
  for (const auto& [id, link] : links_) live += link.live ? 1 : 0;
  return live;
}

uint32_t FakeRas::Dial(const RasDialRequest& request, RasProgress progress, RasConnection& connection) {
  std::lock_guard<std::mutex> guard(lock_);
  dials_.push_back(request);
  FakeDialScript script = ConnectingScript();
  if (!scripts_.empty()) {
    script = std::move(scripts_.front());
    scripts_.pop_front();
  }
  if (script.dialResult != 0) {
    connection = nullptr;
    if (script.handleOnRefusal) {
      const uintptr_t id = nextId_++;
      links_[id] = Link{};
      connection = AsConnection(id);
    }
    return script.dialResult;
  }
  const uintptr_t id = nextId_++;
  links_[id] = Link{};
  connection = AsConnection(id);
  ++playing_;
  players_.emplace_back(&FakeRas::Play, this, id, std::move(script.steps), std::move(progress));
  return 0;
}

void FakeRas::Play(uintptr_t id, std::vector<FakeRasStep> steps, RasProgress progress) {
  int released = 0;
  for (const FakeRasStep& step : steps) {
    {
      std::unique_lock<std::mutex> guard(lock_);
      if (step.holdBefore) {
        changed_.wait(guard, [&] { return releases_ > released || !links_[id].live; });
        ++released;
      }
      Link& link = links_[id];
      if (!link.live) break;  // hung up while dialling: RAS reports nothing more
      if (step.state == kRasConnected && step.error == 0) link.up = true;
      if (step.error != 0 || step.state == kRasDisconnected) link.up = false;
    }
    if (progress) progress(step.state, step.error);
    if (EndsDial(step)) break;
  }
  {
    std::lock_guard<std::mutex> guard(lock_);
    --playing_;
  }
  changed_.notify_all();
}

uint32_t FakeRas::SetCredentials(const std::wstring& phonebook, const std::wstring& entry,
                                 const RasCredentials& credentials, bool clear) {
  std::lock_guard<std::mutex> guard(lock_);
  credentials_.push_back({phonebook, entry, credentials, clear});
  return 0;
}

std::vector<RasEvent*> FakeRas::EndLink(uintptr_t id) {
  Link& link = links_[id];
  link.live = false;
  link.up = false;
  std::vector<RasEvent*> events;
  events.swap(link.dropEvents);
  changed_.notify_all();
  return events;
}

uint32_t FakeRas::HangUp(RasConnection connection) {
  std::vector<RasEvent*> events;
  {
    std::lock_guard<std::mutex> guard(lock_);
    ++hangUps_;
    auto found = links_.find(AsId(connection));
    if (found == links_.end() || !found->second.live) return kRasErrorInvalidHandle;
    events = EndLink(found->first);
  }
  for (RasEvent* event : events) event->Signal();
  return 0;
}

bool FakeRas::IsKnown(RasConnection connection) {
  std::lock_guard<std::mutex> guard(lock_);
  auto found = links_.find(AsId(connection));
  return found != links_.end() && found->second.live;
}

std::wstring FakeRas::ErrorString(uint32_t error) {
  std::lock_guard<std::mutex> guard(lock_);
  auto found = errorTexts_.find(error);
  return found == errorTexts_.end() ? std::wstring() : found->second;
}

uint32_t FakeRas::NotifyOnDisconnection(RasConnection connection, RasEvent& event) {
  std::lock_guard<std::mutex> guard(lock_);
  if (notificationResult_ != 0) return notificationResult_;
  auto found = links_.find(AsId(connection));
  if (found == links_.end() || !found->second.live) return kRasErrorInvalidHandle;
  found->second.dropEvents.push_back(&event);
  return 0;
}

std::optional<std::string> FakeRas::LocalAddress(RasConnection connection) {
  std::lock_guard<std::mutex> guard(lock_);
  auto found = links_.find(AsId(connection));
  if (found == links_.end() || !found->second.up) return std::nullopt;
  return localAddress_;
}

std::unique_ptr<RasEvent> FakeRas::MakeEvent() { return MakeMemoryRasEvent(); }

}  // namespace nimbrook::os
