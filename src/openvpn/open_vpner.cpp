// The OpenVPN engine: connect and disconnect workers, the console loop, the stop procedure and the
// end of an attempt.
#include "openvpn/open_vpner.h"

#include <thread>
#include <utility>

#include "core/file_io.h"
#include "core/log.h"
#include "core/paths.h"
#include "core/settings.h"
#include "openvpn/tap_adapter.h"
#include "openvpn_config/client_config.h"
#include "routes/launcher.h"
#include "routes/route_table.h"
#include "tunnel/engine_instance.h"
#include "tunnel/worker.h"

namespace nimbrook {
namespace {

EngineInstance<OpenVpner>& InstancePointer() {
  static EngineInstance<OpenVpner> instance;
  return instance;
}

int64_t NowMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

OpenVpner::Tools WithDefaults(OpenVpner::Tools tools) {
  if (!tools.writeConfig) tools.writeConfig = [](const Connector& engine) { return WriteClientConfig(engine); };
  if (!tools.credentials) {
    tools.credentials = [] {
      const Settings& settings = ClientSettings();
      return TunnelCredentials{settings.Username(), settings.Password()};
    };
  }
  if (!tools.checkTapAdapter) tools.checkTapAdapter = [](OpenVpner& engine) { CheckTapAdapter(engine); };
  return tools;
}

}  // namespace

std::wstring OpenVpnCommandLine(const std::wstring& executable) {
  return executable + L"  --config client.ovpn --service nimbrookjsq_exit_event 0";
}

std::string AuthAnswer(const std::string& value) {
  return value.substr(0, kAuthAnswerSize - 2) + "\r\n";
}

OpenVpner::OpenVpner() : OpenVpner(Tools{}) {}

OpenVpner::OpenVpner(Tools tools) : tools_(WithDefaults(std::move(tools))) { InstancePointer().Select(this); }

OpenVpner::~OpenVpner() {
  // A running attempt ends below: its last notification reaches nobody.
  StopNotifying();
  InstancePointer().Release(this);
  // Engines are destroyed at shutdown, after the window has waited for the link to go down. Should
  // an attempt still run, its child is asked to end and its worker gets a bounded time to finish
  // with this object.
  if (attemptRunning_ || workers_ > 0) {
    RequestStop();
    (void)os::SignalNamedEvent(kExitEventName);
    const auto deadline = std::chrono::steady_clock::now() + 2 * tools_.stopGrace + std::chrono::seconds(5);
    while ((attemptRunning_ || workers_ > 0) && std::chrono::steady_clock::now() < deadline) {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
  }
}

OpenVpner* OpenVpner::Instance() { return InstancePointer().Get(); }

void OpenVpner::Select() { InstancePointer().Select(this); }

void OpenVpner::Connect() {
  bool expected = false;
  if (!attemptRunning_.compare_exchange_strong(expected, true)) {
    WriteLog(L"OpenVPN连接仍在进行，忽略新的连接请求");
    return;
  }
  const bool started = StartDetachedWorker(
      [] {
        OpenVpner* engine = Instance();
        if (engine == nullptr) {
          WriteLog(L"s_pInstance 为Null");
          return;
        }
        engine->ConnectWork();
      },
      L"OpenVPN ConnectThread");
  if (!started) {
    attemptRunning_ = false;
    WriteLog(L"开启ConnectThread线程失败");
  }
}

void OpenVpner::Disconnect() {
  if (!StartDetachedWorker(
          [] {
            if (OpenVpner* engine = Instance()) engine->DisconnectWork();
          },
          L"OpenVPN DisconnectThread")) {
    WriteLog(L"开启DisconnectThread线程失败");
  }
}

void OpenVpner::SetTapResult(bool ready, const std::string& adapterId) {
  std::lock_guard<std::mutex> guard(fieldLock_);
  tapReady_ = ready;
  adapterId_ = adapterId;
}

bool OpenVpner::TapReady() const {
  std::lock_guard<std::mutex> guard(fieldLock_);
  return tapReady_;
}

std::string OpenVpner::AdapterId() const {
  std::lock_guard<std::mutex> guard(fieldLock_);
  return adapterId_;
}

std::string OpenVpner::TunnelAdapterId() const {
  std::lock_guard<std::mutex> guard(fieldLock_);
  return tunnelAdapterId_;
}

std::string OpenVpner::RunFlag() const {
  std::lock_guard<std::mutex> guard(fieldLock_);
  return runFlag_;
}

int32_t OpenVpner::InactivityCount() const {
  std::lock_guard<std::mutex> guard(fieldLock_);
  return inactivityCount_;
}

std::wstring OpenVpner::LogPath() const {
  return tools_.logFile.empty() ? JoinPath(Paths().programDir, kOpenVpnLogName) : tools_.logFile;
}

void OpenVpner::ConnectWork() {
  // Connect may be bypassed (tests, a worker run directly): the flag is set here too.
  attemptRunning_ = true;
  ++workers_;
  uint64_t endedBefore;
  {
    // The exit event is held for the whole attempt, so a disconnect that arrives before OpenVPN has
    // opened it still reaches the child: it finds the event already set when it starts.
    std::lock_guard<std::mutex> guard(fieldLock_);
    exitEvent_ = os::NamedEvent::Create(kExitEventName);
    exitEvent_.Reset();  // a set event left by an earlier child would end the new one at once
    endedBefore = attemptsEnded_;
  }
  ClearStopRequest();
  // A step that ends the worker by an exception must not leave the engine refusing every later
  // Connect. An attempt that ended normally is not touched again: the next one may already run.
  struct Guard {
    OpenVpner& engine;
    uint64_t endedBefore;
    ~Guard() {
      {
        std::lock_guard<std::mutex> guard(engine.fieldLock_);
        if (engine.attemptsEnded_ == endedBefore) engine.EndAttemptLocked();
      }
      --engine.workers_;  // the last touch of the engine
    }
  } guard{*this, endedBefore};

  tools_.checkTapAdapter(*this);
  if (RunFlag() == "false") {
    // The user cancelled during the adapter check: the attempt ends as a disconnect, with nothing
    // started.
    FinalNotify(kStateIdle, kCodeDisconnected, L"");
    WriteLog(L"OVPN手动断开");
  } else if (!TapReady()) {
    FinalNotify(kStateFailed, kCodeFailed, L"str_tap_failed");
  } else {
    Notify(kStateConnecting, kCodeProgress, L"str_connecting");
    if (!StartOpenVpn()) FinalNotify(kStateFailed, kCodeFailed, L"str_connect_failed");
  }
}

void OpenVpner::EndAttemptLocked() {
  exitEvent_.Close();
  runFlag_.clear();
  inactivityCount_ = 0;
  ClearStopRequest();
  attemptRunning_ = false;
  ++attemptsEnded_;
}

void OpenVpner::FinalNotify(int32_t state, int32_t code, const std::wstring& message) {
  std::lock_guard<std::mutex> ending(endLock_);
  FinalNotifyEnding(state, code, message);
}

void OpenVpner::FinalNotifyEnding(int32_t state, int32_t code, const std::wstring& message) {
  {
    std::lock_guard<std::mutex> guard(fieldLock_);
    EndAttemptLocked();
  }
  Notify(state, code, message);
}

bool OpenVpner::StartOpenVpn() {
  const int32_t routeMode = RouteMode();
  if (routeMode == kRouteScopeAbroad) AddRoute(false);
  // The routes just added must not outlive an attempt that never started its child.
  const auto setUpFailed = [routeMode] {
    if (routeMode == kRouteScopeAbroad) (void)DeleteRoute();
    return false;
  };

  if (!tools_.writeConfig(*this)) return setUpFailed();

  if (RunFlag() == "false") {
    // The user cancelled while the attempt was being prepared: nothing to start, it ends here.
    EndHandling();
    return true;
  }

  LaunchRequest request;
  request.fileName = kOpenVpnExe;
  request.commandLine = OpenVpnCommandLine();
  request.subDir = kOpenVpnSubDir;
  request.pipeInput = true;
  request.pipeOutput = true;
  LaunchResult child = LaunchInDirectory(request);
  if (!child.started() || !child.input || !child.output) {
    if (child.started()) child.process->Terminate();
    if (!child.pipeFailed) WriteLog(L"创建进程出错");
    return setUpFailed();
  }
  {
    std::lock_guard<std::mutex> guard(fieldLock_);
    inactivityCount_ = 0;
  }

  const TunnelCredentials credentials = tools_.credentials();
  StartLog();
  ConsoleLoop(child, credentials);

  // The child has ended (or closed its output and was then ended): make sure it is gone before the
  // attempt is reported over.
  if (!child.process->WaitForExit(std::chrono::milliseconds(0))) {
    if (abandoned_ || !child.process->WaitForExit(tools_.stopGrace)) child.process->Terminate();
  }
  child.input.reset();
  child.output.reset();
  EndHandling();
  return true;
}

void OpenVpner::ConsoleLoop(os::StartedChild& child, const TunnelCredentials& credentials) {
  const std::string usernameAnswer = AuthAnswer(credentials.username);
  const std::string passwordAnswer = AuthAnswer(credentials.password);
  ConsoleContext context;
  context.routeMode = RouteMode();
  std::string chunk;
  while (true) {
    if (stopRequested_ && (abandoned_ || NowMs() - stopRequestedAt_ > tools_.stopGrace.count()) &&
        !child.process->WaitForExit(std::chrono::milliseconds(0))) {
      WriteLog(L"OpenVPN未响应退出事件，强制结束进程");
      child.process->Terminate();
      ClearStopRequest();
    }
    const os::PeekResult peek = child.output->Peek(kConsoleChunkSize);
    if (!peek.ok) break;
    if (peek.bytes.empty()) {
      // A child that has ended has written everything it will: when nothing is waiting it is over,
      // even if another process still holds the pipe's other end.
      if (child.process->WaitForExit(std::chrono::milliseconds(0))) {
        const os::PeekResult last = child.output->Peek(kConsoleChunkSize);
        if (!last.ok || last.bytes.empty()) break;
        continue;
      }
      std::this_thread::sleep_for(tools_.pollInterval);
      continue;
    }
    if (!child.output->Read(kConsoleChunkSize, chunk)) break;
    context.inactivityCount = InactivityCount();
    HandleChunk(chunk, child.input.get(), usernameAnswer, passwordAnswer, context);
  }
}

void OpenVpner::HandleChunk(const std::string& chunk, os::ChildInput* input, const std::string& usernameAnswer,
                            const std::string& passwordAnswer, ConsoleContext& context) {
  const ChunkAnalysis analysis = AnalyseChunk(chunk, context);
  context.carry = NextCarry(context.carry, chunk);
  switch (analysis.kind) {
    case ChunkKind::UsernamePrompt:
      (void)input->Write(usernameAnswer);
      return;
    case ChunkKind::PasswordPrompt:
      (void)input->Write(passwordAnswer);
      input->Close();
      return;
    case ChunkKind::Output:
      break;
  }
  {
    std::lock_guard<std::mutex> guard(fieldLock_);
    inactivityCount_ = analysis.inactivityCount;
  }
  if (analysis.tunnelUp) {
    if (analysis.addChinaRoute) AddRoute(true);
    // The flag is set before the window hears of the tunnel: a disconnect the user sends the moment
    // the window shows "connected" must not be overwritten with "true" and then end as a drop.
    // A disconnect that came first keeps its "false".
    {
      std::lock_guard<std::mutex> guard(fieldLock_);
      if (runFlag_ != "false") runFlag_ = "true";
    }
    Notify(kStateConnected, kCodeConnected, L"str_connect_ok");
  } else if (analysis.stop) {
    StopProcedure();
  }
  AppendLog(chunk);
  if (analysis.tunnelAdapterId) {
    std::lock_guard<std::mutex> guard(fieldLock_);
    tunnelAdapterId_ = *analysis.tunnelAdapterId;
  }
}

void OpenVpner::StopProcedure() {
  {
    // Checked and sent together with the attempt's end: an attempt that is over says nothing more.
    std::lock_guard<std::mutex> ending(endLock_);
    if (!attemptRunning_) return;
    if (RunFlag() == "false") Notify(kStateDisconnecting, kCodeDisconnecting, L"str_disconnecing");
  }
  RequestStop();
  (void)os::SignalNamedEvent(kExitEventName);
}

void OpenVpner::RequestStop() {
  // The time is written before the flag: the console loop, seeing the flag, always reads this
  // request's time, never an earlier attempt's (which would end the child at once).
  if (stopRequested_.load()) return;
  stopRequestedAt_ = NowMs();
  stopRequested_ = true;
}

void OpenVpner::ClearStopRequest() {
  stopRequested_ = false;
  stopRequestedAt_ = 0;
}

void OpenVpner::Abandon() {
  // The program leaves with the link still up: the child is ended without its grace time.
  abandoned_ = true;
  RequestStop();
  (void)os::SignalNamedEvent(kExitEventName);
}

void OpenVpner::DisconnectWork() {
  {
    // Only an attempt in progress has anything to stop; a disconnect after the end would otherwise
    // leave the engine "disconnecting" with nothing to end it, and a "false" left behind would end
    // the next attempt before it starts. The end of an attempt clears both under this lock.
    std::lock_guard<std::mutex> guard(fieldLock_);
    if (!attemptRunning_) return;
    runFlag_ = "false";
  }
  StopProcedure();
}

void OpenVpner::EndHandling() {
  if (RouteMode() == kRouteScopeAbroad) (void)DeleteRoute();
  const wchar_t* line;
  {
    // Decided and sent under the end lock: a disconnect arriving now either counts or finds the
    // attempt over.
    std::lock_guard<std::mutex> ending(endLock_);
    const std::string runFlag = RunFlag();
    const int32_t state = State();
    if (runFlag == "false" && (state == kStateConnected || state == kStateDisconnecting)) {
      FinalNotifyEnding(kStateIdle, kCodeDisconnected, L"");
      line = L"OVPN手动断开";
    } else if (runFlag == "true") {
      FinalNotifyEnding(kStateIdle, kCodeDropped, L"");
      line = L"OVPN异常断开";
    } else {
      FinalNotifyEnding(kStateFailed, kCodeFailed, L"str_connect_failed");
      line = L"OVPN连接失败";
    }
  }
  WriteLog(line);
}

void OpenVpner::StartLog() {
  // The head keeps its terminating zero byte, as the file has always begun.
  (void)WriteFileBytes(LogPath(), std::string(kOpenVpnLogHead, sizeof kOpenVpnLogHead));
}

void OpenVpner::AppendLog(const std::string& chunk) {
  if (FileHandle file = OpenFile(LogPath(), "ab")) std::fwrite(chunk.data(), 1, chunk.size(), file.get());
}

}  // namespace nimbrook
