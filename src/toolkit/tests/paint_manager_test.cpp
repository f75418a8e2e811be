// The paint manager: notification order, timers, focus and Tab, button states, hit testing.
#include <gtest/gtest.h>

#include <algorithm>
#include <thread>

#include "toolkit/recording_render_context.h"
#include "toolkit_test_support.h"

namespace nimbrook::toolkit {
namespace {

using test::RecordingNotifier;
using test::Window;

const char kButtons[] = R"(<Window><VerticalLayout name="root">
    <Button name="one" text="1" height="30"/>
    <Edit name="edit" height="30"/>
    <Label name="label" text="l" height="30"/>
    <Button name="two" text="2" height="30"/>
    <Button name="off" text="off" height="30" enabled="false"/>
    <Button name="gone" text="gone" height="30" visible="false"/>
    <Control/>
  </VerticalLayout></Window>)";

TEST(PaintManagerTest, SyncNotificationsReachEveryNotifierInOrderAsyncWaitForTheQueue) {
  Window w(kButtons);
  RecordingNotifier second;
  w.manager.AddNotifier(&second);
  EXPECT_FALSE(w.manager.AddNotifier(&second)) << "added once";
  std::vector<std::wstring> order;
  w.notifier.onNotify = [&](TNotifyUI& m) { order.push_back(L"first:" + m.sType); };
  second.onNotify = [&](TNotifyUI& m) { order.push_back(L"second:" + m.sType); };

  CControlUI* one = w.Find(L"one");
  w.manager.SendNotify(one, L"later", 1, 2, true);
  w.manager.SendNotify(one, L"now", 3, 4, false);
  EXPECT_EQ(order, (std::vector<std::wstring>{L"first:now", L"second:now"}));
  EXPECT_EQ(w.host.wakeups, 1) << "the host is asked to deliver the queue";
  EXPECT_EQ(w.manager.PendingNotifications(), 1u);

  // Notifications queued while the queue is delivered wait for the next delivery.
  w.notifier.onNotify = [&](TNotifyUI& m) {
    order.push_back(L"first:" + m.sType);
    if (m.sType == L"later") w.manager.SendNotify(m.pSender, L"queued-during", 0, 0, true);
  };
  w.manager.DeliverAsyncNotifications();
  EXPECT_EQ(order.back(), L"second:later");
  EXPECT_EQ(second.heard.back().wParam, 1u);
  EXPECT_EQ(second.heard.back().lParam, 2);
  EXPECT_EQ(w.manager.PendingNotifications(), 1u);
  w.manager.DeliverAsyncNotifications();
  EXPECT_EQ(second.heard.back().type, L"queued-during");
  EXPECT_EQ(w.manager.PendingNotifications(), 0u);
  w.manager.RemoveNotifier(&second);
}

TEST(PaintManagerTest, AsyncNotificationOfARemovedControlIsDropped) {
  Window w(kButtons);
  auto* root = w.Find<CContainerUI>(L"root");
  w.manager.SendNotify(w.Find(L"one"), L"picked", 0, 0, true);
  w.manager.SendNotify(w.Find(L"two"), L"picked", 0, 0, true);
  ASSERT_TRUE(root->Remove(w.Find(L"one")));
  w.manager.DeliverAsyncNotifications();
  EXPECT_EQ(w.notifier.Log(), (std::vector<std::wstring>{L"windowinit:root", L"picked:two"}));
}

#ifndef NDEBUG
// Workers reach a window through window messages; queueing a notification from a worker is a fault
// that debug builds stop at once.
TEST(PaintManagerDeathTest, AWorkerThreadQueueingANotificationIsStopped) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_DEATH(
      {
        Window w(kButtons);
        w.manager.SendNotify(w.Find(L"one"), L"picked", 0, 0, true);
        std::thread worker([&w] { w.manager.SendNotify(w.Find(L"two"), L"picked", 0, 0, true); });
        worker.join();
      },
      "UI thread");
}
#endif

