#include "main_window/connect_flow.h"

#include <ctime>

#include "catalogue/server_entry.h"
#include "core/languages.h"
#include "core/log.h"
#include "core/settings.h"
#include "core/text.h"
#include "core/time_helpers.h"
#include "main_window/main_controller.h"
#include "main_window/main_window_host.h"
#include "main_window/server_rows.h"
#include "toolkit/control.h"
#include "toolkit/notify.h"
#include "toolkit/paint_manager.h"
#include "tunnel/engine_cache.h"
#include "tunnel/protocol.h"

namespace nimbrook {

using namespace toolkit;

namespace {

constexpr wchar_t kIdleImage[] = L"jiasu_btn_conn_1.png";
constexpr wchar_t kConnectingImage[] = L"jiasu_btn_conn_2.png";
constexpr wchar_t kConnectedImage[] = L"jiasu_btn_disc_1.png";

std::wstring TextOrId(const std::wstring& id) {
  std::wstring text = Text(id);
  return text.empty() ? id : text;
}

// The service writes a date ("2024-05-01") or a date with the hour; either is read as a full time.
int64_t ExpiryTime(const std::wstring& expiration) {
  const std::wstring full = expiration + (expiration.size() < 11 ? L" 00:00:00" : L":00:00");
  return ParseDateTime(full);
}

}  // namespace

ConnectFlow::ConnectFlow(CPaintManagerUI& pm, MainWindowController& window, MainWindowHost& host,
                         ConnectFlowContext context)
    : pm_(pm), window_(window), host_(host), context_(std::move(context)) {
  if (!context_.getEngine) context_.getEngine = [](int32_t protocol) { return GetEngine(protocol); };
  if (!context_.now) context_.now = [] { return static_cast<int64_t>(std::time(nullptr)); };
}

bool ConnectFlow::LinkBusy() const {
  Connector* engine = window_.Engine();
  if (engine == nullptr) return false;
  const int32_t state = engine->State();
  return state == kStateConnecting || state == kStateConnected;
}

std::wstring ConnectFlow::PopupParameters() const {
  std::wstring user, password;
  if (context_.settings != nullptr) {
    user = text::FromAnsi(context_.settings->Username());
    password = text::FromAnsi(context_.settings->Password());
  }
  return L"srvid=" + window_.Head().srvid + L";username=" + user + L";password=" + password;
}

// --- the button

void ConnectFlow::OnConnectButton() {
  Connector* engine = window_.Engine();
  if (engine != nullptr && engine->State() == kStateConnected) {
    engine->Disconnect();
    if (CControlUI* button = pm_.FindControl(L"btn_connect")) button->SetEnabled(false);
    window_.ShowError(L"");
    return;
  }
  ServerListView* list = window_.List();
  if (list == nullptr || list->selectedIndex == -1) {
    host_.ShowMessage(L"msg_choose_server");
    return;
  }
  reconnectCount_ = 2;
  autoIndex_ = 0;
  if (!window_.ProtocolPickedByUser()) {
    const auto& offered = window_.OfferedProtocols();
    // A server naming no protocol offers only "AUTO": there is nothing to try.
    if (offered.size() < 2) {
      WriteLog(L"服务器未提供可用的协议");
      host_.ShowMessage(L"msg_no_protocol");
      return;
    }
    autoIndex_ = 2;
    AnnounceProtocol(offered[1]);
    autoActive_ = true;
  }
  Connect(false);
}

void ConnectFlow::AnnounceProtocol(const std::wstring& name) {
  if (CControlUI* menubtn = pm_.FindControl(L"menubtn")) pm_.SendNotify(menubtn, name);
}

void ConnectFlow::Connect(bool reconnect) {
  ServerListView* list = window_.List();
  // A reconnection timer that fires while the program waits to leave connects nothing.
  if (list == nullptr || ExitWaiting()) return;

  if (vipReminderArmed_) {
    const int64_t expiry = ExpiryTime(window_.Head().expiration);
    if (expiry != -1 && HoursBetween(expiry, context_.now()) < 0) {
      host_.ShowNotice(L"expire", PopupParameters(), L"VIP到期提醒");
      return;
    }
  }

  if (!reconnect) list->SetConnectedRow(list->RowAt(list->selectedIndex));
  CControlUI* row = list->ConnectedRow();
  if (row == nullptr) return;
  const std::wstring allow = list->RowText(row, kRowAllow);
  const std::wstring ip = list->RowText(row, kRowIp);
  list->connectedServerName = list->RowText(row, kRowName);

  if (!IsAllowed(allow)) {
    host_.ShowNotice(L"naslist", PopupParameters(), L"VIP线路提醒");
    return;
  }

  list->connectedIndex = list->selectedIndex;
  address_ = text::ToAnsi(ip);
  const int32_t protocol = window_.Protocol();
  const std::wstring port = ResolvePort(list->RowText(row, kRowConnType), ProtocolName(protocol));

  Connector* engine = context_.getEngine(protocol);
  if (engine != nullptr) {
    window_.SetEngine(engine);
    host_.ObserveEngine(*engine);
    (void)SetTarget(window_.RouteMode(), engine, ConnectTarget{protocol, ip, port});
    WriteLog(list->connectedServerName + L" | VPN_TYPE " + std::to_wstring(protocol) + L" | ROUTE_TYPE " +
             std::to_wstring(window_.RouteMode()));
    engine->Connect();
  }

  SetButtonImages(kConnectingImage, true);
  if (CControlUI* button = pm_.FindControl(L"btn_connect")) button->SetEnabled(false);
  if (CControlUI* ping = pm_.FindControl(L"btn_ping")) ping->SetEnabled(false);
  EnableChoices(false);
  window_.SetStatus(L"str_connecting");
  list->Lock(true);

  // Without an engine nothing will ever report: the attempt fails here (and AUTO moves on).
  if (engine == nullptr) {
    WriteLog(L"没有可用的连接引擎: " + ProtocolName(protocol));
    FailedDisplay(TextOrId(L"str_connect_failed"));
  }
}

// --- the engine's notifications

void ConnectFlow::OnNotification(int32_t code, const std::wstring& message) {
  switch (code) {
    case kCodeDisconnected:
      DisconnectedDisplay(false);
      break;
    case kCodeProgress:
    case kCodeDisconnecting:
      window_.SetStatus(message);
      break;
    case kCodeFailed:
      FailedDisplay(TextOrId(message));
      break;
    case kCodeConnected:
      if (window_.Engine() != nullptr) ConnectedDisplay();
      break;
    case kCodeDropped:
      DisconnectedDisplay(true);
      break;
    default:
      break;
  }
}

void ConnectFlow::FailedDisplay(const std::wstring& text) {
  if (ServerListView* list = window_.List()) list->Lock(false);
  SetButtonImages(kIdleImage, false);
  if (CControlUI* button = pm_.FindControl(L"btn_connect")) button->SetEnabled(true);
  EnableChoices(true);
  EnablePingWhenIdle();

  window_.ShowError(text);
  window_.SetStatus(L"str_un_connected");
  host_.SetTrayIcon(kTrayIconIdle);
  if (ServerListView* list = window_.List()) list->connectedServerName.clear();

  if (window_.ProtocolPickedByUser() || !autoActive_) return;
  const auto& offered = window_.OfferedProtocols();
  if (autoIndex_ >= static_cast<int>(offered.size())) {
    autoIndex_ = 0;
    autoActive_ = false;
    return;
  }
  AnnounceProtocol(offered[static_cast<size_t>(autoIndex_++)]);
  Connect(false);
}

void ConnectFlow::ConnectedDisplay() {
  SetButtonImages(kConnectedImage, false);
  if (CControlUI* button = pm_.FindControl(L"btn_connect")) button->SetEnabled(true);
  host_.SetTrayIcon(kTrayIconConnected);
  window_.SetStatus(L"str_connect_ok");

  const ServerListView* list = window_.List();
  WriteLog(L"已连接: " + (list != nullptr ? list->connectedServerName : std::wstring()));
  const bool hide = context_.settings != nullptr && context_.settings->IsHide();
  host_.Balloon(Text(L"str_connect_ok") + L"[" + (list != nullptr ? list->currentNodeName : std::wstring()) + L"]",
                hide, false);

  reconnectCount_ = 0;
  autoIndex_ = 0;
  autoActive_ = false;
  if (context_.settings != nullptr) context_.settings->SetUserChoosedProtocol(text::ToAnsi(window_.ProtocolName()));
}

void ConnectFlow::DisconnectedDisplay(bool dropped) {
  ServerListView* list = window_.List();
  if (list != nullptr) list->Lock(false);
  EnablePingWhenIdle();
  window_.SetStatus(L"str_un_connected");
  const std::wstring server = list != nullptr ? list->connectedServerName : std::wstring();
  WriteLog((dropped ? L"连接中断: " : L"已断开: ") + server);
  if (list != nullptr) list->connectedServerName.clear();
  SetButtonImages(kIdleImage, false);
  if (CControlUI* button = pm_.FindControl(L"btn_connect")) button->SetEnabled(true);
  EnableChoices(true);

  if (dropped && !ExitWaiting() && context_.settings != nullptr && context_.settings->IsReconn()) {
    const int old = reconnectCount_++;
    CControlUI* button = pm_.FindControl(L"btn_connect");
    if (old <= 1 && button != nullptr) (void)pm_.SetTimer(button, kReconnectTimerId, kReconnectDelayMs);
  }
  host_.SetTrayIcon(kTrayIconIdle);
  if (dropped) host_.Balloon(Text(L"str_connect_break"), false, false);

  if (!dropped && !window_.ProtocolPickedByUser()) {
    if (autoActive_) {
      autoIndex_ = 0;
      autoActive_ = false;
    }
    if (CControlUI* settingBtn = pm_.FindControl(L"settingBtn")) pm_.SendNotify(settingBtn, L"AUTO", 0, 0, true);
  }
}

void ConnectFlow::SetButtonImages(const wchar_t* file, bool allSame) {
  CControlUI* button = pm_.FindControl(L"btn_connect");
  if (button == nullptr) return;
  const std::wstring base = L"file='" + std::wstring(file) + L"' source='";
  if (allSame) {
    const std::wstring image = base + L"0,28,85,56'";
    button->SetAttribute(L"normalimage", image);
    button->SetAttribute(L"hotimage", image);
    button->SetAttribute(L"pushedimage", image);
    return;
  }
  button->SetAttribute(L"normalimage", base + L"0,0,85,28'");
  button->SetAttribute(L"hotimage", base + L"0,28,85,56'");
  button->SetAttribute(L"pushedimage", base + L"0,56,85,83'");
}

void ConnectFlow::EnableChoices(bool enable) {
  for (const wchar_t* name : {L"btnProtocol", L"curtype", L"curmode", L"btnRoute"}) {
    if (CControlUI* control = pm_.FindControl(name)) control->SetEnabled(enable);
  }
}

void ConnectFlow::EnablePingWhenIdle() {
  if (window_.DelayPassRunning()) return;
  if (CControlUI* ping = pm_.FindControl(L"btn_ping")) ping->SetEnabled(true);
}

// --- leaving

void ConnectFlow::RequestExit() {
  if (ExitWaiting()) return;  // already on the way out
  host_.ShowMainWindow();
  const bool busy = LinkBusy();
  if (!host_.AskOkCancel(busy ? L"msg_node_linked" : L"msg_sure_exit")) return;
  // The box is modal: the link may have changed while it was open.
  if (!LinkBusy()) {
    host_.Quit();
    return;
  }
  autoActive_ = false;
  window_.Engine()->Disconnect();
  if (CControlUI* button = pm_.FindControl(L"btn_connect")) button->SetEnabled(false);
  exitLooks_ = 0;
  if (!host_.SetWindowTimer(kExitWaitTimerId, kExitWaitIntervalMs)) OnExitWaitTimer();
}

void ConnectFlow::OnExitWaitTimer() {
  if (!ExitWaiting()) return;
  Connector* engine = window_.Engine();
  const bool stillUp = engine != nullptr && engine->State() == kStateConnected;
  if (stillUp && ++exitLooks_ < kExitWaitLooks) return;
  host_.KillWindowTimer(kExitWaitTimerId);
  if (stillUp) {
    WriteLog(L"连接未能及时断开, 强制结束");
    engine->Abandon();
  }
  host_.Quit();
}

}  // namespace nimbrook
