#include "main_window/main_controller.h"

#include <array>
#include <functional>
#include <map>

#include "account/login_service.h"
#include "catalogue/server_entry.h"
#include "core/languages.h"
#include "core/log.h"
#include "core/settings.h"
#include "core/text.h"
#include "toolkit/container.h"
#include "toolkit/list.h"
#include "toolkit/option.h"
#include "toolkit/tab_layout.h"
#include "toolkit/web_browser.h"
#include "tunnel/protocol.h"

namespace nimbrook {

using namespace toolkit;

namespace {

// Language ids of the protocol display (by protocol number) and the route display (by route mode).
constexpr std::array<const wchar_t*, 9> kProtocolDisplay = {
    L"PPTP", L"L2TP", L"OVPN-UDP", L"OVPN-TCP", L"OVPN-UDP+", L"OVPN-TCP+", L"IPSEC", L"SSTP", L"NULL"};
constexpr std::array<const wchar_t*, 5> kRouteDisplay = {L"route_ipscope", L"route_ipscope", L"route_global",
                                                         L"route_domain", L"NULL"};

// Controls whose text is the language text of their own name.
constexpr std::array<const wchar_t*, 19> kSelfNamedTexts = {
    L"main_title", L"version",     L"allopt",          L"freeopt",       L"americaopt",   L"japopt",
    L"hkopt",      L"Taiwanopt",   L"Europeopt",       L"Chinaopt",      L"Koreaopt",     L"server_header",
    L"desc_header", L"delay_header", L"usagerate_header", L"conntype_lab", L"connmode_lab", L"curnode_lab",
    L"status_lab"};

constexpr wchar_t kChina[] = L"中国";

bool Contains(const std::wstring& text, const wchar_t* part) { return text.find(part) != std::wstring::npos; }

bool IsRouteItem(const std::wstring& type) {
  return type == kRouteItemIpScope || type == kRouteItemGlobal || type == kRouteItemDomain;
}

bool IsProtocolItem(const std::wstring& type) { return type == L"AUTO" || ProtocolFromName(type).has_value(); }

bool IsAreaOption(const std::wstring& name) { return AreaCodeOfOption(name) != kNoAreaCode; }

template <typename T>
T* Find(CPaintManagerUI& pm, const wchar_t* name, std::vector<std::wstring>& missing) {
  CControlUI* control = pm.FindControl(name);
  T* typed = dynamic_cast<T*>(control);
  if (typed == nullptr) missing.emplace_back(name);
  return typed;
}

std::wstring TextOrId(const std::wstring& id) {
  std::wstring text = Text(id);
  return text.empty() ? id : text;
}

}  // namespace

std::vector<std::wstring> MainWindowControlNames() {
  return {L"switch",  L"optPay",    L"optCredit",   L"optNav",      L"settingBtn",     L"menubtn",
          L"minbtn",  L"closebtn",  L"btn_connect", L"btnProtocol", L"btnRoute",       L"curtype",
          L"curmode", L"btn_ping",  L"vpnstate",    L"curnode",     L"serverlist",     L"error_padding",
          L"error_layout", L"err_lab", L"mainLoginWeb", L"miniUserCenter", L"payweb", L"creditweb",
          L"navweb",  L"conn"};
}

MainWindowController::MainWindowController(CPaintManagerUI& pm, MainWindowHost& host, MainWindowContext context)
    : pm_(pm), host_(host), context_(std::move(context)), protocol_(kProtocolAuto) {
  answer_ = context_.loginAnswer;
  connect_ = std::make_unique<ConnectFlow>(pm_, *this, host_,
                                           ConnectFlowContext{context_.settings, context_.getEngine, context_.now});
  if (context_.settings != nullptr) protocolName_ = text::FromAnsi(context_.settings->UserChoosedProtocol());
}

MainWindowController::~MainWindowController() { Close(); }

std::vector<std::wstring> MainWindowController::Bind() {
  std::vector<std::wstring> missing;
  switch_ = Find<CTabLayoutUI>(pm_, L"switch", missing);
  Find<CControlUI>(pm_, L"optPay", missing);
  Find<CControlUI>(pm_, L"optCredit", missing);
  Find<CControlUI>(pm_, L"optNav", missing);
  settingBtn_ = Find<CControlUI>(pm_, L"settingBtn", missing);
  menubtn_ = Find<CControlUI>(pm_, L"menubtn", missing);
  Find<CControlUI>(pm_, L"minbtn", missing);
  Find<CControlUI>(pm_, L"closebtn", missing);
  btnConnect_ = Find<CControlUI>(pm_, L"btn_connect", missing);
  btnProtocol_ = Find<CControlUI>(pm_, L"btnProtocol", missing);
  btnRoute_ = Find<CControlUI>(pm_, L"btnRoute", missing);
  curtype_ = Find<CControlUI>(pm_, L"curtype", missing);
  curmode_ = Find<CControlUI>(pm_, L"curmode", missing);
  btnPing_ = Find<CControlUI>(pm_, L"btn_ping", missing);
  vpnstate_ = Find<CControlUI>(pm_, L"vpnstate", missing);
  CControlUI* curnode = Find<CControlUI>(pm_, L"curnode", missing);
  serverlist_ = Find<CListUI>(pm_, L"serverlist", missing);
  errorPadding_ = Find<CControlUI>(pm_, L"error_padding", missing);
  errorLayout_ = Find<CControlUI>(pm_, L"error_layout", missing);
  errLab_ = Find<CControlUI>(pm_, L"err_lab", missing);
  mainLoginWeb_ = Find<CWebBrowserUI>(pm_, L"mainLoginWeb", missing);
  miniUserCenter_ = Find<CWebBrowserUI>(pm_, L"miniUserCenter", missing);
  payweb_ = Find<CWebBrowserUI>(pm_, L"payweb", missing);
  creditweb_ = Find<CWebBrowserUI>(pm_, L"creditweb", missing);
  navweb_ = Find<CWebBrowserUI>(pm_, L"navweb", missing);
  auto* conn = Find<CContainerUI>(pm_, L"conn", missing);
  if (serverlist_ != nullptr) {
    list_ = std::make_unique<ServerListView>(*serverlist_, curnode, conn, [this] { return IsBusy(); });
    list_->ShowCurrentNode(Text(L"str_no"));
  }
  for (const auto& name : missing) WriteLog(L"主窗口布局缺少控件: " + name);
  return missing;
}

void MainWindowController::SetDelayDelivery(DelayPass::Deliver deliver) {
  if (delayPass_) delayPass_->Close();
  delayPass_ = DelayPass::Create(context_.delaySeams, std::move(deliver));
}

bool MainWindowController::IsBusy() const {
  if (engine_ == nullptr) return false;
  const int32_t state = engine_->State();
  return state == kStateConnecting || state == kStateConnected;
}

void MainWindowController::Close() {
  if (delayPass_) delayPass_->Close();
}

// --- notifications

void MainWindowController::Notify(TNotifyUI& msg) {
  CControlUI* sender = msg.pSender;
  const std::wstring& type = msg.sType;
  const std::wstring name = sender != nullptr ? sender->GetName() : std::wstring();

  if (type == notify::kWindowInit) {
    OnWindowInit();
    return;
  }
  if (type == notify::kTimer) {
    if (sender != nullptr && sender == btnConnect_ && msg.wParam == kReconnectTimerId) {
      pm_.KillTimer(btnConnect_, kReconnectTimerId);
      connect_->Connect(true);
      return;
    }
    auto* pane = dynamic_cast<CWebBrowserUI*>(sender);
    auto pending = pane != nullptr ? pendingPanes_.find(pane) : pendingPanes_.end();
    if (pending != pendingPanes_.end() && msg.wParam == kPaneNavigateTimerId) {
      pm_.KillTimer(pane, kPaneNavigateTimerId);
      const std::wstring url = pending->second;
      pendingPanes_.erase(pending);
      (void)pane->Navigate(url);
    }
    return;
  }
  if (type == notify::kItemDbClick) {
    if (engine_ == nullptr || engine_->State() != kStateConnecting) connect_->OnConnectButton();
    return;
  }
  if (type == notify::kHeaderClick) {
    if (list_ && sender != nullptr) list_->Sort(*sender);
    return;
  }
  if (type == notify::kSelectChanged) {
    if (name == L"optJiasu" && switch_ != nullptr) switch_->SelectItem(0);
    return;
  }
  if (type == notify::kClick) {
    if (name == L"optPay") host_.OpenInBrowser(links_.payURL);
    else if (name == L"optCredit") host_.OpenInBrowser(links_.creditURL);
    else if (name == L"main_telephone") host_.OpenInBrowser(links_.qqURL);
    else if (name == L"optNav") host_.OpenInBrowser(links_.helpURL);
    else if (name == L"logo_url") host_.OpenInBrowser(context_.siteAddress);
    else if ((name == L"btnProtocol" || name == L"curtype") && btnProtocol_ != nullptr) {
      const UiRect anchor = host_.ScreenRectOf(*btnProtocol_);
      const UiRect below = host_.ScreenRectOf(*sender);
      const int offset = static_cast<int>(101 * host_.DpiScale());
      host_.OpenProtocolPicker(*sender, {anchor.right - offset, below.bottom}, protocolName_, offered_);
    } else if ((name == L"btnRoute" || name == L"curmode") && btnRoute_ != nullptr) {
      const UiRect anchor = host_.ScreenRectOf(*btnRoute_);
      const UiRect below = host_.ScreenRectOf(*sender);
      const int offset = static_cast<int>(101 * host_.DpiScale());
      host_.OpenRoutePicker(*sender, {anchor.right - offset, below.bottom});
    } else if (name == L"settingBtn") host_.ShowSettings();
    else if (name == L"menubtn") host_.OpenMainMenu(*sender, msg.ptMouse);
    else if (name == L"closebtn") connect_->RequestExit();
    else if (name == L"minbtn") host_.Minimise(engine_ != nullptr && engine_->State() == kStateConnected);
    else if (name == L"btn_connect") connect_->OnConnectButton();
    else if (name == L"btn_ping") StartDelayPass();
    else if (IsAreaOption(name) && list_) {
      const auto outcome = list_->ClickAreaOption(name, FirstRowForAll());
      if (outcome == ServerListView::AreaClick::EmptyList) ShowEmptyChoice();
    }
    return;
  }
  if (IsProtocolItem(type)) {
    OnProtocolChosen(type, sender);
    return;
  }
  if (IsRouteItem(type)) {
    OnRouteChosen(type);
    return;
  }
  if (type == L"menu_Setting") host_.ShowSettings();
  else if (type == L"menu_Home") host_.OpenWithShell(context_.siteAddress);
  else if (type == L"menu_Help") host_.OpenWithShell(links_.helpURL);
  else if (type == L"menu_Navigater") host_.OpenWithShell(links_.navURL);
  else if (type == L"menu_About") host_.ShowAbout();
  else if (type == notify::kItemSelect && sender == serverlist_ && sender != nullptr) OnRowSelected();
}

void MainWindowController::OnWindowInit() {
  LoadPanes();
  ApplyLanguage();
  RebuildCatalogue(answer_);
  ClickCurrentAreaOption();
  backgroundReady_ = true;
  host_.PlaceBackground();

  BuildRows();
  if (list_ == nullptr || list_->RowCount() == 0) {
    if (!IsBusy()) {
      if (list_) list_->ShowCurrentNode(Text(L"str_no"));
      ShowEmptyChoice();
    }
  } else if (!IsBusy()) {
    list_->SelectRow(FirstRowForAll(), true);
  }
  // The pass starts right after the first paint; the button is unavailable from now on.
  EnablePing(false);
  host_.StartDelayPassSoon();
}

// --- web panes

std::wstring MainWindowController::CredentialToken() const {
  return context_.login ? text::FromAnsi(context_.login->EncodeCredentials()) : std::wstring();
}

void MainWindowController::LoadPanes() {
  if (context_.profile != nullptr) {
    (void)ReadMainLinks(*context_.profile, links_, [this](const std::wstring& id) { host_.ShowMessage(id); });
  }
  NavigatePane(mainLoginWeb_, links_.myURL);
  NavigatePane(miniUserCenter_, links_.newURL);
}

void MainWindowController::NavigatePane(CWebBrowserUI* pane, const std::wstring& link) {
  if (pane == nullptr) return;
  const std::wstring url = link + L"&p=" + CredentialToken();
  (void)pane->Navigate(L"about:blank");
  (void)pane->Navigate(url);
  pane->SetUserData(url);
  // The address goes to the log without the credential token.
  WriteLog(L"网页 " + pane->GetName() + L": " + link);
}

void MainWindowController::OpenPaneDelayed(int page, CWebBrowserUI* pane, const std::wstring& link) {
  if (switch_ != nullptr) switch_->SelectItem(page);
  if (pane == nullptr) return;
  (void)pane->Navigate(L"about:blank");
  // The page follows the blank one after a pause, without holding up the window meanwhile.
  pendingPanes_[pane] = link + L"&p=" + CredentialToken();
  if (!pm_.SetTimer(pane, kPaneNavigateTimerId, kPaneNavigateDelayMs)) {
    const std::wstring url = pendingPanes_[pane];
    pendingPanes_.erase(pane);
    (void)pane->Navigate(url);
  }
}

void MainWindowController::OpenPayPage() { OpenPaneDelayed(1, payweb_, links_.payURL); }

void MainWindowController::OpenCreditPage() { OpenPaneDelayed(2, creditweb_, links_.creditURL); }

void MainWindowController::OnNewWindow(const std::wstring& target) {
  if (target == L"inline:pay") {
    if (auto* option = dynamic_cast<COptionUI*>(pm_.FindControl(L"optPay"))) option->Selected(true);
    OpenPayPage();
  } else if (target == L"inline:credit") {
    if (auto* option = dynamic_cast<COptionUI*>(pm_.FindControl(L"optCredit"))) option->Selected(true);
    OpenCreditPage();
  } else {
    host_.OpenWithShell(target);
  }
}

// --- catalogue and rows

void MainWindowController::RebuildCatalogue(const std::wstring& answer) {
  const SplitAnswer split = SplitLoginAnswer(answer);
  head_ = ReadAccountHead(split.head);
  catalogue_.Rebuild(split.naslist);
}

void MainWindowController::BuildRows() {
  if (!list_) return;
  // A delay measured for an address stays true for the row of the same address in the new list;
  // results of rows that are gone are dropped with them.
  std::map<std::wstring, DelayResult, std::less<>> byAddress;
  for (const auto& [id, result] : keptDelays_) {
    if (CControlUI* row = list_->RowById(id)) byAddress[list_->RowText(row, L"serv_ip")] = result;
  }
  keptDelays_.clear();
  list_->RemoveAllRows();
  const std::wstring timeout = Text(L"str_ping_timeout");
  for (const ServerEntry& entry : catalogue_.Entries()) {
    const RowId id = list_->AddRow(entry);
    auto kept = byAddress.find(entry.ip);
    if (kept == byAddress.end()) continue;
    keptDelays_[id] = kept->second;
    if (CControlUI* row = list_->RowById(id)) list_->SetDelayText(row, DelayText(kept->second, timeout));
  }
  WriteLog(L"服务器列表: " + std::to_wstring(list_->RowCount()));
}

void MainWindowController::ClickCurrentAreaOption() {
  if (!list_) return;
  if (CControlUI* option = pm_.FindControl(list_->currentAreaOption)) pm_.SendNotify(option, notify::kClick);
}

int MainWindowController::FirstRowForAll() const {
  return head_.srvid == L"11" ? static_cast<int>(catalogue_.Groups().Group(kAreaFree).size()) : 0;
}

void MainWindowController::ShowEmptyChoice() {
  protocol_ = kProtocolAuto;
  ShowProtocolDisplay(protocol_);
  routeMode_ = kRouteUnset;
  ShowRouteDisplay();
}

void MainWindowController::OnRefreshedAnswer(const std::wstring& answer) {
  answer_ = answer;
  RebuildCatalogue(answer_);
  // The list is refilled here too: the filter and the delay pass that follow work on its rows.
  BuildRows();
  ClickCurrentAreaOption();
  StartDelayPass();
  ShowCurrentNodeAfterRefresh();
  ShowProtocolDisplay(protocol_);
  ShowRouteDisplay();
}

void MainWindowController::ShowCurrentNodeAfterRefresh() {
  if (!list_) return;
  const int index = IsBusy() ? list_->connectedIndex : list_->selectedIndex;
  CControlUI* row = index >= 0 ? list_->RowAt(index) : nullptr;
  list_->ShowCurrentNode(row != nullptr ? list_->RowText(row, L"serv_name") : Text(L"str_no"));
}

// --- protocol and route

void MainWindowController::OnRowSelected() {
  if (!list_) return;
  CControlUI* row = list_->OnItemSelect();
  if (row == nullptr) return;
  offered_ = nimbrook::OfferedProtocols(list_->RowText(row, L"conn_type"), context_.windowsMajor);
  const std::wstring announce = ChooseProtocol(offered_, protocolName_);
  // Posted, as the picker does, so the choice is settled after this notification is done.
  if (settingBtn_ != nullptr) pm_.SendNotify(settingBtn_, announce, 0, 0, true);
  UpdateRouteForArea(list_->selectedArea);
}

void MainWindowController::OnProtocolChosen(const std::wstring& name, CControlUI* sender) {
  if (IsBusy()) return;
  const bool fromSettingBtn = sender != nullptr && sender == settingBtn_;
  const bool fromMenuBtn = sender != nullptr && sender == menubtn_;
  if (name == L"AUTO") {
    protocolPicked_ = false;
    if (!fromSettingBtn) protocolName_ = L"AUTO";
    if (curtype_ != nullptr) curtype_->SetText(TextOrId(L"AUTO"));
    return;
  }
  const auto number = ProtocolFromName(name);
  if (!number || !IsConcreteProtocol(*number)) return;
  if (!fromSettingBtn && !fromMenuBtn) {
    protocolName_ = name;
    protocolPicked_ = true;
  }
  protocol_ = *number;
  if (curtype_ != nullptr) {
    curtype_->SetText(fromMenuBtn ? TextOrId(name) + L"(" + TextOrId(L"AUTO2") + L")" : TextOrId(name));
  }
}

void MainWindowController::OnRouteChosen(const std::wstring& item) {
  if (IsBusy()) return;
  const std::wstring area = list_ ? list_->selectedArea : std::wstring();
  if (item == kRouteItemIpScope) {
    if (!area.empty()) routePickArea_ = area;
    routeMode_ = routePick_ = Contains(area, kChina) ? kRouteScopeChina : kRouteScopeAbroad;
  } else {
    routeMode_ = routePick_ = item == kRouteItemGlobal ? kRouteGlobal : kRouteDomain;
    if (!area.empty()) routePickArea_ = area;
  }
  ShowRouteDisplay();
}

void MainWindowController::UpdateRouteForArea(const std::wstring& area) {
  if (Contains(area, kChina)) {
    if (routePick_ != kRouteScopeChina) routeMode_ = kRouteGlobal;
  } else {
    const bool keepGlobal =
        !routePickArea_.empty() && routePick_ == kRouteGlobal && !Contains(routePickArea_, kChina);
    if (!keepGlobal) routeMode_ = kRouteScopeAbroad;
  }
  ShowRouteDisplay();
}

void MainWindowController::ShowProtocolDisplay(int32_t protocol) {
  if (curtype_ == nullptr || protocol < 0 || protocol >= static_cast<int32_t>(kProtocolDisplay.size())) return;
  curtype_->SetText(TextOrId(kProtocolDisplay[protocol]));
}

void MainWindowController::ShowRouteDisplay() {
  if (curmode_ == nullptr || routeMode_ < 0 || routeMode_ >= static_cast<int32_t>(kRouteDisplay.size())) return;
  curmode_->SetText(TextOrId(kRouteDisplay[routeMode_]));
}

// --- status, error, language

void MainWindowController::SetStatus(const std::wstring& textId) {
  statusId_ = textId;
  if (vpnstate_ != nullptr) vpnstate_->SetText(TextOrId(textId));
}

void MainWindowController::ShowError(const std::wstring& text) {
  const bool show = !text.empty();
  if (errorPadding_ != nullptr) errorPadding_->SetVisible(show);
  if (errorLayout_ != nullptr) errorLayout_->SetVisible(show);
  if (errLab_ != nullptr) errLab_->SetText(text);
  if (show) WriteLog(text);
}

void MainWindowController::ApplyLanguage() {
  for (const wchar_t* id : kSelfNamedTexts) {
    if (CControlUI* control = pm_.FindControl(id)) control->SetText(Text(id));
  }
  // The page tabs, the support link and the latency button of this layout are named the same way.
  for (const wchar_t* id : {L"optJiasu", L"optPay", L"optCredit", L"optNav", L"main_telephone", L"btn_ping"}) {
    if (CControlUI* control = pm_.FindControl(id)) control->SetText(Text(id));
  }
  if (CControlUI* line = pm_.FindControl(L"line")) line->SetText(Text(L"line_lab"));
  if (btnProtocol_ != nullptr) btnProtocol_->SetToolTip(Text(L"btnProtocol_tip"));
  if (btnRoute_ != nullptr) btnRoute_->SetToolTip(Text(L"btnRoute_tip"));
  if (list_ && list_->RowCount() == 0) list_->ShowCurrentNode(Text(L"str_no"));
  SetStatus(statusId_);
}

// --- delay measurement

void MainWindowController::EnablePing(bool enable) {
  if (btnPing_ != nullptr) btnPing_->SetEnabled(enable);
}

void MainWindowController::StartDelayPass() {
  EnablePing(false);
  if (!list_) return;
  const std::wstring timeout = Text(L"str_ping_timeout");
  if (IsBusy()) {
    // No echo while a connection is made or held: the kept results are shown again.
    for (const auto& [id, result] : keptDelays_) {
      if (CControlUI* row = list_->RowById(id)) list_->SetDelayText(row, DelayText(result, timeout));
    }
    return;
  }
  std::vector<std::pair<RowId, std::string>> rows;
  rows.reserve(static_cast<size_t>(list_->RowCount()));
  for (int i = 0; i < list_->RowCount(); ++i) {
    CControlUI* row = list_->RowAt(i);
    rows.emplace_back(list_->IdOf(row), text::ToAnsi(list_->RowText(row, L"serv_ip")));
  }
  // A pass with nothing to measure (or no way to measure) ends at once: the button comes back.
  if (rows.empty() || !delayPass_ || delayPass_->IsClosed()) {
    if (!DelayPassRunning()) EnablePing(true);
    return;
  }
  (void)delayPass_->Start(rows);
}

void MainWindowController::OnDelayResult(const PingJob& job) {
  if (!delayPass_ || delayPass_->IsClosed()) return;
  const bool last = delayPass_->Reported();
  if (list_) {
    if (CControlUI* row = list_->RowById(job.row)) {
      list_->SetDelayText(row, DelayText(job.result, Text(L"str_ping_timeout")));
      keptDelays_[job.row] = job.result;
    }
  }
  if (last) LogDelayPassEnd();
  if (last && !IsBusy()) EnablePing(true);
}

// One line per pass for the operator: how many rows show a delay or a time-out text.
void MainWindowController::LogDelayPassEnd() const {
  if (!list_) return;
  int shown = 0;
  for (int i = 0; i < list_->RowCount(); ++i) {
    if (!list_->RowText(list_->RowAt(i), L"serv_delay").empty()) ++shown;
  }
  WriteLog(L"延迟测试结束: " + std::to_wstring(shown) + L"/" + std::to_wstring(list_->RowCount()));
}

const DelayResult* MainWindowController::KeptDelay(RowId row) const {
  auto it = keptDelays_.find(row);
  return it == keptDelays_.end() ? nullptr : &it->second;
}

bool MainWindowController::DelayPassRunning() const { return delayPass_ && delayPass_->Outstanding() > 0; }

}  // namespace nimbrook