TEST(PaintManagerTest, NotifierRemovedDuringDispatchIsNotCalled) {
  Window w(kButtons);
  RecordingNotifier second;
  w.manager.AddNotifier(&second);
  w.notifier.onNotify = [&](TNotifyUI&) { w.manager.RemoveNotifier(&second); };
  w.manager.SendNotify(w.Find(L"one"), L"x");
  EXPECT_TRUE(second.heard.empty());
}

TEST(PaintManagerTest, TimersFireTimerNotificationsAndDieWithTheirControl) {
  Window w(kButtons);
  CControlUI* one = w.Find(L"one");
  CControlUI* two = w.Find(L"two");
  ASSERT_TRUE(w.manager.SetTimer(one, 2, 100));
  ASSERT_TRUE(w.manager.SetTimer(two, 2, 50));
  ASSERT_TRUE(w.manager.SetTimer(two, 1029, 2000));
  ASSERT_EQ(w.host.timers.size(), 3u);
  ASSERT_TRUE(w.manager.SetTimer(one, 2, 300)) << "restarting keeps one host timer";
  ASSERT_EQ(w.host.timers.size(), 3u);

  for (uint32_t id : w.host.TimerIds()) w.manager.OnTimer(id);
  EXPECT_EQ(w.notifier.Count(L"timer", L"one"), 1);
  EXPECT_EQ(w.notifier.Count(L"timer", L"two"), 2);
  std::vector<uintptr_t> twoIds;
  for (const auto& h : w.notifier.heard) {
    if (h.type == L"timer" && h.sender == L"two") twoIds.push_back(h.wParam);
  }
  std::sort(twoIds.begin(), twoIds.end());
  EXPECT_EQ(twoIds, (std::vector<uintptr_t>{2, 1029})) << "wParam is the control's own timer id";

  EXPECT_TRUE(w.manager.KillTimer(two, 2));
  EXPECT_FALSE(w.manager.KillTimer(two, 2));
  const auto ids = w.host.TimerIds();
  ASSERT_TRUE(w.Find<CContainerUI>(L"root")->Remove(one));
  EXPECT_EQ(w.host.timers.size(), 1u) << "removing a control kills its timers";
  const size_t heard = w.notifier.heard.size();
  for (uint32_t id : ids) w.manager.OnTimer(id);   // a late tick of a dead timer is ignored
  EXPECT_EQ(w.notifier.heard.size(), heard + 1);
}

TEST(PaintManagerTest, TabMovesAmongTabStopsAndWrapsAround) {
  Window w(kButtons);
  EXPECT_EQ(w.manager.GetFocus(), nullptr);
  EXPECT_TRUE(w.manager.OnKeyDown(kVkTab));
  EXPECT_EQ(w.manager.GetFocus(), w.Find(L"one"));
  w.manager.OnKeyDown(kVkTab);
  EXPECT_EQ(w.manager.GetFocus(), w.Find(L"edit"));
  w.manager.OnKeyDown(kVkTab);
  EXPECT_EQ(w.manager.GetFocus(), w.Find(L"two")) << "labels, disabled and hidden controls are skipped";
  w.manager.OnKeyDown(kVkTab);
  EXPECT_EQ(w.manager.GetFocus(), w.Find(L"one"));
  w.manager.OnKeyDown(kVkTab, kKeyStateShift);
  EXPECT_EQ(w.manager.GetFocus(), w.Find(L"two"));
  EXPECT_EQ(w.notifier.Count(L"setfocus", L"one"), 2);
  EXPECT_EQ(w.notifier.Count(L"killfocus", L"one"), 2);
  EXPECT_FALSE(w.manager.OnKeyDown(kVkEscape)) << "Escape goes to the window";
}

