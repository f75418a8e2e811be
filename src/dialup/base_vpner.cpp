#include "dialup/base_vpner.h"

#include <chrono>
#include <thread>
#include <utility>

#include "core/text.h"
#include "dialup/phonebook.h"
#include "tunnel/worker.h"

namespace nimbrook {
namespace {

constexpr size_t kErrorTextCapacity = 1024;  // the formatted "错误%d-%s" text, terminator included

// Serialises taking a use of an engine with an engine's destructor marking itself closed.
std::mutex& FamilyLock() {
  static std::mutex lock;
  return lock;
}

}  // namespace

// The dial event: the callback reports the end of dialling, the connect worker waits for it. It is
// "gone" once the connect worker stopped waiting; a late report then finds nobody and is dropped.
struct BaseVpner::DialWait {
  std::mutex lock;
  std::condition_variable ended;
  bool gone = false;
  DialEnd end = DialEnd::None;
  std::wstring errorText;

  // True when this report ended the dialling.
  bool Finish(DialEnd how, std::wstring text = std::wstring()) {
    {
      std::lock_guard<std::mutex> guard(lock);
      if (gone || end != DialEnd::None) return false;
      end = how;
      errorText = std::move(text);
    }
    ended.notify_all();
    return true;
  }
  bool Open() {
    std::lock_guard<std::mutex> guard(lock);
    return !gone && end == DialEnd::None;
  }
  // Waits up to bound; afterwards the event is gone. None when dialling did not end in time.
  DialEnd WaitAndClose(std::chrono::milliseconds bound, std::wstring& text) {
    std::unique_lock<std::mutex> guard(lock);
    ended.wait_for(guard, bound, [this] { return end != DialEnd::None; });
    gone = true;
    text = errorText;
    return end;
  }
};

// One worker's (or callback's) hold on an engine; the engine's destructor waits for every hold.
class BaseVpner::Use {
 public:
  static Use Current() {
    std::lock_guard<std::mutex> family(FamilyLock());
    return Use(s_pInstance.Get());
  }
  static Use Of(BaseVpner* engine) {
    std::lock_guard<std::mutex> family(FamilyLock());
    return Use(s_pInstance.Get() ? engine : nullptr);
  }
  Use(Use&& other) noexcept : engine_(std::exchange(other.engine_, nullptr)) {}
  Use& operator=(Use&&) = delete;
  Use(const Use&) = delete;
  ~Use() {
    if (!engine_) return;
    std::lock_guard<std::mutex> guard(engine_->workersLock_);
    if (--engine_->workers_ == 0) engine_->workersDone_.notify_all();
  }
  BaseVpner* get() const { return engine_; }

