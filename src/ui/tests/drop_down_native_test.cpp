// The menu and the two pickers on headless windows, opened from a control of an owner window.
#include <gtest/gtest.h>

#include "toolkit/button.h"
#include "toolkit/container.h"
#include "toolkit/list_elements.h"
#include "ui/menu_wnd.h"
#include "ui/protocol_wnd.h"
#include "ui/route_wnd.h"
#include "ui/tests/ui_test_support.h"

namespace nimbrook {
namespace {

using namespace toolkit;

class DropDownTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testing_ui::UseSkinAndTexts();
    CWindowWnd::SetHeadlessScreen({0, 0, 1280, 760}, 1.0);
    owner = new testing_ui::OwnerWindow(L"okcancel.xml");
    ASSERT_NE(owner->Create(nullptr, L"", kWsPopup, 0), nullptr);
    ownerHandle = owner->GetHWND();
    owner->GetPaintManager().DoLayout();
    ownerControl = owner->GetPaintManager().FindControl(L"ok");
    ASSERT_NE(ownerControl, nullptr);
    owner->seen.clear();
  }
  void TearDown() override {
    CWindowWnd::SetHeadlessScreen({0, 0, 1280, 760}, 1.0);
    if (CWindowWnd::FromHandle(ownerHandle) != nullptr) owner->Close(kIdOk);
    CWindowWnd::RunPostedMessages();
  }

  // The picks the owner window received, once its queue is delivered.
  std::vector<std::wstring> Picks() {
    owner->GetPaintManager().DeliverAsyncNotifications();
    std::vector<std::wstring> picks;
    for (const auto& s : owner->seen) {
      if (s.type == L"windowinit") continue;
      EXPECT_EQ(s.sender, ownerControl) << text::ToUtf8(s.type);
      picks.push_back(s.type);
    }
    return picks;
  }
  static bool Exists(WindowHandle handle) { return CWindowWnd::FromHandle(handle) != nullptr; }

  testing_ui::OwnerWindow* owner = nullptr;
  WindowHandle ownerHandle = nullptr;
  CControlUI* ownerControl = nullptr;
};

// (That the refused pop-ups deleted themselves exactly once is checked with failed creations.)
TEST_F(DropDownTest, NoOwnerNoWindow) {
  EXPECT_FALSE(CMenuWnd::Popup(nullptr, {10, 10}));
  EXPECT_FALSE(CRouteWnd::Popup(nullptr, {10, 10}));
  EXPECT_FALSE(CProtocolWnd::Popup(nullptr, {10, 10}, L"AUTO", {L"AUTO"}));
  CButtonUI loose;   // on no window
  EXPECT_FALSE(CMenuWnd::Popup(&loose, {10, 10}));
}

TEST_F(DropDownTest, MenuIsCreatedHiddenOnTheOwnersWindow) {
  auto* menu = new CMenuWnd();
  ASSERT_TRUE(menu->Init(ownerControl));
  EXPECT_FALSE(menu->IsVisible());
  EXPECT_EQ(menu->GetParentHandle(), ownerHandle);
  EXPECT_EQ(menu->GetOwnerControl(), ownerControl);
  EXPECT_EQ(menu->GetExStyle() & kWsExToolWindow, kWsExToolWindow);
  EXPECT_EQ(menu->GetStyle() & kWsPopup, kWsPopup);
  EXPECT_EQ(menu->GetPaintManager().GetRoundCorner(), kDropDownRoundCorner);
  EXPECT_EQ(menu->GetWindowRect().Width(), 168);
  EXPECT_EQ(menu->GetWindowRect().Height(), 162);
  menu->Close(kIdOk);
  CWindowWnd::RunPostedMessages();
}

TEST_F(DropDownTest, MenuNearTheBottomRightCornerStaysInsideTheWorkArea) {
  auto* menu = new CMenuWnd();
  ASSERT_TRUE(menu->Init(ownerControl));
  menu->ShowAt({1250, 740});
  EXPECT_TRUE(menu->IsVisible());
  const UiRect r = menu->GetWindowRect();
  EXPECT_EQ(r, (UiRect{1280 - 168, 760 - 162, 1280, 760}));
  menu->ShowAt({300, 200});   // where it fits it goes exactly there
  EXPECT_EQ(menu->GetWindowRect(), (UiRect{300, 200, 468, 362}));
  menu->Close(kIdOk);
  CWindowWnd::RunPostedMessages();
}