TEST(PaintManagerTest, TabInAnEditAsksTheWindowFirst) {
  Window w(kButtons);
  w.Find(L"edit")->SetFocus();
  w.notifier.onNotify = [&](TNotifyUI& m) {
    if (m.sType == L"tab") w.Find(L"one")->SetFocus();
  };
  w.manager.OnKeyDown(kVkTab);
  EXPECT_EQ(w.notifier.Count(L"tab", L"edit"), 1);
  EXPECT_EQ(w.manager.GetFocus(), w.Find(L"one")) << "the window moved the focus; the manager does not again";
  w.notifier.onNotify = nullptr;
  w.Find(L"edit")->SetFocus();
  w.manager.OnKeyDown(kVkTab);
  EXPECT_EQ(w.manager.GetFocus(), w.Find(L"two")) << "unhandled, Tab moves on";
}

TEST(PaintManagerTest, ReturnClicksTheFocusedButton) {
  Window w(kButtons);
  w.Find(L"two")->SetFocus();
  EXPECT_TRUE(w.manager.OnKeyDown(kVkReturn));
  EXPECT_EQ(w.notifier.Count(L"click", L"two"), 1);
  w.Find(L"edit")->SetFocus();
  w.manager.OnKeyDown(kVkReturn);
  EXPECT_EQ(w.notifier.Count(L"return", L"edit"), 1);
}

TEST(PaintManagerTest, ButtonPressMoveOutMoveInReleaseClicksExactlyOnce) {
  Window w(kButtons);
  auto* one = w.Find<CButtonUI>(L"one");
  const UiPoint in = w.Center(L"one");
  const UiPoint out{in.x, 250};
  w.manager.OnMouseMove(in);
  EXPECT_TRUE(one->IsHot());
  EXPECT_EQ(w.host.cursor, UiCursor::Hand);
  w.manager.OnButtonDown(in);
  EXPECT_TRUE(one->IsPushed());
  EXPECT_TRUE(w.manager.IsCaptured());
  EXPECT_TRUE(w.host.captured);
  w.manager.OnMouseMove(out);
  EXPECT_FALSE(one->IsPushed());
  EXPECT_FALSE(one->IsHot());
  w.manager.OnMouseMove(in);
  EXPECT_TRUE(one->IsPushed());
  EXPECT_EQ(w.notifier.Count(L"click", L"one"), 0) << "no click before the release";
  w.manager.OnButtonUp(in);
  EXPECT_EQ(w.notifier.Count(L"click", L"one"), 1);
  EXPECT_FALSE(one->IsPushed());
  EXPECT_FALSE(w.host.captured);

  // Released outside: no click.
  w.manager.OnButtonDown(in);
  w.manager.OnMouseMove(out);
  w.manager.OnButtonUp(out);
  EXPECT_EQ(w.notifier.Count(L"click", L"one"), 1);

  // Disabled buttons do not click.
  const UiPoint off = w.Center(L"off");
  w.Click(off);
  EXPECT_EQ(w.notifier.Count(L"click", L"off"), 0);
}

TEST(PaintManagerTest, AClickHandlerMayRemoveTheButton) {
  Window w(kButtons);
  w.notifier.onNotify = [&](TNotifyUI& m) {
    if (m.sType == L"click") w.Find<CContainerUI>(L"root")->Remove(m.pSender);
  };
  w.Click(w.Center(L"one"));
  EXPECT_EQ(w.Find(L"one"), nullptr);
  EXPECT_EQ(w.manager.GetHot(), nullptr);
  EXPECT_EQ(w.manager.GetFocus(), nullptr);
  w.manager.OnMouseMove({5, 5});   // nothing dangles
}