 private:
  // Called with the family lock held.
  explicit Use(BaseVpner* engine) {
    if (!engine) return;
    std::lock_guard<std::mutex> guard(engine->workersLock_);
    if (engine->closing_) return;
    ++engine->workers_;
    engine_ = engine;
  }
  BaseVpner* engine_ = nullptr;
};

BaseVpner::BaseVpner(DialUpSeams seams) : seams_(std::move(seams)) { s_pInstance.Select(this); }

BaseVpner::BaseVpner(DialUpSeams seams, int32_t protocol)
    : seams_(std::move(seams)), supported_(seams_.isModernWindows && seams_.isModernWindows()) {
  s_pInstance.Select(this);
  SetTarget(kRouteUnset, ConnectTarget{protocol, std::wstring(), std::wstring()});
  if (supported_ && seams_.importRootCertificate) (void)seams_.importRootCertificate();
}

BaseVpner::~BaseVpner() {
  // The clean-up below ends a running attempt, whose last notification nobody may hear any more.
  StopNotifying();
  {
    std::lock_guard<std::mutex> family(FamilyLock());
    std::lock_guard<std::mutex> guard(workersLock_);
    closing_ = true;
    s_pInstance.Release(this);
  }
  // Release whatever a worker still waits for: the dialling, the drop event, the link itself.
  CancelDial();
  std::shared_ptr<os::RasEvent> drop;
  {
    std::lock_guard<std::mutex> guard(lock_);
    drop = dropEvent_;
  }
  if (drop) drop->Signal();
  HangUp();
  std::unique_lock<std::mutex> guard(workersLock_);
  workersDone_.wait(guard, [this] { return workers_ == 0; });
}

void BaseVpner::Select() { s_pInstance.Select(this); }

std::wstring BaseVpner::EntryName() const {
  std::lock_guard<std::mutex> guard(lock_);
  return entryName_;
}

void BaseVpner::Log(const std::wstring& line) const {
  if (seams_.log) seams_.log(line);
}

std::wstring BaseVpner::Translate(const std::wstring& id) const { return seams_.text ? seams_.text(id) : id; }

bool BaseVpner::EnsureService(const std::wstring& name) const {
  return seams_.ensureService && seams_.ensureService(name);
}

void BaseVpner::RunDeleteRoute(int32_t routeMode) {
  if (routeMode == kRouteScopeAbroad && seams_.deleteRoute) (void)seams_.deleteRoute();
}

void BaseVpner::Connect() {
  if (!supported_) return;
  Log(L"开始连接线程ConnectThread");
  const auto log = seams_.log;
  const bool started = StartDetachedWorker(
      [log] {
        if (log) log(L"进入连接线程ConnectThread");
        Use use = Use::Current();
        if (!use.get()) {
          if (log) log(L"s_pInstance 为Null");
          return;
        }
        use.get()->DoConnect();
      },
      L"ConnectThread");
  if (!started) Log(L"开启ConnectThread线程失败");
}

void BaseVpner::Disconnect() {
  if (!supported_) return;
  const bool started = StartDetachedWorker(
      [] {
        Use use = Use::Current();
        if (use.get()) use.get()->DisconnectWork();
      },
      L"DisconnectThread");
  if (!started) Log(L"开启DisconnectThread线程失败");
}

bool BaseVpner::ConfigPhonebook(std::wstring& entry) {
  if (!seams_.profile) return false;
  PhonebookTarget target;
  target.protocol = Protocol();
  target.host = Host();
  target.port = Port();
  target.useLocalDns = seams_.account && seams_.account().useDns == "true";
  return nimbrook::ConfigPhonebook(*seams_.profile, seams_.configDir, target, seams_.log, entry);
}

void BaseVpner::DoConnect() {
  // One attempt at a time: a second one would share the connection and the dial event.
  const uint64_t attempt = nextAttempt_.fetch_add(1) + 1;
  uint64_t idle = 0;
  if (!runningAttempt_.compare_exchange_strong(idle, attempt)) {
    Log(L"上一次连接尚未结束，忽略本次连接");
    return;
  }
  // The attempt counts as over from its last notification on (the window may start the next one
  // right away); this guard only covers a worker that ends otherwise.
  struct Done {
    BaseVpner& engine;
    uint64_t attempt;
    ~Done() { engine.EndOfAttempt(attempt); }
  } done{*this, attempt};

  // Protocol and route mode of this attempt; a change of target reaches the next one.
  const int32_t protocol = Protocol();
  const int32_t routeMode = RouteMode();
  // A new attempt: until the user asks for a disconnect, its link going down is a drop.
  reportDrop_.store(true);

  Log(L"开始准备连接DoConnect");
  Notify(kStateConnecting, kCodeProgress, L"str_connecting");

  for (const wchar_t* service : {L"RasAuto", L"Netman", L"TapiSrv"}) {
    if (!EnsureService(service)) {
      RunDeleteRoute(routeMode);
      FinalNotify(kStateFailed, kCodeFailed, L"str_rasservicefail");
      return;
    }
  }

  const std::wstring phonebook = WorkingPhonebookPath(seams_.configDir);
  {
    std::lock_guard<std::mutex> guard(lock_);
    entryName_.clear();
  }
  std::wstring entry;
  if (!ConfigPhonebook(entry)) {
    FinalNotify(kStateFailed, kCodeFailed, L"str_connect_failed");
    return;
  }
  Log(L"已经ConfigPhonebook");

  const DialUpAccount account = seams_.account ? seams_.account() : DialUpAccount{};
  const std::wstring userName = text::FromAnsi(account.username);
  const std::wstring password = text::FromAnsi(account.password);

  if (protocol == kProtocolL2tp) {
    os::RasCredentials credentials;
    credentials.userName = userName;
    if (seams_.l2tpIpsecEnabled && seams_.l2tpIpsecEnabled()) {
      const bool modern = seams_.isModernWindows && seams_.isModernWindows();
      if (!EnsureService(L"PolicyAgent") || (modern && !EnsureService(L"IKEEXT"))) {
        RunDeleteRoute(routeMode);
        FinalNotify(kStateFailed, kCodeFailed, L"str_l2tpoveripsecfail");
        return;
      }
      credentials.mask = os::kRasCredentialPreSharedKey;
      credentials.password = kL2tpPreSharedKey;
      (void)seams_.ras->SetCredentials(phonebook, entry, credentials, false);
    } else {
      credentials.mask = os::kRasCredentialUserName;
      credentials.password = password;
      (void)seams_.ras->SetCredentials(phonebook, entry, credentials, true);
    }
  }

  {
    std::lock_guard<std::mutex> guard(lock_);
    entryName_ = entry;
  }
  const os::RasDialRequest request{phonebook, entry, userName, password};

  if (routeMode == kRouteScopeAbroad && seams_.addRoute) seams_.addRoute(false);

  // The dial event exists from here on, so that a disconnect from now on ends the wait.
  auto wait = std::make_shared<DialWait>();
  {
    std::lock_guard<std::mutex> guard(lock_);
    connection_ = nullptr;
    dialEvent_ = wait;
  }
  if (!reportDrop_.load()) {
    // The user disconnected while the attempt was being prepared: do not dial at all.
    std::wstring ignored;
    (void)CloseDialWait(wait, std::chrono::milliseconds(0), ignored);
    EndAttempt(routeMode, kStateIdle, kCodeDisconnected, L"");
    return;
  }
  Notify(kStateConnecting, kCodeProgress, L"str_calling");

  os::RasConnection connection = nullptr;
  const uint32_t dialed = seams_.ras->Dial(request, &BaseVpner::DialProgress, connection);
  {
    std::lock_guard<std::mutex> guard(lock_);
    connection_ = connection;
  }
  if (dialed != 0) {
    std::wstring ignored;
    (void)CloseDialWait(wait, std::chrono::milliseconds(0), ignored);
    EndAttempt(routeMode, kStateFailed, kCodeFailed, L"str_call_failed");
    return;
  }

  std::wstring errorText;
  const DialEnd end = CloseDialWait(wait, seams_.dialTimeout, errorText);
  switch (end) {
    case DialEnd::None:
      EndAttempt(routeMode, kStateFailed, kCodeFailed, Translate(L"str_call_failed") + Translate(L"str_ping_timeout"));
      return;
    case DialEnd::Error:
      EndAttempt(routeMode, kStateFailed, kCodeFailed, errorText);
      return;
    case DialEnd::Disconnected:
      // RAS ended the dialling without a link. Asked for by the user, it is the end the user wanted.
      if (!reportDrop_.load()) {
        EndAttempt(routeMode, kStateIdle, kCodeDisconnected, L"");
      } else {
        EndAttempt(routeMode, kStateFailed, kCodeFailed, L"str_call_failed");
      }
      return;
    case DialEnd::Cancelled:
      EndAttempt(routeMode, kStateIdle, kCodeDisconnected, L"");
      return;
    case DialEnd::Connected:
      ConnectedStep(routeMode);
      return;
  }
}

BaseVpner::DialEnd BaseVpner::CloseDialWait(const std::shared_ptr<DialWait>& wait, std::chrono::milliseconds bound,
                                            std::wstring& errorText) {
  {
    std::unique_lock<std::mutex> guard(wait->lock);
    wait->ended.wait_for(guard, bound, [&] { return wait->end != DialEnd::None; });
  }
  DialEnd end;
  {
    // Closed under the progress lock: a progress step already past its check is delivered before
    // the outcome, and none after it.
    std::lock_guard<std::mutex> guard(progressLock_);
    end = wait->WaitAndClose(std::chrono::milliseconds(0), errorText);
  }
  std::lock_guard<std::mutex> guard(lock_);
  if (dialEvent_ == wait) dialEvent_.reset();
  return end;
}

void BaseVpner::EndOfAttempt(uint64_t attempt) {
  uint64_t running = attempt;
  (void)runningAttempt_.compare_exchange_strong(running, 0);
}

void BaseVpner::FinalNotify(int32_t state, int32_t code, const std::wstring& message) {
  EndOfAttempt(runningAttempt_.load());
  Notify(state, code, message);
}

void BaseVpner::EndAttempt(int32_t routeMode, int32_t state, int32_t code, const std::wstring& message) {
  RunDeleteRoute(routeMode);
  HangUp();
  if (state == kStateIdle) {
    std::lock_guard<std::mutex> guard(lock_);
    entryName_.clear();
  }
  FinalNotify(state, code, message);
}

void BaseVpner::ConnectedStep(int32_t routeMode) {
  os::RasConnection connection;
  std::shared_ptr<os::RasEvent> drop;
  {
    std::lock_guard<std::mutex> guard(lock_);
    connection = connection_;
    // A fresh event for every link: one left signalled by an earlier link that nobody watched must
    // not end this one at once.
    dropEvent_ = connection ? std::shared_ptr<os::RasEvent>(seams_.ras->MakeEvent()) : nullptr;
    drop = dropEvent_;
    attemptRouteMode_ = routeMode;
  }
  if (!connection || !reportDrop_.load()) {
    // The user disconnected while the link came up.
    EndAttempt(routeMode, kStateIdle, kCodeDisconnected, L"");
    return;
  }

  SetLocalAddress(std::string());
  if (const std::optional<std::string> address = seams_.ras->LocalAddress(connection)) SetLocalAddress(*address);
  if (routeMode == kRouteScopeChina && seams_.addRoute) seams_.addRoute(true);

  const bool registered = drop && seams_.ras->NotifyOnDisconnection(connection, *drop) == 0;
  {
    // Together with the disconnect worker's look at the flags: either it sees the watcher armed, or
    // this step sees its request.
    std::lock_guard<std::mutex> guard(lock_);
    if (reportDrop_.load()) {
      watcherArmed_.store(registered);
    } else {
      connection = nullptr;
    }
  }
  if (!connection) {
    EndAttempt(routeMode, kStateIdle, kCodeDisconnected, L"");
    return;
  }
  FinalNotify(kStateConnected, kCodeConnected, L"str_connect_ok");
  if (!registered) {
    Log(L"无法监视拨号连接的断开");
    return;
  }
  // The watcher holds its own use of this engine; the connect worker's use keeps it alive until then.
  Use use = Use::Of(this);
  auto held = std::make_shared<Use>(std::move(use));
  if (!held->get() || !StartDetachedWorker([held] { held->get()->WatchDrop(); }, L"DropWatcher")) {
    watcherArmed_.store(false);
    Log(L"开启断线监视线程失败");
  }
}

void BaseVpner::WatchDrop() {
  std::shared_ptr<os::RasEvent> drop;
  int32_t routeMode;
  {
    std::lock_guard<std::mutex> guard(lock_);
    drop = dropEvent_;
    routeMode = attemptRouteMode_;
  }
  if (!drop) return;
  (void)drop->Wait(std::nullopt);
  {
    std::lock_guard<std::mutex> guard(workersLock_);
    if (closing_) return;  // the engine is going away, not the link
  }
  const bool unexpected = reportDrop_.load();
  if (unexpected) HangUp();
  {
    std::lock_guard<std::mutex> guard(lock_);
    if (dropEvent_ == drop) dropEvent_.reset();
  }
  watcherArmed_.store(false);
  if (routeMode == kRouteScopeAbroad && seams_.deleteRoute) {
    (void)seams_.deleteRoute();
    Log(L"已经执行了DeleteRoute");
  }
  {
    std::lock_guard<std::mutex> guard(lock_);
    entryName_.clear();
  }
  if (unexpected) {
    Notify(kStateIdle, kCodeDropped, L"");
  } else {
    Notify(kStateIdle, kCodeDisconnected, L"");
  }
}

void BaseVpner::DisconnectWork() {
  if (State() == kStateConnected) Notify(kStateDisconnecting, kCodeDisconnecting, L"str_disconnecing");
  bool watched;
  {
    std::lock_guard<std::mutex> guard(lock_);
    reportDrop_.store(false);
    watched = watcherArmed_.load();
  }
  CancelDial();
  const bool hadLink = HangUp();
  if (watched || !hadLink) return;  // the watcher, or the connect worker, reports the end
  const int32_t state = State();
  if (state != kStateConnected && state != kStateDisconnecting) return;
  // A link nobody watches: report its end here, or the window would wait for it for ever.
  int32_t routeMode;
  {
    std::lock_guard<std::mutex> guard(lock_);
    routeMode = attemptRouteMode_;
    entryName_.clear();
  }
  RunDeleteRoute(routeMode);
  Notify(kStateIdle, kCodeDisconnected, L"");
}

void BaseVpner::Abandon() {
  // The program leaves with the link still up: the dialling stops and the link is hung up now.
  CancelDial();
  (void)HangUp();
}

void BaseVpner::CancelDial() {
  std::shared_ptr<DialWait> wait;
  {
    std::lock_guard<std::mutex> guard(lock_);
    wait = dialEvent_;
  }
  if (wait) (void)wait->Finish(DialEnd::Cancelled);
}

bool BaseVpner::HangUp() {
  os::RasConnection connection;
  {
    std::lock_guard<std::mutex> guard(lock_);
    connection = std::exchange(connection_, nullptr);
  }
  if (!connection) return false;
  (void)seams_.ras->HangUp(connection);
  // RAS closes the port after RasHangUp returns; dialling again before that fails.
  const auto deadline = std::chrono::steady_clock::now() + seams_.hangUpSettle;
  while (seams_.ras->IsKnown(connection) && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(seams_.hangUpPoll);
  }
  return true;
}

void BaseVpner::DialProgress(uint32_t state, uint32_t error) {
  Use use = Use::Current();
  if (use.get()) use.get()->OnDialProgress(state, error);
}

void BaseVpner::OnDialProgress(uint32_t state, uint32_t error) {
  std::shared_ptr<DialWait> wait;
  {
    std::lock_guard<std::mutex> guard(lock_);
    wait = dialEvent_;
  }
  if (!wait) return;  // no attempt waits: a late report is dropped

  if (error != 0) {
    std::wstring text = L"错误" + std::to_wstring(error) + L"-" + seams_.ras->ErrorString(error);
    if (text.size() > kErrorTextCapacity - 1) text.resize(kErrorTextCapacity - 1);
    (void)wait->Finish(DialEnd::Error, std::move(text));
    return;
  }

  const wchar_t* step = nullptr;
  switch (state) {
    case os::kRasOpenPort: step = L"str_port_opening"; break;
    case os::kRasPortOpened: step = L"str_port_opened"; break;
    case os::kRasConnectDevice: step = L"str_device_connecting"; break;
    case os::kRasDeviceConnected: step = L"str_device_connected"; break;
    case os::kRasAuthenticate: step = L"str_authenticating"; break;
    case os::kRasConnected:
      (void)wait->Finish(DialEnd::Connected);
      return;
    case os::kRasDisconnected:
      (void)wait->Finish(DialEnd::Disconnected);
      return;
    default:
      return;  // RASCS_AllDevicesConnected and the other intermediate states say nothing new
  }
  std::lock_guard<std::mutex> guard(progressLock_);
  if (wait->Open()) Notify(kStateConnecting, kCodeProgress, step);
}

}  // namespace nimbrook
