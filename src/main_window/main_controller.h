// The main window's decisions, apart from the Win32 window: what "windowinit", every notification,
// a delay result and a refreshed login answer change in the controls of "main.xml"; the protocol
// and route choice; the status and error display; the language texts; the web panes' addresses.
// It acts on the toolkit's control model by name, so native tests drive it with notifications.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "account/descriptor.h"
#include "catalogue/catalogue.h"
#include "catalogue/login_answer.h"
#include "delay/delay_pass.h"
#include "main_window/connect_flow.h"
#include "main_window/main_window_host.h"
#include "main_window/server_list_view.h"
#include "toolkit/notify.h"
#include "toolkit/paint_manager.h"
#include "tunnel/connector.h"

namespace nimbrook {

class LoginService;
class Settings;
namespace os {
class ProfileFiles;
}
namespace toolkit {
class CListUI;
class CTabLayoutUI;
class CWebBrowserUI;
}  // namespace toolkit

inline constexpr unsigned kMsgDelayResult = 7025;         // a worker's delay result, sent
inline constexpr unsigned kMsgConnectionNotice = 0x2251;  // an engine notification, sent
inline constexpr unsigned kMsgOpenPayPage = 0x2252;       // a notice pop-up's pay link, sent
inline constexpr unsigned kMsgRefreshedAnswer = 0x402;    // the account reload stored an answer, posted

// Timers on controls: the reconnection timer on btn_connect, and the pause between "about:blank"
// and a pay or credit page (the panes are reloaded from a clean page).
inline constexpr uint32_t kReconnectTimerId = 2;
inline constexpr uint32_t kPaneNavigateTimerId = 7;
inline constexpr uint32_t kPaneNavigateDelayMs = 100;

// What the main window is given by the client's composition.
struct MainWindowContext {
  Settings* settings = nullptr;            // the chosen protocol (UserChoosedProtocol)
  os::ProfileFiles* profile = nullptr;     // "version.ini" links
  std::shared_ptr<LoginService> login;     // the credential token
  std::wstring loginAnswer;                // the accepted login answer
  std::wstring siteAddress;                // the account site
  int windowsMajor = 6;                    // which protocols a server offers here
  DelayPass::Seams delaySeams;             // echo, name resolution and threads of the delay pass
  std::function<Connector*(int32_t)> getEngine;  // the engine cache by default
  std::function<int64_t()> now;                  // seconds since 1970; the system clock by default
};

// The controls the window looks up once; a layout without one of them fails in a test.
std::vector<std::wstring> MainWindowControlNames();

class MainWindowController {
 public:
  MainWindowController(toolkit::CPaintManagerUI& pm, MainWindowHost& host, MainWindowContext context);
  ~MainWindowController();
  MainWindowController(const MainWindowController&) = delete;
  MainWindowController& operator=(const MainWindowController&) = delete;

  // Looks the controls up; the names of those the layout lacks (empty when complete). A controller
  // with missing controls still runs: the missing ones are skipped.
  std::vector<std::wstring> Bind();
  // Hands every finished delay job to the UI thread synchronously (the window's message 7025).
  void SetDelayDelivery(DelayPass::Deliver deliver);

  // The toolkit notifications of the window.
  void Notify(toolkit::TNotifyUI& msg);
  // Message 7025 on the UI thread: one finished job.
  void OnDelayResult(const PingJob& job);
  // Message 0x402: the account reload's new answer.
  void OnRefreshedAnswer(const std::wstring& answer);
  // Before the window goes: late delay workers deliver nothing any more.
  void Close();

  void SetStatus(const std::wstring& textId);
  void ShowError(const std::wstring& text);
  void ApplyLanguage();
  void StartDelayPass();
  void OpenPayPage();
  void OpenCreditPage();
  // A link of a web pane that would open a new window: never in a window of its own.
  void OnNewWindow(const std::wstring& target);

  // The connect flow: the button, the engine's notifications, reconnection and the exit request.
  ConnectFlow& Connection() { return *connect_; }

  // The engine of the current connection (the connect flow sets it); null before the first one.
  void SetEngine(Connector* engine) { engine_ = engine; }
  Connector* Engine() const { return engine_; }
  // A connection is being made or held (engine state 1 or 3).
  bool IsBusy() const;