TEST(PaintManagerTest, FindByPointHonoursFloatVisibilityAndMouseFlags) {
  Window w(R"(<Window><VerticalLayout name="root">
      <HorizontalLayout name="row" height="40">
        <Label name="under" width="100"/>
        <Label name="ghost" width="100" mouse="false"/>
        <Label name="invisible" width="100" visible="false"/>
      </HorizontalLayout>
      <HorizontalLayout name="locked" height="40" mousechild="false">
        <Button name="inside"/>
      </HorizontalLayout>
      <Container name="nomouse" height="40" mouse="false">
        <Button name="reachable" width="50"/>
      </Container>
      <Button name="floating" float="true" pos="20,10,60,30"/>
    </VerticalLayout></Window>)",
           {400, 300});
  EXPECT_EQ(w.manager.FindControl(UiPoint{30, 20}), w.Find(L"floating")) << "float controls lie on top";
  EXPECT_EQ(w.manager.FindControl(UiPoint{80, 20}), w.Find(L"under"));
  EXPECT_EQ(w.manager.FindControl(UiPoint{150, 20}), w.Find(L"row")) << "a mouse-disabled label lets the row answer";
  EXPECT_EQ(w.manager.FindControl(UiPoint{250, 20}), w.Find(L"row")) << "hidden controls are not found";
  EXPECT_EQ(w.manager.FindControl(UiPoint{50, 60}), w.Find(L"locked")) << "mousechild=false keeps the children out";
  EXPECT_EQ(w.manager.FindControl(UiPoint{20, 100}), w.Find(L"reachable"));
  EXPECT_EQ(w.manager.FindControl(UiPoint{200, 100}), w.Find(L"root")) << "a mouse-disabled container is passed over";
  EXPECT_EQ(w.manager.FindControl(UiPoint{500, 100}), nullptr);
  w.Find<CContainerUI>(L"locked")->SetMouseChildEnabled(true);
  EXPECT_EQ(w.manager.FindControl(UiPoint{50, 60}), w.Find(L"inside"));
}

TEST(PaintManagerTest, NamesFollowRenamesAndRemovals) {
  Window w(kButtons);
  CControlUI* one = w.Find(L"one");
  one->SetName(L"uno");
  EXPECT_EQ(w.manager.FindControl(L"one"), nullptr);
  EXPECT_EQ(w.manager.FindControl(L"uno"), one);
  auto* root = w.Find<CContainerUI>(L"root");
  auto* extra = new CButtonUI;
  extra->SetName(L"extra");
  ASSERT_TRUE(root->Add(extra));
  EXPECT_EQ(w.manager.FindControl(L"extra"), extra);
  std::unique_ptr<CControlUI> detached = root->Detach(extra);
  EXPECT_EQ(w.manager.FindControl(L"extra"), nullptr);
  EXPECT_EQ(detached->GetManager(), nullptr);
  root->RemoveAll();
  EXPECT_EQ(w.manager.FindControl(L"uno"), nullptr);
  EXPECT_EQ(w.manager.FindControl(L"root"), root);
}

TEST(PaintManagerTest, ASharedNameFindsTheControlRegisteredFirstAmongThoseLeft) {
  Window w(R"(<Window><VerticalLayout name="root"/></Window>)");
  auto* root = w.Find<CContainerUI>(L"root");
  std::vector<CControlUI*> rows;
  for (int i = 0; i < 4; ++i) {
    auto* row = new CContainerUI;
    auto* ip = new CLabelUI;
    ip->SetName(L"ip");
    ip->SetText(std::to_wstring(i));
    row->Add(ip);
    ASSERT_TRUE(root->Add(row));
    rows.push_back(ip);
  }
  EXPECT_EQ(w.manager.FindControl(L"ip"), rows[0]);
  // Moving a row does not change which one registered first.
  ASSERT_TRUE(root->SetItemIndex(rows[0]->GetParent(), 3));
  EXPECT_EQ(w.manager.FindControl(L"ip"), rows[0]);
  // Taking out the first, the middle and the last keeps the others in their order.
  ASSERT_TRUE(root->Remove(rows[0]->GetParent()));
  EXPECT_EQ(w.manager.FindControl(L"ip"), rows[1]);
  ASSERT_TRUE(root->Remove(rows[2]->GetParent()));
  EXPECT_EQ(w.manager.FindControl(L"ip"), rows[1]);
  ASSERT_TRUE(root->Remove(rows[3]->GetParent()));
  EXPECT_EQ(w.manager.FindControl(L"ip"), rows[1]);
  // A renamed control goes to the end of its new name's line.
  auto* other = new CLabelUI;
  other->SetName(L"port");
  ASSERT_TRUE(root->Add(other));
  rows[1]->SetName(L"port");
  EXPECT_EQ(w.manager.FindControl(L"ip"), nullptr);
  EXPECT_EQ(w.manager.FindControl(L"port"), other);
  other->SetName(L"port2");
  EXPECT_EQ(w.manager.FindControl(L"port"), rows[1]);
  other->SetName(L"port");
  EXPECT_EQ(w.manager.FindControl(L"port"), rows[1]) << "back at the end of the line";
  EXPECT_EQ(w.manager.FindControl(L"port2"), nullptr);
  ASSERT_TRUE(root->Remove(rows[1]->GetParent()));
  EXPECT_EQ(w.manager.FindControl(L"port"), other);
  std::unique_ptr<CControlUI> detached = root->Detach(other);
  EXPECT_EQ(w.manager.FindControl(L"port"), nullptr);
  // Joining again registers it again, once.
  ASSERT_TRUE(root->Add(detached.release()));
  EXPECT_EQ(w.manager.FindControl(L"port"), other);
  ASSERT_TRUE(root->Remove(other));
  EXPECT_EQ(w.manager.FindControl(L"port"), nullptr);
}

