// The client's windows as real Win32 windows on the test display: the layered background window with
// the skin's image, the message box's close codes through the message loop, the menu and pickers
// against the real work area and DPI, their rounded region, and the caption hit test.
#include <windows.h>

#include <gtest/gtest.h>

#include <functional>

#include "core/text.h"
#include "toolkit/paint_manager.h"
#include "ui/irregular_window.h"
#include "ui/menu_wnd.h"
#include "ui/pop_box.h"
#include "ui/protocol_wnd.h"
#include "ui/tests/ui_test_support.h"
#include "ui/window_rules.h"

namespace nimbrook {
namespace {

using namespace toolkit;

// Runs the thread's messages until done() holds or the queue stays empty for a while. A steady
// stream of messages (hover and tooltip timers while the pointer rests on a window) cannot keep it
// going past its bound: the assertions after it then fail instead of the test hanging.
void Pump(const std::function<bool()>& done = [] { return false; }) {
  const ULONGLONG bound = ::GetTickCount64() + 10000;
  for (int idle = 0; idle < 50 && !done() && ::GetTickCount64() < bound;) {
    MSG msg;
    if (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      ::TranslateMessage(&msg);
      ::DispatchMessageW(&msg);
      idle = 0;
    } else {
      ::Sleep(10);
      ++idle;
    }
  }
}

std::wstring QuellPath() { return L"Z:" + text::FromUtf8(NIMBROOK_PROGRAM_DIR) + L"/skin/quell.dll"; }

class WindowsGuiTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // Earlier display tests leave the pointer where they clicked, often where these windows open.
    ::SetCursorPos(0, 0);
    testing_ui::UseSkinAndTexts();
    owner = new testing_ui::OwnerWindow(L"okcancel.xml");
    ASSERT_NE(owner->Create(nullptr, L"owner", kWsPopup, 0), nullptr);
    owner->SetWindowPos(nullptr, 200, 300, 400, 210, kSwpNoZOrder | kSwpNoActivate);
    owner->ShowWindow(true, true);
    Pump();
    ownerControl = owner->GetPaintManager().FindControl(L"ok");
    ASSERT_NE(ownerControl, nullptr);
  }
  void TearDown() override {
    if (::IsWindow(static_cast<HWND>(owner->GetHWND()))) ::DestroyWindow(static_cast<HWND>(owner->GetHWND()));
    Pump();
  }
  testing_ui::OwnerWindow* owner = nullptr;
  CControlUI* ownerControl = nullptr;
};

TEST_F(WindowsGuiTest, BackgroundWindowShowsTheImageBehindTheMainWindow) {
  CIrregularWindow background;
  background.SetOwner(owner->GetHWND());
  ASSERT_TRUE(background.RegisterWindowClass());
  ASSERT_TRUE(background.RegisterWindowClass());   // a second main window registers again
  ASSERT_TRUE(background.Create());
  HWND hwnd = static_cast<HWND>(background.GetHWND());
  EXPECT_FALSE(::IsWindowVisible(hwnd));
  EXPECT_NE(::GetWindowLongPtrW(hwnd, GWL_EXSTYLE) & WS_EX_LAYERED, 0);
  EXPECT_EQ(::GetWindowLongPtrW(hwnd, GWL_STYLE) & (WS_CAPTION | WS_THICKFRAME | WS_SYSMENU), 0);
  EXPECT_EQ(::GetWindow(hwnd, GW_OWNER), static_cast<HWND>(owner->GetHWND()));
  wchar_t className[64] = {};
  ::GetClassNameW(hwnd, className, 64);
  EXPECT_STREQ(className, L"__IrregularWindowClass");

  ASSERT_TRUE(background.SetBackground(QuellPath()));
  EXPECT_EQ(background.GetImageSize(), (UiSize{600, 140}));
  background.PlaceBehind(owner->GetHWND());
  Pump();
  RECT rect{};
  ::GetWindowRect(hwnd, &rect);
  const UiRect main = owner->GetWindowRect();
  EXPECT_EQ(rect.left, main.left);
  EXPECT_EQ(rect.top, main.top - 70);
  EXPECT_EQ(rect.right - rect.left, 600);
  EXPECT_EQ(rect.bottom - rect.top, 140);
  EXPECT_TRUE(::IsWindowVisible(hwnd));
  background.Show(false);
  EXPECT_FALSE(::IsWindowVisible(hwnd));
}

TEST_F(WindowsGuiTest, BackgroundWithoutItsImageStaysEmptyAndSilent) {
  CIrregularWindow background;
  ASSERT_TRUE(background.RegisterWindowClass());
  ASSERT_TRUE(background.Create());   // no owner: still a window
  EXPECT_FALSE(background.SetBackground(L""));
  EXPECT_FALSE(background.SetBackground(L"Z:/nonexistent/quell.dll"));   // no message box
  EXPECT_EQ(background.GetImageSize(), (UiSize{0, 0}));
  background.PlaceBehind(owner->GetHWND());
  RECT rect{};
  ::GetWindowRect(static_cast<HWND>(background.GetHWND()), &rect);
  EXPECT_EQ(rect.right - rect.left, 0);
}

