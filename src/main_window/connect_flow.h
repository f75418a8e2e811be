// The main window's side of a connection: the connect button, the checks before an attempt (VIP
// expiry, the server's permission), AUTO tried protocol by protocol, the calls into the engine, the
// display of each engine notification, the automatic reconnection after a drop, and the exit request
// that waits for the link to go down. It acts on the controls of "main.xml" by name and asks the
// window for pop-ups, the tray icon and timers, so native tests drive it against a fake engine.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "tunnel/connector.h"

namespace nimbrook {

class MainWindowController;
class MainWindowHost;
class Settings;
namespace toolkit {
class CControlUI;
class CPaintManagerUI;
}  // namespace toolkit

// Tray icon resources: not connected, connected.
inline constexpr int kTrayIconIdle = 127;
inline constexpr int kTrayIconConnected = 129;
// The reconnection after a drop waits this long (timer kReconnectTimerId on btn_connect).
inline constexpr uint32_t kReconnectDelayMs = 3000;
// The exit sequence looks at the link this often while it waits for it to go down...
inline constexpr uint32_t kExitWaitTimerId = 1039;
inline constexpr uint32_t kExitWaitIntervalMs = 1500;
// ...and gives up after this many looks (about 20 seconds): the engine's child processes and link
// are ended and the program leaves.
inline constexpr int kExitWaitLooks = 14;

struct ConnectFlowContext {
  Settings* settings = nullptr;                    // reconn, hide, the credentials, the chosen protocol
  std::function<Connector*(int32_t)> getEngine;    // the engine cache's GetEngine by default
  std::function<int64_t()> now;                    // seconds since 1970; the system clock by default
};

class ConnectFlow {
 public:
  ConnectFlow(toolkit::CPaintManagerUI& pm, MainWindowController& window, MainWindowHost& host,
              ConnectFlowContext context);

  // A click on btn_connect or a double click on a row.
  void OnConnectButton();
  // Starts a connection to the selected server, or with reconnect to the previous one.
  void Connect(bool reconnect);
  // An engine notification (message 0x2251), on the UI thread.
  void OnNotification(int32_t code, const std::wstring& message);

  // The close button, WM_CLOSE and the tray menu: asks, disconnects, waits for the link, quits.
  void RequestExit();
  // Timer kExitWaitTimerId.
  void OnExitWaitTimer();

  // The account's subscription ends within three days (the notices set it): a connection is refused
  // with the expiry pop-up once the end has passed.
  void ArmVipReminder() { vipReminderArmed_ = true; }

  int ReconnectCount() const { return reconnectCount_; }
  int AutoAttemptIndex() const { return autoIndex_; }
  bool AutoAttemptActive() const { return autoActive_; }
  bool ExitWaiting() const { return exitLooks_ >= 0; }
  const std::string& ConnectionAddress() const { return address_; }
  // "srvid=...;username=...;password=..." for the service's pop-up pages.
  std::wstring PopupParameters() const;

 private:
  void FailedDisplay(const std::wstring& text);
  void ConnectedDisplay();
  void DisconnectedDisplay(bool dropped);
  void SetButtonImages(const wchar_t* file, bool allSame);
  void EnableChoices(bool enable);
  void EnablePingWhenIdle();
  void AnnounceProtocol(const std::wstring& name);
  bool LinkBusy() const;

  toolkit::CPaintManagerUI& pm_;
  MainWindowController& window_;
  MainWindowHost& host_;
  ConnectFlowContext context_;

  int reconnectCount_ = 0;
  int autoIndex_ = 0;
  bool autoActive_ = false;
  bool vipReminderArmed_ = false;
  std::string address_;
  int exitLooks_ = -1;  // looks at the link during the exit wait; -1 while not waiting
};

}  // namespace nimbrook
