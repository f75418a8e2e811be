#include "main_window/nimbrook_frame.h"

#include <ctime>

#include "account/descriptor.h"
#include "account/login_service.h"
#include "core/languages.h"
#include "core/log.h"
#include "core/paths.h"
#include "core/settings.h"
#include "core/system_facts.h"
#include "core/text.h"
#include "core/time_helpers.h"
#include "notices/notice_rules.h"
#include "os/shell.h"
#include "os/small_thread.h"
#include "settings_window/setting_frame.h"
#include "toolkit/control.h"
#include "toolkit/option.h"
#include "ui/about_frame.h"
#include "ui/menu_wnd.h"
#include "ui/pop_box.h"
#include "ui/pop_wnd.h"
#include "ui/protocol_wnd.h"
#include "ui/route_wnd.h"

namespace nimbrook {

using namespace toolkit;

namespace {

constexpr int kWindowIconId = 16;
constexpr uintptr_t kScMinimize = 0xF020;
constexpr unsigned kWmSysCommandMsg = 0x0112;
// Shows the message boxes asked for while the window was being set up.
constexpr unsigned kMsgShowPendingMessages = kWmApp + 0x51;
// Starts the delay pass that the window's set-up asked for.
constexpr unsigned kMsgStartDelayPass = kWmApp + 0x52;
// Window timers: the balloon's clean-up; the pause before the notice pop-up.
constexpr uint32_t kBalloonTimerId = 1030;
constexpr uint32_t kBalloonTimerMs = 6000;
constexpr uint32_t kNoticeTimerId = 1040;
constexpr uint32_t kNoticeDelayMs = 5000;

// Where a click means the window's own control rather than a drag of the window.
const std::vector<std::wstring> kClientClasses = {L"ButtonUI", L"OptionUI", L"TextUI"};

}  // namespace

CNimbrookFrame::CNimbrookFrame(MainWindowContext context)
    : controller_(std::make_unique<MainWindowController>(m_pm, static_cast<MainWindowHost&>(*this), context)),
      context_(std::move(context)) {}

CNimbrookFrame::~CNimbrookFrame() = default;

CNimbrookFrame* CNimbrookFrame::Open(MainWindowContext context) {
  auto* frame = new CNimbrookFrame(std::move(context));
  // A failed creation has delivered the final message, which deleted the frame.
  if (frame->Create(nullptr, Text(L"main_title"), kWsPopup | kWsMinimizeBox | kWsSysMenu, kWsExAppWindow) ==
      nullptr) {
    WriteLog(L"主窗口创建失败");
    return nullptr;
  }
  frame->CenterWindow();
  return frame;
}

void CNimbrookFrame::OnStateChanged(StateSubject* subject) {
  // Engine workers wait here until the UI thread has taken the notification.
  (void)SendToWindow(GetHWND(), kMsgConnectionNotice, 0, reinterpret_cast<intptr_t>(subject));
}

void CNimbrookFrame::PostRefreshedAnswer(const std::wstring& answer) {
  {
    std::lock_guard<std::mutex> lock(answerLock_);
    refreshedAnswer_ = answer;
  }
  (void)PostMessage(kMsgRefreshedAnswer);
}

intptr_t CNimbrookFrame::OnCreate() {
  SetWindowIconFromResource(GetHWND(), kWindowIconId);
  const bool built = StandardCreate(*this, kMainLayout, &builderCallback_, this);
  (void)m_pm.AddPreMessageFilter(this);
  if (!built) WriteLog(L"主窗口布局无法加载: main.xml");

  background_ = std::make_unique<CIrregularWindow>();
  background_->SetOwner(GetHWND());
  if (background_->Create()) {
    (void)background_->SetBackground(Paths().programDir + L"skin\\quell.dll");
  }

  (void)controller_->Bind();
  CreateTrayIcon();
  for (const wchar_t* name : {L"mainLoginWeb", L"miniUserCenter", L"payweb", L"creditweb", L"navweb"}) {
    if (auto* pane = dynamic_cast<CWebBrowserUI*>(m_pm.FindControl(name))) pane->SetWebBrowserEventHandler(this);
  }
  // Workers capture the window handle only: a late one finds no window and delivers nothing.
  const WindowHandle window = GetHWND();
  controller_->SetDelayDelivery([window](PingJob& job) {
    (void)SendToWindow(window, kMsgDelayResult, 0, reinterpret_cast<intptr_t>(&job));
  });
  return 0;
}

intptr_t CNimbrookFrame::HandleMessage(unsigned msg, uintptr_t wParam, intptr_t lParam) {
  intptr_t result = 0;
  switch (msg) {
    case kWmCreate:
      return OnCreate();
    case kWmDestroy:
      // Nothing reaches the window after this: the engines stop notifying it, late delay workers
      // deliver nothing.
      for (Connector* engine : observed_) (void)engine->Detach(this);
      observed_.clear();
      controller_->Close();
      KillWindowTimer(kBalloonTimerId);
      KillWindowTimer(kExitWaitTimerId);
      KillWindowTimer(kNoticeTimerId);
      tray_.Remove();
      if (background_) background_->Show(false);
      PostQuitToLoop(0);
      break;
    case kWmMove:
      if (backgroundReady_) PlaceBackground();
      break;
    case kWmNcCalcSize:
    case kWmNcPaint:
      return 0;
    case kWmNcActivate:
      return (!IsMinimized() && wParam == 0) ? 1 : 0;
    case kWmNcHitTest:
      return MainHitTest(lParam);
    case kWmClose:
      // A close that the exit request let through ends the window; any other asks first.
      if (exitGranted_) break;
      controller_->Connection().RequestExit();
      return 0;
    case kMsgDelayResult:
      if (lParam != 0) controller_->OnDelayResult(*reinterpret_cast<const PingJob*>(lParam));
      return 0;
    case kMsgConnectionNotice:
      if (lParam != 0) {
        auto* subject = reinterpret_cast<StateSubject*>(lParam);
        controller_->Connection().OnNotification(subject->Code(), subject->Message());
      }
      return 0;
    case kTrayCallbackMessage:
      OnTrayCallback(lParam);
      return 0;
    case kWmTimer:
      if (wParam == kBalloonTimerId) {
        // Not stopped: each firing clears again whatever balloon is up.
        tray_.ShowBalloon(Text(L"nimbrookjsq"), L"");
        return 0;
      }
      if (wParam == kExitWaitTimerId) {
        controller_->Connection().OnExitWaitTimer();
        return 0;
      }
      if (wParam == kNoticeTimerId) {
        KillWindowTimer(kNoticeTimerId);
        ShowPendingNotice();
        return 0;
      }
      break;
    case kMsgOpenPayPage:
      if (auto* option = dynamic_cast<COptionUI*>(m_pm.FindControl(L"optPay"))) option->Selected(true);
      controller_->OpenPayPage();
      return 0;
    case kMsgStartDelayPass:
      controller_->StartDelayPass();
      return 0;
    case kMsgShowPendingMessages: {
      std::vector<std::wstring> ids;
      ids.swap(pendingMessages_);
      for (const auto& id : ids) (void)CPopBox::Show(GetHWND(), kPopBoxOk, Text(id));
      return 0;
    }
    case kMsgRefreshedAnswer: {
      std::wstring answer;
      {
        std::lock_guard<std::mutex> lock(answerLock_);
        answer.swap(refreshedAnswer_);
      }
      if (!answer.empty()) controller_->OnRefreshedAnswer(answer);
      return 0;
    }
    default:
      // Explorer has restarted: the shell has forgotten the icon.
      if (msg != 0 && msg == TaskbarCreatedMessage()) (void)tray_.Restore();
      break;
  }
  if (OfferToPaintManager(msg, wParam, lParam, result)) return result;
  return CWindowWnd::HandleMessage(msg, wParam, lParam);
}

int CNimbrookFrame::MainHitTest(intptr_t lParam) {
  double scale = GetDpiScale();
  if (scale <= 0) scale = 1.0;
  const UiPoint device = ScreenToClient({PointXFromLParam(lParam), PointYFromLParam(lParam)});
  const UiPoint pt{static_cast<int>(device.x / scale), static_cast<int>(device.y / scale)};
  switch (m_pm.HitTestFrame(pt, IsMaximized(), kClientClasses)) {
    case FrameHit::Caption: return kHtCaption;
    case FrameHit::Left: return kHtLeft;
    case FrameHit::Right: return kHtRight;
    case FrameHit::Top: return kHtTop;
    case FrameHit::TopLeft: return kHtTopLeft;
    case FrameHit::TopRight: return kHtTopRight;
    case FrameHit::Bottom: return kHtBottom;
    case FrameHit::BottomLeft: return kHtBottomLeft;
    case FrameHit::BottomRight: return kHtBottomRight;
    case FrameHit::Client: break;
  }
  return kHtClient;
}

void CNimbrookFrame::Notify(TNotifyUI& msg) {
  const bool init = msg.sType == notify::kWindowInit;
  if (init) backgroundReady_ = true;
  controller_->Notify(msg);
  if (init) StartNotices();
}

intptr_t CNimbrookFrame::MessageHandler(unsigned, uintptr_t, intptr_t, bool&) { return 0; }

CControlUI* CNimbrookFrame::CreateControl(const std::wstring&) { return nullptr; }

void CNimbrookFrame::NewWindow3(const std::wstring& url, bool& cancel) {
  cancel = true;
  controller_->OnNewWindow(url);
}

void CNimbrookFrame::OnFinalMessage(WindowHandle) {
  if (onFinal_) onFinal_();
  delete this;
}

// --- what the controller asks of the window

UiRect CNimbrookFrame::ScreenRectOf(CControlUI& control) {
  const double scale = DpiScale();
  const UiRect pos = control.GetPos();
  const UiPoint topLeft = ClientToScreen({static_cast<int>(pos.left * scale), static_cast<int>(pos.top * scale)});
  return {topLeft.x, topLeft.y, topLeft.x + static_cast<int>(pos.Width() * scale),
          topLeft.y + static_cast<int>(pos.Height() * scale)};
}

double CNimbrookFrame::DpiScale() {
  const double scale = GetDpiScale();
  return scale > 0 ? scale : 1.0;
}

void CNimbrookFrame::OpenProtocolPicker(CControlUI& owner, UiPoint screen, const std::wstring& current,
                                        const std::vector<std::wstring>& offered) {
  if (!CProtocolWnd::Popup(&owner, screen, current, offered)) WriteLog(L"协议选择窗口无法打开");
}

void CNimbrookFrame::OpenRoutePicker(CControlUI& owner, UiPoint screen) {
  if (!CRouteWnd::Popup(&owner, screen)) WriteLog(L"路由选择窗口无法打开");
}

void CNimbrookFrame::OpenMainMenu(CControlUI& owner, UiPoint point) {
  const double scale = DpiScale();
  const UiPoint screen = ClientToScreen({static_cast<int>(point.x * scale), static_cast<int>(point.y * scale)});
  if (!CMenuWnd::Popup(&owner, screen)) WriteLog(L"菜单无法打开");
}

void CNimbrookFrame::ShowAfterLogin() {
  ShowWindow(true, true);
  Balloon(Text(L"start"), false, true);
  SetTrayIcon(kTrayIconIdle);
}

void CNimbrookFrame::ApplyLanguage() {
  controller_->ApplyLanguage();
  RenewTrayTexts();
}

// --- the notification-area icon

void CNimbrookFrame::CreateTrayIcon() {
  RenewTrayTexts();
  if (!tray_.Add(GetHWND(), kTrayIconIdle, Text(L"nimbrookjsq"))) WriteLog(L"托盘图标无法创建");
}

void CNimbrookFrame::RenewTrayTexts() { tray_.SetMenuTexts(Text(L"showmain"), Text(L"setting"), Text(L"exitnimbrook")); }

void CNimbrookFrame::OnTrayCallback(intptr_t mouseMessage) {
  if (mouseMessage == kTrayLeftDoubleClick) {
    ShowMainWindow();
    return;
  }
  if (mouseMessage != kTrayRightButtonDown) return;
  switch (tray_.RunMenu()) {
    case kTrayCommandExit: controller_->Connection().RequestExit(); break;
    case kTrayCommandShowMain: ShowMainWindow(); break;
    case kTrayCommandSetting: ShowSettings(); break;
    default: break;
  }
}

void CNimbrookFrame::SetTrayIcon(int resource) { tray_.SetIcon(resource); }

void CNimbrookFrame::Balloon(const std::wstring& text, bool hide, bool leaveWindows) {
  tray_.ShowBalloon(Text(L"nimbrookjsq"), text);
  (void)SetWindowTimer(kBalloonTimerId, kBalloonTimerMs);
  if (leaveWindows) return;
  if (hide) {
    ShowWindow(false, false);
    if (background_) background_->Show(false);
  } else {
    ShowWindow(true, false);
    if (background_) background_->Show(true);
  }
}

void CNimbrookFrame::ShowMainWindow() {
  ShowWindow(true, true);
  if (background_) background_->Show(true);
  BringWindowToFront(GetHWND());
}

// --- the connect flow's needs

void CNimbrookFrame::ShowNotice(const std::wstring& page, const std::wstring& parameters, const std::wstring& title) {
  const std::wstring base = context_.profile != nullptr ? ReadLoginLinks(*context_.profile).notifyURL : std::wstring();
  auto* pop = new CPopWnd(title, NoticeAddress(base, page, parameters));
  if (pop->ShowOn(GetHWND()) == kModalFailed) WriteLog(L"提示窗口无法打开: " + title);
}

bool CNimbrookFrame::AskOkCancel(const std::wstring& textId) {
  // A box that cannot be shown counts as "cancel".
  return CPopBox::Show(GetHWND(), kPopBoxOkCancel, Text(textId)) == kIdOk;
}

void CNimbrookFrame::ObserveEngine(Connector& engine) {
  if (engine.Attach(this)) observed_.insert(&engine);
}

bool CNimbrookFrame::SetWindowTimer(uint32_t id, uint32_t elapseMs) { return StartWindowTimer(GetHWND(), id, elapseMs); }

void CNimbrookFrame::KillWindowTimer(uint32_t id) { StopWindowTimer(GetHWND(), id); }

void CNimbrookFrame::CloseWithoutAsking() { Quit(); }

void CNimbrookFrame::Quit() {
  tray_.Remove();
  exitGranted_ = true;
  Close(kIdOk);
}

// --- the notice pop-up

void CNimbrookFrame::StartNotices() {
  if (noticeStarted_ || context_.settings == nullptr || context_.profile == nullptr) return;
  noticeStarted_ = true;
  Settings& settings = *context_.settings;
  NoticeInputs in;
  in.notice = ReadNoticeSection(*context_.profile, Paths().configDir + L"version.ini");
  in.accountType = controller_->Head().srvtype;
  in.expiration = controller_->Head().expiration;
  in.user = settings.Username();
  in.adsMark = settings.AdsNotifyDate();
  in.freeMark = settings.FreeNotifyDate();
  in.vipMark = settings.VipNotifyDate();
  in.today = Today();
  in.now = static_cast<int64_t>(std::time(nullptr));
  const NoticeDecision decision = ChooseNotice(in);
  if (decision.expiringSoon) controller_->Connection().ArmVipReminder();
  if (!decision.show) return;
  // Shown from this thread once the window has been up a while, never from a worker: the toolkit's
  // windows and caches belong to the UI thread.
  pendingNotice_ = *decision.show;
  if (!SetWindowTimer(kNoticeTimerId, kNoticeDelayMs)) ShowPendingNotice();
}

void CNimbrookFrame::ShowPendingNotice() {
  if (!pendingNotice_ || context_.settings == nullptr) return;
  const NoticeChoice choice = *pendingNotice_;
  pendingNotice_.reset();
  Settings& settings = *context_.settings;
  const std::wstring parameters = L"srvid=" + controller_->Head().srvid + L";username=" +
                                  text::FromAnsi(settings.Username()) + L";password=" +
                                  text::FromAnsi(settings.Password()) + L";expire=" + controller_->Head().expiration;
  ShowNotice(choice.page, parameters, choice.title);
  bool stored = false;
  switch (choice.kind) {
    case NoticeKind::Ads: stored = settings.SetAdsNotifyDate(choice.mark); break;
    case NoticeKind::Free: stored = settings.SetFreeNotifyDate(choice.mark); break;
    case NoticeKind::Vip: stored = settings.SetVipNotifyDate(choice.mark); break;
  }
  if (!stored) WriteLog(L"提示记录无法保存");
}

void CNimbrookFrame::ShowSettings() {
  // Modal on this window; a language chosen there renews this window's texts at its "ok".
  Settings& settings = context_.settings != nullptr ? *context_.settings : ClientSettings();
  (void)CSettingFrame::Show(GetHWND(), SettingContext::ForProcess(settings), [this] {
    ApplyLanguage();
    StartAccountReload();
  });
}

void CNimbrookFrame::StartAccountReload() {
  // The account's texts come in the new language: the answer reaches the window as 0x402.
  std::shared_ptr<LoginService> login = context_.login;
  if (!login) return;
  if (!os::StartDetachedThread([login] { (void)login->ReloadAccount(); }, 256 * 1024)) {
    WriteLog(L"开启ReloadAccount线程失败");
  }
}

void CNimbrookFrame::ShowAbout() { (void)CAboutFrame::Show(GetHWND()); }

void CNimbrookFrame::Minimise(bool hide) {
  if (hide) {
    ShowWindow(false, false);
    if (background_) background_->Show(false);
    return;
  }
  (void)SendMessage(kWmSysCommandMsg, kScMinimize, 0);
}

void CNimbrookFrame::OpenInBrowser(const std::wstring& url) { (void)nimbrook::OpenInBrowser(url); }

void CNimbrookFrame::OpenWithShell(const std::wstring& url) {
  // Pages only: the shell would start a program or open a file for any other text a page names.
  if (!IsWebAddress(url)) {
    WriteLog(L"不是网页地址, 未打开: " + url);
    return;
  }
  if (!os::SystemShell().OpenWithDefaultProgram(url)) WriteLog(L"网页无法打开: " + url);
}

void CNimbrookFrame::ShowMessage(const std::wstring& textId) {
  // Not from inside the handler that asks (the first paint, for a missing descriptor): a modal loop
  // there would run before the window is up. The box follows as soon as the window is idle.
  pendingMessages_.push_back(textId);
  if (pendingMessages_.size() == 1) (void)PostMessage(kMsgShowPendingMessages);
}

void CNimbrookFrame::PlaceBackground() {
  backgroundReady_ = true;
  if (background_ && background_->GetHWND() != nullptr) background_->PlaceBehind(GetHWND());
}

void CNimbrookFrame::StartDelayPassSoon() { (void)PostMessage(kMsgStartDelayPass); }


}  // namespace nimbrook