TEST_F(DropDownTest, MenuTallerThanTheWorkAreaStartsAtItsTop) {
  CWindowWnd::SetHeadlessScreen({0, 0, 1280, 120}, 1.0);
  auto* menu = new CMenuWnd();
  ASSERT_TRUE(menu->Init(ownerControl));
  menu->ShowAt({600, 100});
  EXPECT_EQ(menu->GetWindowRect().top, 0);
  EXPECT_EQ(menu->GetWindowRect().left, 600);
  menu->Close(kIdOk);
  CWindowWnd::RunPostedMessages();
}

TEST_F(DropDownTest, MenuItemsGetTheirTextsAndAPickIsPostedForTheOwner) {
  auto* menu = new CMenuWnd();
  ASSERT_TRUE(menu->Init(ownerControl));
  const WindowHandle handle = menu->GetHWND();
  menu->ShowAt({100, 100});
  CPaintManagerUI& pm = menu->GetPaintManager();
  pm.DoLayout();
  for (const MenuItem& item : kMenuItems) {
    ASSERT_NE(pm.FindControl(item.textControl), nullptr);
    EXPECT_EQ(pm.FindControl(item.textControl)->GetText(), std::wstring(L"T:") + item.textControl);
  }
  testing_ui::Click(pm, L"menu_Navigater");
  EXPECT_FALSE(menu->IsVisible());
  // Posted, not sent: the owner hears of it after the menu is out of the way.
  EXPECT_TRUE(owner->seen.empty());
  EXPECT_EQ(Picks(), std::vector<std::wstring>{L"menu_Navigater"});
  CWindowWnd::RunPostedMessages();
  EXPECT_FALSE(Exists(handle));   // a hidden menu does not linger
}

TEST_F(DropDownTest, EveryMenuItemSendsItsOwnName) {
  for (const MenuItem& item : kMenuItems) {
    auto* menu = new CMenuWnd();
    ASSERT_TRUE(menu->Init(ownerControl));
    menu->ShowAt({100, 100});
    testing_ui::Click(menu->GetPaintManager(), item.item);
    CWindowWnd::RunPostedMessages();
  }
  EXPECT_EQ(Picks(), (std::vector<std::wstring>{L"menu_Setting", L"menu_Home", L"menu_Help", L"menu_Navigater",
                                                L"menu_About"}));
}

TEST_F(DropDownTest, ClickingElsewhereHidesWithoutAPick) {
  auto* menu = new CMenuWnd();
  ASSERT_TRUE(menu->Init(ownerControl));
  const WindowHandle handle = menu->GetHWND();
  menu->ShowAt({100, 100});
  EXPECT_EQ(menu->SendMessage(kWmKillFocus, reinterpret_cast<uintptr_t>(handle), 0), 0);
  EXPECT_TRUE(menu->IsVisible());   // focus staying inside is no reason to go
  owner->ShowWindow(true, true);    // the owner takes the focus
  EXPECT_FALSE(Exists(handle) && CWindowWnd::FromHandle(handle)->IsVisible());
  CWindowWnd::RunPostedMessages();
  EXPECT_TRUE(Picks().empty());
}

TEST_F(DropDownTest, EscapeClosesWheelIsSwallowed) {
  auto* menu = new CMenuWnd();
  ASSERT_TRUE(menu->Init(ownerControl));
  const WindowHandle handle = menu->GetHWND();
  menu->ShowAt({100, 100});
  EXPECT_EQ(menu->SendMessage(kWmMouseWheel, 120u << 16, 0), 0);
  EXPECT_EQ(menu->SendMessage(kWmKeyDown, 'A', 0), 0);
  CWindowWnd::RunPostedMessages();
  EXPECT_TRUE(Exists(handle));
  EXPECT_EQ(menu->SendMessage(kWmKeyDown, kVkEscape, 0), 0);
  CWindowWnd::RunPostedMessages();
  EXPECT_FALSE(Exists(handle));
  EXPECT_TRUE(Picks().empty());
}

