// The Win32 host: real windows (hidden) with a paint manager. Messages become the model's input in
// logical pixels, the layout's Window size is applied, notifications queue through the wake message,
// timers fire, the native EDIT follows the model both ways, modal loops end with the close code,
// and a browser that cannot be created leaves an empty pane and a log line.
#include <windows.h>
#include <ole2.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/log.h"
#include "core/text.h"
#include "toolkit/controls.h"
#include "toolkit/dialog_builder.h"
#include "toolkit/paint_manager.h"
#include "toolkit/window_wnd.h"

namespace nimbrook::toolkit {
namespace {

class HostWindow : public CWindowWnd, public INotifyUI {
 public:
  explicit HostWindow(std::string layout) : m_layout(std::move(layout)) {}

  intptr_t HandleMessage(unsigned msg, uintptr_t wParam, intptr_t lParam) override {
    if (msg == kWmCreate) {
      m_pm.Init(GetHWND());
      CDialogBuilder builder;
      CControlUI* root = builder.CreateFromText(m_layout, L"host_test.xml", nullptr, &m_pm);
      if (!root) {
        error = builder.GetLastError();
        return 0;
      }
      m_pm.AttachDialog(root);
      m_pm.AddNotifier(this);
      return 0;
    }
    if (msg == kWmKeyDown && wParam == kVkEscape) {
      Close(kIdCancel);
      return 0;
    }
    if (msg == kWmUser + 1) {
      if (onUser) onUser();
      return 0;
    }
    intptr_t result = 0;
    if (m_pm.MessageHandler(msg, wParam, lParam, result)) return result;
    return CWindowWnd::HandleMessage(msg, wParam, lParam);
  }

  void Notify(TNotifyUI& msg) override {
    notes.push_back(text::ToUtf8(msg.sType) + " " + (msg.pSender ? text::ToUtf8(msg.pSender->GetName()) : "-"));
    if (msg.sType == notify::kClick && msg.pSender && msg.pSender->GetName() == L"ok") Close(kIdOk);
  }

  CPaintManagerUI& Manager() { return m_pm; }
  int Count(const std::string& note) const {
    int n = 0;
    for (const auto& s : notes) n += s == note ? 1 : 0;
    return n;
  }

  std::vector<std::string> notes;
  std::function<void()> onUser;
  std::wstring error;
  int finals = 0;

 protected:
  const wchar_t* GetWindowClassName() const override { return L"ToolkitHostTest"; }
  unsigned GetClassStyle() const override { return kCsDblClks; }
  void OnFinalMessage(WindowHandle) override { ++finals; }

 private:
  std::string m_layout;
  CPaintManagerUI m_pm;
};

// Runs the thread's messages until done() holds or the bound of rounds passes (each round waits at
// most 20 ms for a message): a broken host fails the assertion that follows instead of hanging.
template <typename Done>
void PumpUntil(Done done, int rounds = 500) {
  for (int i = 0; i < rounds && !done(); ++i) {
    ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (!CPaintManagerUI::TranslateMessage(&msg)) {
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
      }
    }
  }
}

const char kButtonLayout[] = R"(<Window size="300,200" caption="0,0,0,30" roundcorner="6,6" mininfo="200,150">
  <Font id="0" name="Microsoft YaHei" size="12" default="true" />
  <VerticalLayout bkcolor="#FFF4F7FA">
    <Button name="ok" text="OK" height="40" bkcolor="#FF1A6FD1" />
    <Edit name="user" height="32" maxchar="8" />
    <Edit name="secret" height="32" password="true" text="abc" />
    <Control />
  </VerticalLayout>
</Window>)";

LPARAM Pt(int x, int y) { return static_cast<LPARAM>(MakePointLParam(x, y)); }