TEST(PaintManagerTest, LifeTokensExpireWhenTheirControlGoes) {
  Window w(kButtons);
  auto* root = w.Find<CContainerUI>(L"root");
  std::weak_ptr<const bool> one = w.Find(L"one")->GetLifeToken();
  std::weak_ptr<const bool> oneAgain = w.Find(L"one")->GetLifeToken();
  std::weak_ptr<const bool> two = w.Find(L"two")->GetLifeToken();
  EXPECT_FALSE(one.expired());
  EXPECT_FALSE(oneAgain.expired());
  ASSERT_TRUE(root->Remove(w.Find(L"one")));
  EXPECT_TRUE(one.expired());
  EXPECT_TRUE(oneAgain.expired());
  EXPECT_FALSE(two.expired());

  // A token asked for while the control is being taken apart still expires with it.
  struct Asking : CContainerUI {
    std::weak_ptr<const bool>* out = nullptr;
    ~Asking() override { *out = GetLifeToken(); }
  };
  std::weak_ptr<const bool> late;
  auto* asking = new Asking;
  asking->out = &late;
  ASSERT_TRUE(root->Add(asking));
  ASSERT_TRUE(root->Remove(asking));
  EXPECT_TRUE(late.expired());
  root->RemoveAll();
  EXPECT_TRUE(two.expired());
}

TEST(PaintManagerTest, ToolTipAndCursorFollowTheHotControl) {
  Window w(R"(<Window><VerticalLayout><Button name="b" height="40" tooltip="Settings"/><Label name="l" height="40" cursor="hand"/></VerticalLayout></Window>)");
  w.manager.OnMouseMove(w.Center(L"b"));
  EXPECT_TRUE(w.host.toolTipShown);
  EXPECT_EQ(w.host.toolTip, L"Settings");
  w.manager.OnMouseMove(w.Center(L"l"));
  EXPECT_FALSE(w.host.toolTipShown);
  EXPECT_EQ(w.host.cursor, UiCursor::Hand);
  w.manager.OnMouseMove({5, 200});
  EXPECT_EQ(w.host.cursor, UiCursor::Arrow);
}