TEST_F(WindowsGuiTest, MessageBoxCloseCodesThroughTheMessageLoop) {
  struct Case {
    const wchar_t* kind;
    UINT msg;
    WPARAM key;
    unsigned expected;
  };
  for (const Case& c : {Case{kPopBoxOk, WM_KEYDOWN, VK_ESCAPE, kIdCancel},
                        Case{L"no_such_kind", WM_KEYDOWN, VK_ESCAPE, kIdCancel}}) {
    auto* box = new CPopBox(c.kind, L"text");
    ASSERT_NE(box->Create(owner->GetHWND(), L"", kWsPopup, kWsExToolWindow), nullptr);
    box->CenterWindow();
    ::PostMessageW(static_cast<HWND>(box->GetHWND()), c.msg, c.key, 0);
    EXPECT_EQ(box->ShowModal(), c.expected) << text::ToUtf8(c.kind);
    EXPECT_TRUE(::IsWindowEnabled(static_cast<HWND>(owner->GetHWND())));
  }
}

TEST_F(WindowsGuiTest, MessageBoxTitleDragsAndButtonsClick) {
  auto* box = new CPopBox(kPopBoxOkCancel, L"text");
  ASSERT_NE(box->Create(owner->GetHWND(), L"", kWsPopup, kWsExToolWindow), nullptr);
  box->CenterWindow();
  box->ShowWindow(true, false);
  Pump();
  CPaintManagerUI& pm = box->GetPaintManager();
  pm.DoLayout();
  const double scale = box->GetDpiScale();
  auto screenOf = [&](const wchar_t* name) {
    const UiPoint c = testing_ui::CenterOf(pm.FindControl(name));
    const UiPoint s = box->ClientToScreen({static_cast<int>(c.x * scale), static_cast<int>(c.y * scale)});
    return static_cast<LPARAM>(MakePointLParam(s.x, s.y));
  };
  HWND hwnd = static_cast<HWND>(box->GetHWND());
  EXPECT_EQ(::SendMessageW(hwnd, WM_NCHITTEST, 0, screenOf(L"title")), HTCAPTION);
  EXPECT_EQ(::SendMessageW(hwnd, WM_NCHITTEST, 0, screenOf(L"closebtn")), HTCLIENT);
  EXPECT_EQ(::SendMessageW(hwnd, WM_NCHITTEST, 0, screenOf(L"cancel")), HTCLIENT);
  EXPECT_EQ(::SendMessageW(hwnd, WM_NCHITTEST, 0, screenOf(L"text")), HTCLIENT);   // below the caption
  box->Close(kIdOk);
  EXPECT_EQ(box->ShowModal(), kIdOk);
}

TEST_F(WindowsGuiTest, MenuAtTheBottomRightCornerStaysInsideTheWorkArea) {
  auto* menu = new CMenuWnd();
  ASSERT_TRUE(menu->Init(ownerControl));
  HWND hwnd = static_cast<HWND>(menu->GetHWND());
  EXPECT_FALSE(::IsWindowVisible(hwnd));
  const UiRect work = menu->GetWorkArea();
  menu->ShowAt({work.right - 3, work.bottom - 3});
  Pump();
  RECT rect{};
  ::GetWindowRect(hwnd, &rect);
  EXPECT_GE(rect.left, work.left);
  EXPECT_GE(rect.top, work.top);
  EXPECT_EQ(rect.right, work.right);
  EXPECT_EQ(rect.bottom, work.bottom);
  EXPECT_TRUE(::IsWindowVisible(hwnd));
  // Rounded: the region is set on every size change.
  HRGN region = ::CreateRectRgn(0, 0, 0, 0);
  EXPECT_NE(::GetWindowRgn(hwnd, region), ERROR);
  ::DeleteObject(region);
  ::PostMessageW(hwnd, WM_KEYDOWN, VK_ESCAPE, 0);
  Pump([&] { return !::IsWindow(hwnd); });
  EXPECT_FALSE(::IsWindow(hwnd));
}

TEST_F(WindowsGuiTest, FourProtocolPickerIs112PixelsHighAt96Dpi) {
  auto* picker = new CProtocolWnd(L"AUTO", {L"AUTO", L"PPTP", L"L2TP", L"OVPN-UDP"});
  ASSERT_TRUE(picker->Init(ownerControl));
  HWND hwnd = static_cast<HWND>(picker->GetHWND());
  picker->ShowAt({300, 200});
  Pump();
  RECT rect{};
  ::GetWindowRect(hwnd, &rect);
  const double scale = picker->GetDpiScale();
  EXPECT_EQ(rect.bottom - rect.top, static_cast<int>(PickerHeight(4) * scale + 0.5));
  if (scale == 1.0) {
    EXPECT_EQ(rect.bottom - rect.top, 112);
  }
  EXPECT_EQ(rect.left, 300);
  EXPECT_EQ(rect.top, 200);

  // A pick: posted for the owner control, the picker hidden and then gone.
  testing_ui::Click(picker->GetPaintManager(), L"PPTP");
  EXPECT_FALSE(::IsWindowVisible(hwnd));
  Pump([&] { return !owner->seen.empty() && owner->seen.back().type == L"PPTP"; });
  ASSERT_FALSE(owner->seen.empty());
  EXPECT_EQ(owner->seen.back().type, L"PPTP");
  EXPECT_EQ(owner->seen.back().sender, ownerControl);
  Pump([&] { return !::IsWindow(hwnd); });
  EXPECT_FALSE(::IsWindow(hwnd));
}

}  // namespace
}  // namespace nimbrook