TEST(WindowHostWin, LayoutSizeIsAppliedAndMouseInputBecomesAClick) {
  HostWindow window(kButtonLayout);
  ASSERT_NE(window.Create(nullptr, L"host", kWsPopup, kWsExToolWindow), nullptr);
  ASSERT_TRUE(window.error.empty()) << text::ToUtf8(window.error);
  EXPECT_DOUBLE_EQ(window.GetDpiScale(), 1.0);   // Wine's default 96 dpi: sizes hold exactly
  EXPECT_EQ(window.GetClientRect(), (UiRect{0, 0, 300, 200}));
  window.Manager().DoLayout();
  CControlUI* ok = window.Manager().FindControl(L"ok");
  ASSERT_NE(ok, nullptr);
  EXPECT_EQ(ok->GetPos(), (UiRect{0, 0, 300, 40}));

  window.SendMessage(kWmMouseMove, 0, Pt(150, 20));
  EXPECT_EQ(window.Manager().GetHot(), ok);
  window.SendMessage(kWmLButtonDown, MK_LBUTTON, Pt(150, 20));
  window.SendMessage(kWmLButtonUp, 0, Pt(150, 20));
  EXPECT_EQ(window.Count("click ok"), 1);
  // The Window element's round corner clips the window; its min size bounds resizing.
  HRGN region = ::CreateRectRgn(0, 0, 0, 0);
  EXPECT_NE(::GetWindowRgn(static_cast<HWND>(window.GetHWND()), region), ERROR);
  ::DeleteObject(region);
  MINMAXINFO info{};
  window.SendMessage(kWmGetMinMaxInfo, 0, reinterpret_cast<intptr_t>(&info));
  EXPECT_EQ(info.ptMinTrackSize.x, 200);
  EXPECT_EQ(info.ptMinTrackSize.y, 150);
  // Down on the button, up elsewhere: no click.
  window.SendMessage(kWmLButtonDown, MK_LBUTTON, Pt(150, 20));
  window.SendMessage(kWmLButtonUp, 0, Pt(150, 190));
  EXPECT_EQ(window.Count("click ok"), 1);
  window.SendMessage(kWmClose);
  EXPECT_EQ(window.finals, 1);
  EXPECT_EQ(window.GetHWND(), nullptr);
}

TEST(WindowHostWin, AsyncNotificationsArriveThroughTheWakeMessageAndTimersFire) {
  HostWindow window(kButtonLayout);
  ASSERT_NE(window.Create(nullptr, L"host", kWsPopup, kWsExToolWindow), nullptr);
  CPaintManagerUI& pm = window.Manager();
  CControlUI* ok = pm.FindControl(L"ok");
  ASSERT_NE(ok, nullptr);
  pm.SendNotify(ok, L"menu_Setting", 0, 0, true);
  pm.SendNotify(ok, L"menu_About", 0, 0, true);
  EXPECT_EQ(window.Count("menu_Setting ok"), 0);   // queued, not delivered yet
  PumpUntil([&] { return window.Count("menu_About ok") == 1; });
  ASSERT_EQ(window.Count("menu_Setting ok"), 1);
  ASSERT_EQ(window.Count("menu_About ok"), 1);
  // Queue order is kept.
  auto first = std::find(window.notes.begin(), window.notes.end(), "menu_Setting ok");
  auto second = std::find(window.notes.begin(), window.notes.end(), "menu_About ok");
  EXPECT_LT(first, second);

  ASSERT_TRUE(pm.SetTimer(ok, 7, 10));
  PumpUntil([&] { return window.Count("timer ok") >= 2; });
  EXPECT_GE(window.Count("timer ok"), 2);
  ASSERT_TRUE(pm.KillTimer(ok, 7));
  window.SendMessage(kWmClose);
}