TEST(PaintManagerTest, EditTypingSendsTextChangedAndRespectsItsRules) {
  Window w(R"(<Window><VerticalLayout><Edit name="e" height="30" maxchar="4"/><Edit name="n" height="30" numberonly="true"/><Edit name="ro" height="30" readonly="true"/></VerticalLayout></Window>)",
           {400, 300}, nullptr, false);
  auto* e = w.Find<CEditUI>(L"e");
  e->SetFocus();
  for (wchar_t c : std::wstring(L"abcde")) w.manager.OnChar(c);
  EXPECT_EQ(e->GetText(), L"abcd");
  EXPECT_EQ(w.notifier.Count(L"textchanged", L"e"), 4) << "the fifth character changed nothing";
  w.manager.OnKeyDown(kVkBack);
  EXPECT_EQ(e->GetText(), L"abc");
  e->SetText(L"xy");
  EXPECT_EQ(w.notifier.Count(L"textchanged", L"e"), 5) << "programmatic changes are silent";

  auto* n = w.Find<CEditUI>(L"n");
  n->SetFocus();
  for (wchar_t c : std::wstring(L"1a2")) w.manager.OnChar(c);
  EXPECT_EQ(n->GetText(), L"12");
  auto* ro = w.Find<CEditUI>(L"ro");
  ro->SetFocus();
  w.manager.OnChar(L'z');
  EXPECT_EQ(ro->GetText(), L"");
}

TEST(PaintManagerTest, NativeEditChildFollowsTheControl) {
  FakePaintHost host;
  CPaintManagerUI manager;
  manager.SetHost(&host);
  CDialogBuilder builder;
  manager.AttachDialog(builder.CreateFromText(
      R"(<Window><VerticalLayout><Edit name="pwd" height="30" password="true" textpadding="4,3,4,3"/></VerticalLayout></Window>)",
      L"t.xml", nullptr, &manager));
  manager.DoLayout();
  auto* pwd = dynamic_cast<CEditUI*>(manager.FindControl(L"pwd"));
  ASSERT_TRUE(pwd->HasNativeChild());
  ASSERT_EQ(host.children.count(pwd), 1u);
  EXPECT_EQ(host.children[pwd].kind, NativeChildKind::Edit);
  EXPECT_EQ(host.children[pwd].rect, (UiRect{4, 3, 396, 27}));
  EXPECT_TRUE(host.children[pwd].visible);
  RecordingNotifier n;
  manager.AddNotifier(&n);
  pwd->OnNativeTextChanged(L"secret");
  EXPECT_EQ(pwd->GetText(), L"secret");
  EXPECT_EQ(n.Count(L"textchanged", L"pwd"), 1);
  pwd->OnNativeTextChanged(L"secret");
  EXPECT_EQ(n.Count(L"textchanged", L"pwd"), 1) << "no change, no notification";
  pwd->SetVisible(false);
  EXPECT_FALSE(host.children[pwd].visible);
  pwd->SetFocus();
  manager.RemoveNotifier(&n);
  dynamic_cast<CContainerUI*>(manager.GetRoot())->RemoveAll();
  EXPECT_TRUE(host.children.empty()) << "the child window goes with its control";
}

TEST(PaintManagerTest, WebBrowserPaneDegradesWithoutAHostBrowser) {
  FakePaintHost host;
  host.allowNativeChildren = false;
  CPaintManagerUI manager;
  manager.SetHost(&host);
  CDialogBuilder builder;
  manager.AttachDialog(builder.CreateFromText(
      R"(<Window><WebBrowser name="notifyweb" homepage="about:blank" autonavi="true"/></Window>)", L"n.xml", nullptr,
      &manager));
  auto* web = dynamic_cast<CWebBrowserUI*>(manager.FindControl(L"notifyweb"));
  ASSERT_NE(web, nullptr);
  EXPECT_FALSE(web->HasNativeChild());
  EXPECT_FALSE(web->Navigate(L"http://127.0.0.1/notice"));
  EXPECT_EQ(web->GetUrl(), L"http://127.0.0.1/notice");

  FakePaintHost able;
  CPaintManagerUI manager2;
  manager2.SetHost(&able);
  manager2.AttachDialog(builder.CreateFromText(
      R"(<Window><WebBrowser name="w" homepage="about:blank" autonavi="true"/></Window>)", L"n.xml", nullptr, &manager2));
  auto* web2 = dynamic_cast<CWebBrowserUI*>(manager2.FindControl(L"w"));
  ASSERT_TRUE(web2->HasNativeChild());
  EXPECT_TRUE(web2->Navigate(L"http://127.0.0.1/x"));
  EXPECT_EQ(able.children[web2].navigations, (std::vector<std::wstring>{L"about:blank", L"http://127.0.0.1/x"}));
}

}  // namespace
}  // namespace nimbrook::toolkit