TEST_F(DropDownTest, OwnerControlGoneBeforeThePickSendsNothing) {
  auto* menu = new CMenuWnd();
  ASSERT_TRUE(menu->Init(ownerControl));
  menu->ShowAt({100, 100});
  auto* parent = dynamic_cast<CContainerUI*>(ownerControl->GetParent());
  ASSERT_NE(parent, nullptr);
  ASSERT_TRUE(parent->Remove(ownerControl));
  EXPECT_EQ(menu->GetOwnerControl(), nullptr);
  testing_ui::Click(menu->GetPaintManager(), L"menu_About");
  EXPECT_FALSE(menu->IsVisible());
  CWindowWnd::RunPostedMessages();
  owner->GetPaintManager().DeliverAsyncNotifications();
  for (const auto& s : owner->seen) EXPECT_EQ(s.type, L"windowinit");
}

TEST_F(DropDownTest, FourProtocolPickerIs112High) {
  auto* picker = new CProtocolWnd(L"L2TP", {L"PPTP", L"L2TP", L"OVPN-UDP", L"AUTO"});
  ASSERT_TRUE(picker->Init(ownerControl));
  const int width = picker->GetWindowRect().Width();
  picker->ShowAt({400, 300});
  EXPECT_TRUE(picker->IsVisible());
  EXPECT_EQ(picker->GetWindowRect(), (UiRect{400, 300, 400 + width, 300 + 112}));
  EXPECT_EQ(width, 101);
  // No clamping for pickers.
  picker->ShowAt({1250, 740});
  EXPECT_EQ(picker->GetWindowRect().top, 740);
  picker->Close(kIdOk);
  CWindowWnd::RunPostedMessages();
}

TEST_F(DropDownTest, ProtocolRowsAreNamedLabelledAndTheCurrentOneMarked) {
  auto* picker = new CProtocolWnd(L"L2TP", {L"PPTP", L"L2TP", L"OVPN-UDP", L"AUTO"});
  ASSERT_TRUE(picker->Init(ownerControl));
  CPaintManagerUI& pm = picker->GetPaintManager();
  auto* list = dynamic_cast<CContainerUI*>(pm.FindControl(L"listProtocol"));
  ASSERT_NE(list, nullptr);
  ASSERT_EQ(list->GetCount(), 4);
  const wchar_t* names[] = {L"PPTP", L"L2TP", L"OVPN-UDP", L"AUTO"};
  for (int i = 0; i < 4; ++i) {
    auto* row = dynamic_cast<CListContainerElementUI*>(list->GetItemAt(i));
    ASSERT_NE(row, nullptr);
    EXPECT_EQ(row->GetName(), names[i]);
    EXPECT_EQ(row->GetFixedHeight(), 25);
    ASSERT_EQ(row->GetCount(), 1);
    auto* button = dynamic_cast<CButtonUI*>(row->GetItemAt(0));
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(button->GetName(), names[i]);
    EXPECT_EQ(button->GetText(), std::wstring(L"T:") + names[i]);
    EXPECT_EQ(button->GetFixedHeight(), 25);
    EXPECT_EQ(button->GetTextPadding(), (UiRect{18, 3, 0, 0}));
    EXPECT_EQ(button->GetTextColor(), 0xFF000000u);
    EXPECT_EQ(row->IsSelected(), i == 1);
    EXPECT_EQ(button->GetBkImage().find(L"picker_check") != std::wstring::npos, i == 1);
  }
  picker->Close(kIdOk);
  CWindowWnd::RunPostedMessages();
}

TEST_F(DropDownTest, PickingAProtocolSendsItsNameAndHides) {
  auto* picker = new CProtocolWnd(L"AUTO", {L"PPTP", L"L2TP", L"OVPN-UDP", L"AUTO"});
  ASSERT_TRUE(picker->Init(ownerControl));
  const WindowHandle handle = picker->GetHWND();
  picker->ShowAt({400, 300});
  testing_ui::Click(picker->GetPaintManager(), L"OVPN-UDP");
  EXPECT_FALSE(picker->IsVisible());
  CWindowWnd::RunPostedMessages();
  EXPECT_FALSE(Exists(handle));
  EXPECT_EQ(Picks(), std::vector<std::wstring>{L"OVPN-UDP"});
}