TEST(WindowHostWin, NativeEditFollowsTheModelBothWays) {
  HostWindow window(kButtonLayout);
  ASSERT_NE(window.Create(nullptr, L"host", kWsPopup, kWsExToolWindow), nullptr);
  window.ShowWindow(true, true);
  window.Manager().DoLayout();
  auto* user = dynamic_cast<CEditUI*>(window.Manager().FindControl(L"user"));
  auto* secret = dynamic_cast<CEditUI*>(window.Manager().FindControl(L"secret"));
  ASSERT_NE(user, nullptr);
  ASSERT_NE(secret, nullptr);
  ASSERT_TRUE(user->HasNativeChild());
  ASSERT_TRUE(secret->HasNativeChild());

  HWND hwnd = static_cast<HWND>(window.GetHWND());
  std::vector<HWND> edits;
  for (HWND child = ::FindWindowExW(hwnd, nullptr, L"EDIT", nullptr); child;
       child = ::FindWindowExW(hwnd, child, L"EDIT", nullptr)) {
    edits.push_back(child);
  }
  ASSERT_EQ(edits.size(), 2u);
  HWND userEdit = nullptr, secretEdit = nullptr;
  for (HWND e : edits) {
    if (::SendMessageW(e, EM_GETPASSWORDCHAR, 0, 0) != 0) secretEdit = e;
    else userEdit = e;
  }
  ASSERT_NE(userEdit, nullptr);
  ASSERT_NE(secretEdit, nullptr);
  wchar_t buffer[64] = {};
  ::GetWindowTextW(secretEdit, buffer, 64);
  EXPECT_STREQ(buffer, L"abc");
  EXPECT_EQ(::SendMessageW(userEdit, EM_GETLIMITTEXT, 0, 0), 8);
  // The child lies over the control's text area.
  RECT rc{};
  ::GetWindowRect(userEdit, &rc);
  POINT topLeft{rc.left, rc.top};
  ::ScreenToClient(hwnd, &topLeft);
  EXPECT_TRUE(user->GetPos().Contains({topLeft.x, topLeft.y}));

  // The model's text reaches the child without a "textchanged".
  user->SetText(L"model");
  ::GetWindowTextW(userEdit, buffer, 64);
  EXPECT_STREQ(buffer, L"model");
  EXPECT_EQ(window.Count("textchanged user"), 0);

  // The user's edit (the child's text changes) reaches the model with exactly one "textchanged".
  ::SetWindowTextW(userEdit, L"\x4E2D\x6587typed");
  EXPECT_EQ(user->GetText(), L"\x4E2D\x6587typed");
  EXPECT_EQ(window.Count("textchanged user"), 1);

  // Password mode can be switched off and on after creation.
  secret->SetPasswordMode(false);
  EXPECT_EQ(::SendMessageW(secretEdit, EM_GETPASSWORDCHAR, 0, 0), 0);
  secret->SetPasswordMode(true);
  EXPECT_NE(::SendMessageW(secretEdit, EM_GETPASSWORDCHAR, 0, 0), 0);

  // Return in the EDIT becomes "return" for the control with the focus; Tab moves the focus on.
  ::SetFocus(userEdit);
  EXPECT_EQ(window.Manager().GetFocus(), user);
  ::SendMessageW(userEdit, WM_KEYDOWN, VK_RETURN, 0);
  EXPECT_EQ(window.Count("return user"), 1);
  ::SendMessageW(userEdit, WM_KEYDOWN, VK_TAB, 0);
  EXPECT_NE(window.Manager().GetFocus(), user);
  window.SendMessage(kWmClose);
}

TEST(WindowHostWin, WheelScrollsTheListUnderTheMouseAndDoubleClickActivatesARow) {
  std::string layout = R"(<Window size="200,150"><VerticalLayout><List name="rows" vscrollbar="true">)";
  for (int i = 0; i < 30; ++i) {
    layout += "<ListLabelElement name=\"row" + std::to_string(i) + "\" text=\"Row\" height=\"30\" />";
  }
  layout += "</List></VerticalLayout></Window>";
  HostWindow window(layout);
  ASSERT_NE(window.Create(nullptr, L"wheel", kWsPopup, 0, 100, 100, kCwUseDefault, kCwUseDefault), nullptr);
  window.ShowWindow(true, false);
  window.Manager().DoLayout();
  auto* list = dynamic_cast<CListUI*>(window.Manager().FindControl(L"rows"));
  ASSERT_NE(list, nullptr);
  ASSERT_EQ(list->GetList()->GetScrollPos().cy, 0);
  // The wheel message carries screen coordinates.
  const UiPoint screen = window.ClientToScreen({100, 75});
  window.SendMessage(kWmMouseWheel, static_cast<uintptr_t>(static_cast<uint16_t>(-120)) << 16,
                     Pt(screen.x, screen.y));
  EXPECT_GT(list->GetList()->GetScrollPos().cy, 0);

  window.Manager().DoLayout();
  CControlUI* row = window.Manager().FindControl(UiPoint{100, 75});
  ASSERT_NE(row, nullptr);
  const std::string name = text::ToUtf8(row->GetName());
  window.SendMessage(kWmLButtonDown, MK_LBUTTON, Pt(100, 75));
  window.SendMessage(kWmLButtonUp, 0, Pt(100, 75));
  window.SendMessage(kWmLButtonDblClk, MK_LBUTTON, Pt(100, 75));
  EXPECT_EQ(window.Count("itemclick " + name), 1);
  EXPECT_EQ(window.Count("itemactivate " + name), 1);
  window.SendMessage(kWmClose);
}

TEST(WindowHostWin, EscapeInANativeEditReachesTheWindowThroughTheModalLoop) {
  HostWindow window(kButtonLayout);
  ASSERT_NE(window.Create(nullptr, L"host", kWsPopup, kWsExToolWindow), nullptr);
  window.Manager().DoLayout();
  HWND edit = ::FindWindowExW(static_cast<HWND>(window.GetHWND()), nullptr, L"EDIT", nullptr);
  ASSERT_NE(edit, nullptr);
  // Queued to the EDIT, as the keyboard would deliver it: the loop hands dialog keys to the window.
  ::PostMessageW(edit, WM_KEYDOWN, VK_ESCAPE, 0);
  EXPECT_EQ(window.ShowModal(), kIdCancel);
  EXPECT_EQ(window.finals, 1);
}