namespace nimbrook::toolkit {
namespace {

TEST(FrameHitTest, SizeBoxCaptionAndClientClasses) {
  test::Window w(R"(<Window size="300,200" caption="0,0,0,40" sizebox="4,4,6,6">
      <VerticalLayout><HorizontalLayout height="40">
        <Label name="title" width="100"/><Button name="closebtn" width="30"/><Option name="opt" width="30"/><Text name="t" width="40"/>
      </HorizontalLayout><Control/></VerticalLayout></Window>)",
                 {300, 200});
  const std::vector<std::wstring> clientClasses{L"ButtonUI", L"OptionUI"};
  auto hit = [&](int x, int y, bool maximized = false) { return w.manager.HitTestFrame({x, y}, maximized, clientClasses); };
  EXPECT_EQ(hit(1, 1), FrameHit::TopLeft);
  EXPECT_EQ(hit(150, 2), FrameHit::Top);
  EXPECT_EQ(hit(298, 2), FrameHit::TopRight);
  EXPECT_EQ(hit(2, 100), FrameHit::Left);
  EXPECT_EQ(hit(296, 100), FrameHit::Right);
  EXPECT_EQ(hit(2, 197), FrameHit::BottomLeft);
  EXPECT_EQ(hit(150, 197), FrameHit::Bottom);
  EXPECT_EQ(hit(297, 197), FrameHit::BottomRight);
  EXPECT_EQ(hit(50, 20), FrameHit::Caption) << "a label in the caption drags the window";
  EXPECT_EQ(hit(115, 20), FrameHit::Client) << "a button in the caption is clicked";
  EXPECT_EQ(hit(145, 20), FrameHit::Client);
  EXPECT_EQ(hit(180, 20), FrameHit::Caption) << "TextUI is not in this window's list";
  EXPECT_EQ(hit(150, 100), FrameHit::Client) << "below the caption";
  EXPECT_EQ(hit(50, 2, true), FrameHit::Caption) << "a maximised window has no resize borders";
  EXPECT_EQ(hit(1, 100, true), FrameHit::Client);
}

}  // namespace
}  // namespace nimbrook::toolkit

namespace nimbrook::toolkit {
namespace {

TEST(PaintManagerTest, NativeEditHidesWhileScrolledOutOfView) {
  test::Window w(R"(<Window><VerticalLayout name="area" vscrollbar="true">
      <Control height="100"/><Edit name="server_edit" height="30" text="proxy.example"/><Control height="300"/>
    </VerticalLayout></Window>)",
                 {200, 150});
  auto* edit = w.Find<CEditUI>(L"server_edit");
  ASSERT_TRUE(edit->HasNativeChild());
  EXPECT_TRUE(w.host.children[edit].visible);
  w.Find<CContainerUI>(L"area")->SetScrollPos({0, 110});
  EXPECT_FALSE(w.host.children[edit].visible) << "half scrolled out: the native box would cover the window";
  RecordingRenderContext ctx;
  w.manager.Paint(ctx, {0, 0, 200, 150});
  EXPECT_EQ(ctx.Texts(), (std::vector<std::wstring>{L"proxy.example"})) << "the model paints the text meanwhile";
  w.Find<CContainerUI>(L"area")->SetScrollPos({0, 40});
  EXPECT_TRUE(w.host.children[edit].visible);
  EXPECT_EQ(w.host.children[edit].rect.top, 100 - 40 + 3);
}

}  // namespace
}  // namespace nimbrook::toolkit