  // State the connect flow and the tests read.
  int32_t Protocol() const { return protocol_; }
  const std::wstring& ProtocolName() const { return protocolName_; }
  bool ProtocolPickedByUser() const { return protocolPicked_; }
  const std::vector<std::wstring>& OfferedProtocols() const { return offered_; }
  int32_t RouteMode() const { return routeMode_; }
  const std::wstring& StatusId() const { return statusId_; }
  const AccountHead& Head() const { return head_; }
  const Catalogue& Servers() const { return catalogue_; }
  const MainLinks& Links() const { return links_; }
  ServerListView* List() { return list_.get(); }
  // The kept delay result of a row (null when none).
  const DelayResult* KeptDelay(RowId row) const;
  bool DelayPassRunning() const;

 private:
  void OnWindowInit();
  void LoadPanes();
  void NavigatePane(toolkit::CWebBrowserUI* pane, const std::wstring& link);
  void OpenPaneDelayed(int page, toolkit::CWebBrowserUI* pane, const std::wstring& link);
  void RebuildCatalogue(const std::wstring& answer);
  void BuildRows();
  void LogDelayPassEnd() const;
  void ClickCurrentAreaOption();
  void ShowEmptyChoice();
  int FirstRowForAll() const;
  void OnRowSelected();
  void OnProtocolChosen(const std::wstring& name, toolkit::CControlUI* sender);
  void OnRouteChosen(const std::wstring& item);
  void UpdateRouteForArea(const std::wstring& area);
  void ShowProtocolDisplay(int32_t protocol);
  void ShowRouteDisplay();
  void ShowCurrentNodeAfterRefresh();
  std::wstring CredentialToken() const;
  void EnablePing(bool enable);

  toolkit::CPaintManagerUI& pm_;
  MainWindowHost& host_;
  MainWindowContext context_;

  // Controls looked up at creation (null when the layout lacks one).
  toolkit::CTabLayoutUI* switch_ = nullptr;
  toolkit::CControlUI* settingBtn_ = nullptr;
  toolkit::CControlUI* menubtn_ = nullptr;
  toolkit::CControlUI* btnConnect_ = nullptr;
  toolkit::CControlUI* btnProtocol_ = nullptr;
  toolkit::CControlUI* btnRoute_ = nullptr;
  toolkit::CControlUI* curtype_ = nullptr;
  toolkit::CControlUI* curmode_ = nullptr;
  toolkit::CControlUI* btnPing_ = nullptr;
  toolkit::CControlUI* vpnstate_ = nullptr;
  toolkit::CControlUI* errorPadding_ = nullptr;
  toolkit::CControlUI* errorLayout_ = nullptr;
  toolkit::CControlUI* errLab_ = nullptr;
  toolkit::CListUI* serverlist_ = nullptr;
  toolkit::CWebBrowserUI* mainLoginWeb_ = nullptr;
  toolkit::CWebBrowserUI* miniUserCenter_ = nullptr;
  toolkit::CWebBrowserUI* payweb_ = nullptr;
  toolkit::CWebBrowserUI* creditweb_ = nullptr;
  toolkit::CWebBrowserUI* navweb_ = nullptr;
  std::unique_ptr<ServerListView> list_;
  std::unique_ptr<ConnectFlow> connect_;

  std::wstring answer_;
  AccountHead head_;
  Catalogue catalogue_;
  MainLinks links_;

  int32_t protocol_;
  std::wstring protocolName_;
  bool protocolPicked_ = false;
  std::vector<std::wstring> offered_;
  int32_t routeMode_ = 0;
  int32_t routePick_ = 0;
  std::wstring routePickArea_;
  std::wstring statusId_ = L"str_un_connected";
  Connector* engine_ = nullptr;
  bool backgroundReady_ = false;

  std::shared_ptr<DelayPass> delayPass_;
  DelayPass::Deliver deliver_;
  std::map<RowId, DelayResult> keptDelays_;
  // The page waiting for its pane's navigation timer.
  std::map<toolkit::CWebBrowserUI*, std::wstring> pendingPanes_;
};

}  // namespace nimbrook