TEST(WindowHostWin, HoveringAControlWithATooltipRegistersTheTip) {
  HostWindow window(R"(<Window size="200,100"><VerticalLayout>
      <Button name="tip" tooltip="Connect to the fastest server" height="40" />
      <Control /></VerticalLayout></Window>)");
  ASSERT_NE(window.Create(nullptr, L"tips", kWsPopup, 0), nullptr);
  window.ShowWindow(true, false);
  window.Manager().DoLayout();
  HWND hwnd = static_cast<HWND>(window.GetHWND());
  window.SendMessage(kWmMouseMove, 0, Pt(50, 20));
  HWND tip = nullptr;
  for (HWND w = ::FindWindowExW(nullptr, nullptr, TOOLTIPS_CLASSW, nullptr); w;
       w = ::FindWindowExW(nullptr, w, TOOLTIPS_CLASSW, nullptr)) {
    if (::GetWindow(w, GW_OWNER) == hwnd) tip = w;
  }
  ASSERT_NE(tip, nullptr);
  EXPECT_EQ(::SendMessageW(tip, TTM_GETTOOLCOUNT, 0, 0), 1);
  // Off the control: the tip goes.
  window.SendMessage(kWmMouseMove, 0, Pt(50, 80));
  EXPECT_EQ(::SendMessageW(tip, TTM_GETTOOLCOUNT, 0, 0), 0);
  window.SendMessage(kWmClose);
}

TEST(WindowHostWin, ALayeredLayoutIsDrawnThroughUpdateLayeredWindow) {
  HostWindow window(R"(<Window size="120,80" bktrans="true"><VerticalLayout bkcolor="#C01A6FD1">
      <Button name="go" text="Go" height="30" /></VerticalLayout></Window>)");
  ASSERT_NE(window.Create(nullptr, L"layered", kWsPopup, kWsExToolWindow), nullptr);
  ASSERT_TRUE(window.Manager().IsLayered());
  window.ShowWindow(true, false);
  HWND hwnd = static_cast<HWND>(window.GetHWND());
  PumpUntil([&] { return (::GetWindowLongPtrW(hwnd, GWL_EXSTYLE) & WS_EX_LAYERED) != 0; }, 100);
  EXPECT_NE(::GetWindowLongPtrW(hwnd, GWL_EXSTYLE) & WS_EX_LAYERED, 0);
  // Input still works on a layered window.
  window.SendMessage(kWmLButtonDown, MK_LBUTTON, Pt(60, 15));
  window.SendMessage(kWmLButtonUp, 0, Pt(60, 15));
  EXPECT_EQ(window.Count("click go"), 1);
  // A layered window gets no WM_PAINT: invalidating it queues the host's own repaint message.
  PumpUntil([] { return false; }, 3);
  window.Manager().Invalidate();
  MSG pending{};
  EXPECT_TRUE(::PeekMessageW(&pending, hwnd, kWmApp + 0x0A02, kWmApp + 0x0A02, PM_NOREMOVE));
  PumpUntil([] { return false; }, 3);
  window.SendMessage(kWmClose);
  EXPECT_EQ(window.finals, 1);
}

TEST(WindowHostWin, ShowModalReturnsTheCloseCodeAndGivesTheOwnerBack) {
  HostWindow owner(kButtonLayout);
  ASSERT_NE(owner.Create(nullptr, L"owner", kWsPopup, 0), nullptr);
  owner.ShowWindow(true, false);
  HostWindow dialog(kButtonLayout);
  ASSERT_NE(dialog.Create(owner, L"dialog", kWsPopup, kWsExToolWindow), nullptr);
  dialog.CenterWindow();
  const UiRect o = owner.GetWindowRect();
  const UiRect d = dialog.GetWindowRect();
  EXPECT_EQ(d.left - o.left, o.right - d.right);   // same size: centred means same place
  bool ownerDisabledInLoop = false;
  dialog.onUser = [&] { ownerDisabledInLoop = !::IsWindowEnabled(static_cast<HWND>(owner.GetHWND())); };
  dialog.PostMessage(kWmUser + 1, 0, 0);   // runs inside the modal loop
  // Escape pressed while the loop runs: the dialog closes with 2.
  ::PostMessageW(static_cast<HWND>(dialog.GetHWND()), WM_KEYDOWN, VK_ESCAPE, 0);
  EXPECT_EQ(dialog.ShowModal(), kIdCancel);
  EXPECT_TRUE(ownerDisabledInLoop);
  EXPECT_TRUE(::IsWindowEnabled(static_cast<HWND>(owner.GetHWND())));
  EXPECT_EQ(dialog.finals, 1);

  HostWindow clicked(kButtonLayout);
  ASSERT_NE(clicked.Create(owner, L"clicked", kWsPopup, kWsExToolWindow), nullptr);
  ::PostMessageW(static_cast<HWND>(clicked.GetHWND()), WM_LBUTTONDOWN, MK_LBUTTON, Pt(10, 10));
  ::PostMessageW(static_cast<HWND>(clicked.GetHWND()), WM_LBUTTONUP, 0, Pt(10, 10));
  EXPECT_EQ(clicked.ShowModal(), kIdOk);
  EXPECT_EQ(clicked.Count("click ok"), 1);
  owner.SendMessage(kWmClose);
}