TEST_F(DropDownTest, ProtocolNamesWithQuotesStayNames) {
  const std::wstring odd = L"X\" name=\"PPTP";
  auto* picker = new CProtocolWnd(L"", {odd});
  ASSERT_TRUE(picker->Init(ownerControl));
  CPaintManagerUI& pm = picker->GetPaintManager();
  EXPECT_EQ(pm.FindControl(L"PPTP"), nullptr);
  auto* row = dynamic_cast<CContainerUI*>(pm.FindControl(odd));
  ASSERT_NE(row, nullptr);
  ASSERT_EQ(row->GetCount(), 1);
  EXPECT_EQ(row->GetItemAt(0)->GetName(), odd);
  EXPECT_EQ(row->GetItemAt(0)->GetText(), odd);   // no text for it: the id itself
  picker->ShowAt({10, 10});
  EXPECT_EQ(picker->GetWindowRect().Height(), 37);
  testing_ui::Click(pm, odd);
  CWindowWnd::RunPostedMessages();
  EXPECT_EQ(Picks(), std::vector<std::wstring>{odd});
}

TEST_F(DropDownTest, PickerHeightFollowsTheDpiScale) {
  CWindowWnd::SetHeadlessScreen({0, 0, 1920, 1140}, 1.5);
  auto* picker = new CProtocolWnd(L"AUTO", {L"PPTP", L"L2TP", L"OVPN-UDP", L"AUTO"});
  ASSERT_TRUE(picker->Init(ownerControl));
  picker->ShowAt({10, 10});
  EXPECT_EQ(picker->GetWindowRect().Height(), 168);
  picker->Close(kIdOk);
  CWindowWnd::RunPostedMessages();
}

TEST_F(DropDownTest, RoutePickerTextsHeightAndPick) {
  auto* picker = new CRouteWnd();
  ASSERT_TRUE(picker->Init(ownerControl));
  const WindowHandle handle = picker->GetHWND();
  CPaintManagerUI& pm = picker->GetPaintManager();
  ASSERT_NE(pm.FindControl(L"route_ipscope"), nullptr);
  EXPECT_EQ(pm.FindControl(L"route_ipscope")->GetText(), L"T:route_ipscope");
  EXPECT_EQ(pm.FindControl(L"route_global")->GetText(), L"T:route_global");
  picker->ShowAt({500, 200});
  EXPECT_EQ(picker->GetWindowRect().Height(), 62);
  testing_ui::Click(pm, L"route_global");
  EXPECT_FALSE(picker->IsVisible());
  CWindowWnd::RunPostedMessages();
  EXPECT_FALSE(Exists(handle));
  EXPECT_EQ(Picks(), std::vector<std::wstring>{L"route_global"});
}

TEST_F(DropDownTest, RoutePickerClosedByClickElsewhereSendsNothing) {
  auto* picker = new CRouteWnd();
  ASSERT_TRUE(picker->Init(ownerControl));
  picker->ShowAt({500, 200});
  owner->ShowWindow(true, true);
  CWindowWnd::RunPostedMessages();
  EXPECT_TRUE(Picks().empty());
}

}  // namespace
}  // namespace nimbrook

namespace nimbrook {
namespace {

TEST_F(DropDownTest, AMouseClickOnARowPicksItsProtocol) {
  auto* picker = new CProtocolWnd(L"AUTO", {L"AUTO", L"PPTP", L"OVPN-UDP"});
  ASSERT_TRUE(picker->Init(ownerControl));
  picker->ShowAt({400, 300});
  CPaintManagerUI& pm = picker->GetPaintManager();
  pm.DoLayout();
  CControlUI* row = pm.FindControl(L"OVPN-UDP");
  ASSERT_NE(row, nullptr);
  const UiRect r = row->GetPos();
  const UiPoint centre{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
  pm.OnMouseMove(centre);
  pm.OnButtonDown(centre);
  pm.OnButtonUp(centre);
  CWindowWnd::RunPostedMessages();
  EXPECT_EQ(Picks(), std::vector<std::wstring>{L"OVPN-UDP"});
}

}  // namespace
}  // namespace nimbrook