TEST(WindowHostWin, BrowserThatCannotBeCreatedLeavesAnEmptyPaneAndALogLine) {
  wchar_t temp[MAX_PATH] = {};
  ::GetTempPathW(MAX_PATH, temp);
  const std::wstring logPath = std::wstring(temp) + L"toolkit_host_browser.log";
  ::DeleteFileW(logPath.c_str());
  SetLogFile(logPath);
  ResetLog();
  const HRESULT com = ::OleInitialize(nullptr);
  {
    HostWindow window(R"(<Window size="300,200"><VerticalLayout>
        <WebBrowser name="web" homepage="about:blank" autonavi="true" bkcolor="#FFFFFFFF" /></VerticalLayout></Window>)");
    ASSERT_NE(window.Create(nullptr, L"web", kWsPopup, 0), nullptr);
    window.Manager().DoLayout();
    auto* web = dynamic_cast<CWebBrowserUI*>(window.Manager().FindControl(L"web"));
    ASSERT_NE(web, nullptr);
    // The test runs switch the browser engine off (as a machine without one): then the pane must
    // degrade; where an engine exists the browser is there and navigates.
    wchar_t overrides[256] = {};
    ::GetEnvironmentVariableW(L"WINEDLLOVERRIDES", overrides, 256);
    const bool engineOff = std::wstring(overrides).find(L"mshtml=") != std::wstring::npos;
    if (engineOff) {
      EXPECT_FALSE(web->HasNativeChild());
    }
    if (!web->HasNativeChild()) {
      // The pane degrades: navigation reports false, the URL is kept, the log says why.
      EXPECT_FALSE(web->Navigate(L"http://127.0.0.1/notice"));
      EXPECT_EQ(web->GetUrl(), L"http://127.0.0.1/notice");
      std::string content;
      if (std::FILE* in = _wfopen(logPath.c_str(), L"rb")) {
        char buffer[4096];
        size_t n = 0;
        while ((n = std::fread(buffer, 1, sizeof(buffer), in)) > 0) content.append(buffer, n);
        std::fclose(in);
      }
      EXPECT_NE(content.find(text::ToUtf8(L"网页浏览控件创建失败")), std::string::npos) << content;
    } else {
      EXPECT_TRUE(web->Navigate(L"about:blank"));
    }
    window.SendMessage(kWmClose);
  }
  if (SUCCEEDED(com)) ::OleUninitialize();
  SetLogFile(L"");
  ::DeleteFileW(logPath.c_str());
}

TEST(WindowHostWin, LayoutErrorsLeaveAnEmptyWindowThatStillCloses) {
  HostWindow window("<Window size=\"100,80\"><VerticalLayout><Button name=\"a\"></VerticalLayout>");
  ASSERT_NE(window.Create(nullptr, L"broken", kWsPopup, 0), nullptr);
  EXPECT_FALSE(window.error.empty());
  EXPECT_EQ(window.Manager().GetRoot(), nullptr);
  // Painting and input on an empty window are harmless.
  window.ShowWindow(true, false);
  ::UpdateWindow(static_cast<HWND>(window.GetHWND()));
  window.SendMessage(kWmMouseMove, 0, Pt(5, 5));
  ::PostMessageW(static_cast<HWND>(window.GetHWND()), WM_KEYDOWN, VK_ESCAPE, 0);
  EXPECT_EQ(window.ShowModal(), kIdCancel);
}

}  // namespace
}  // namespace nimbrook::toolkit
