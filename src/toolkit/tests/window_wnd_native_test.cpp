// The headless window: creation, message order, modal loops, close codes, final-message deletion,
// owner disabling and placement, as window code relies on them.
#include "toolkit/window_wnd.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace nimbrook::toolkit {
namespace {

std::vector<std::string>* g_deleted = nullptr;

class RecordingWnd : public CWindowWnd {
 public:
  explicit RecordingWnd(std::string id = "w") : m_id(std::move(id)) {}
  ~RecordingWnd() override {
    if (g_deleted) g_deleted->push_back(m_id);
  }

  intptr_t HandleMessage(unsigned msg, uintptr_t wParam, intptr_t lParam) override {
    messages.push_back(msg);
    if (msg == kWmNcCreate && refuseNcCreate) return 0;
    if (msg == kWmCreate && failCreate) return -1;
    if (msg == kWmCreate && closeInCreate) {
      SendMessage(kWmClose);
      return 0;
    }
    if (msg == kWmKeyDown && wParam == kVkEscape) {
      Close(kIdCancel);
      return 0;
    }
    if (msg == kWmUser) {
      ++userMessages;
      if (closeOnUser) Close(static_cast<unsigned>(wParam));
      return 42;
    }
    return CWindowWnd::HandleMessage(msg, wParam, lParam);
  }

  std::vector<unsigned> messages;
  int userMessages = 0;
  bool noClassName = false;   // registration fails
  bool refuseNcCreate = false;
  bool failCreate = false;
  bool closeInCreate = false;
  bool closeOnUser = false;
  bool deleteOnFinal = false;
  int finalMessages = 0;
  WindowHandle finalHandle = nullptr;   // what the final message was given

 protected:
  const wchar_t* GetWindowClassName() const override { return noClassName ? nullptr : L"RecordingWnd"; }
  void OnFinalMessage(WindowHandle hWnd) override {
    ++finalMessages;
    finalHandle = hWnd;
    if (deleteOnFinal) delete this;
  }

 private:
  std::string m_id;
};

bool Contains(const std::vector<unsigned>& v, unsigned msg) {
  for (unsigned m : v) {
    if (m == msg) return true;
  }
  return false;
}

TEST(WindowWndHeadless, CreateDeliversCreateThenSizeAndKeepsTheGivenPlacement) {
  RecordingWnd wnd;
  ASSERT_NE(wnd.Create(nullptr, L"title", kWsPopup, kWsExToolWindow, 10, 20, 300, 200), nullptr);
  ASSERT_GE(wnd.messages.size(), 3u);
  EXPECT_EQ(wnd.messages[0], kWmNcCreate);
  EXPECT_EQ(wnd.messages[1], kWmCreate);
  EXPECT_EQ(wnd.messages[2], kWmSize);
  EXPECT_EQ(wnd.GetWindowRect(), (UiRect{10, 20, 310, 220}));
  EXPECT_EQ(wnd.GetClientRect(), (UiRect{0, 0, 300, 200}));
  EXPECT_EQ(wnd.GetText(), L"title");
  EXPECT_EQ(wnd.GetExStyle(), kWsExToolWindow);
  EXPECT_FALSE(wnd.IsVisible());
  EXPECT_EQ(wnd.ScreenToClient({15, 25}), (UiPoint{5, 5}));
  EXPECT_EQ(wnd.ClientToScreen({5, 5}), (UiPoint{15, 25}));
  // A second Create on the same object is refused and leaves the first window as it was.
  const WindowHandle first = wnd.GetHWND();
  EXPECT_EQ(wnd.Create(nullptr, L"again", kWsPopup, 0), nullptr);
  EXPECT_EQ(wnd.GetHWND(), first);
  EXPECT_EQ(CWindowWnd::FromHandle(first), &wnd);
  EXPECT_EQ(wnd.finalMessages, 0);
  wnd.SendMessage(kWmClose);
  EXPECT_EQ(wnd.GetHWND(), nullptr);
}

// Every way creation can fail, with the messages the window gets before it is given up.
struct FailedCreation {
  const char* step;
  void (*arrange)(RecordingWnd&);
  std::vector<unsigned> messages;
};

std::vector<FailedCreation> FailedCreations() {
  using Failure = CWindowWnd::HeadlessCreateFailure;
  return {
      {"class not registered", [](RecordingWnd& w) { w.noClassName = true; }, {}},
      {"refused before the first message",
       [](RecordingWnd&) { CWindowWnd::FailNextHeadlessCreate(Failure::kBeforeFirstMessage); },
       {}},
      {"WM_NCCREATE answered FALSE", [](RecordingWnd& w) { w.refuseNcCreate = true; }, {kWmNcCreate, kWmNcDestroy}},
      {"WM_NCCREATE refused by the system",
       [](RecordingWnd&) { CWindowWnd::FailNextHeadlessCreate(Failure::kAtNcCreate); },
       {kWmNcCreate, kWmNcDestroy}},
      {"WM_CREATE answered -1", [](RecordingWnd& w) { w.failCreate = true; },
       {kWmNcCreate, kWmCreate, kWmDestroy, kWmNcDestroy}},
      {"WM_CREATE refused by the system",
       [](RecordingWnd&) { CWindowWnd::FailNextHeadlessCreate(Failure::kAtCreate); },
       {kWmNcCreate, kWmCreate, kWmDestroy, kWmNcDestroy}},
      {"destroyed itself in WM_CREATE", [](RecordingWnd& w) { w.closeInCreate = true; },
       {kWmNcCreate, kWmCreate, kWmClose, kWmDestroy, kWmNcDestroy}},
  };
}

TEST(WindowWndHeadless, FailedCreateDeliversTheFinalMessageExactlyOnceWhateverStepFailed) {
  RecordingWnd owner("owner");
  ASSERT_NE(owner.Create(nullptr, L"", kWsPopup, 0), nullptr);
  for (const FailedCreation& failure : FailedCreations()) {
    SCOPED_TRACE(failure.step);
    RecordingWnd wnd;
    failure.arrange(wnd);
    EXPECT_EQ(wnd.Create(owner, L"", kWsPopup, 0), nullptr);
    EXPECT_EQ(wnd.GetHWND(), nullptr);
    EXPECT_EQ(wnd.finalMessages, 1);
    EXPECT_EQ(wnd.messages, failure.messages);
    // Before the first message there never was a handle to pass on.
    EXPECT_EQ(wnd.finalHandle == nullptr, failure.messages.empty());
  }
  // A refusal from the system is for one creation only.
  CWindowWnd::FailNextHeadlessCreate(CWindowWnd::HeadlessCreateFailure::kAtCreate);
  RecordingWnd refused("refused");
  EXPECT_EQ(refused.Create(owner, L"", kWsPopup, 0), nullptr);
  RecordingWnd next("next");
  EXPECT_NE(next.Create(owner, L"", kWsPopup, 0), nullptr);
  next.SendMessage(kWmClose);
  owner.SendMessage(kWmClose);
}

TEST(WindowWndHeadless, WindowThatDeletesItselfIsGoneAfterAFailedCreateAndDeletedOnce) {
  std::vector<std::string> deleted;
  g_deleted = &deleted;
  for (const FailedCreation& failure : FailedCreations()) {
    SCOPED_TRACE(failure.step);
    deleted.clear();
    auto* wnd = new RecordingWnd(failure.step);
    wnd->deleteOnFinal = true;
    failure.arrange(*wnd);
    // Nothing may be read from the object after this: a second delete is a sanitizer error.
    EXPECT_EQ(wnd->Create(nullptr, L"", kWsPopup, 0), nullptr);
    EXPECT_EQ(deleted, std::vector<std::string>{failure.step});
  }
  g_deleted = nullptr;
}

TEST(WindowWndHeadless, SendIsSynchronousAndPostWaitsForTheQueue) {
  RecordingWnd wnd;
  ASSERT_NE(wnd.Create(nullptr, L"", kWsPopup, 0), nullptr);
  EXPECT_EQ(wnd.SendMessage(kWmUser, 0, 0), 42);
  EXPECT_EQ(wnd.userMessages, 1);
  EXPECT_TRUE(wnd.PostMessage(kWmUser, 0, 0));
  EXPECT_EQ(wnd.userMessages, 1);
  EXPECT_EQ(CWindowWnd::RunPostedMessages(), 1u);
  EXPECT_EQ(wnd.userMessages, 2);
  wnd.SendMessage(kWmClose);
  // A destroyed window takes no more messages.
  EXPECT_FALSE(wnd.PostMessage(kWmUser, 0, 0));
  EXPECT_EQ(wnd.SendMessage(kWmUser, 0, 0), 0);
}

TEST(WindowWndHeadless, CloseOutsideAModalLoopDestroysOnceThePostedCloseRuns) {
  std::vector<std::string> deleted;
  g_deleted = &deleted;
  auto* wnd = new RecordingWnd("popup");
  wnd->deleteOnFinal = true;
  ASSERT_NE(wnd->Create(nullptr, L"", kWsPopup, 0), nullptr);
  wnd->Close(7);
  EXPECT_TRUE(deleted.empty());   // the caller's stack unwinds first
  CWindowWnd::RunPostedMessages();
  ASSERT_EQ(deleted.size(), 1u);
  EXPECT_EQ(deleted[0], "popup");
  g_deleted = nullptr;
}

TEST(WindowWndHeadless, ShowModalReturnsTheCloseCodeAfterTheWindowDeletedItself) {
  std::vector<std::string> deleted;
  g_deleted = &deleted;
  auto* wnd = new RecordingWnd("box");
  wnd->deleteOnFinal = true;
  wnd->closeOnUser = true;
  ASSERT_NE(wnd->Create(nullptr, L"", kWsPopup, 0), nullptr);
  wnd->PostMessage(kWmUser, 2, 0);   // "the user pressed cancel"
  EXPECT_EQ(wnd->ShowModal(), 2u);
  ASSERT_EQ(deleted.size(), 1u);
  EXPECT_EQ(deleted[0], "box");
  g_deleted = nullptr;
}

TEST(WindowWndHeadless, ModalLoopDisablesTheOwnerUntilClose) {
  RecordingWnd owner("owner");
  ASSERT_NE(owner.Create(nullptr, L"", kWsPopup, 0, 0, 0, 400, 300), nullptr);
  owner.ShowWindow();
  RecordingWnd dialog("dialog");
  ASSERT_NE(dialog.Create(owner, L"", kWsPopup, kWsExToolWindow), nullptr);
  EXPECT_EQ(dialog.GetParentHandle(), owner.GetHWND());
  bool ownerDisabledDuringLoop = false;
  dialog.SetHeadlessIdleWork([&] {
    ownerDisabledDuringLoop = !CWindowWnd::IsWindowEnabled(owner);
    dialog.SendMessage(kWmKeyDown, kVkEscape, 0);   // Escape closes with 2
    return true;
  });
  EXPECT_EQ(dialog.ShowModal(), kIdCancel);
  EXPECT_TRUE(ownerDisabledDuringLoop);
  EXPECT_TRUE(CWindowWnd::IsWindowEnabled(owner));
  EXPECT_EQ(dialog.GetHWND(), nullptr);
  EXPECT_EQ(dialog.finalMessages, 1);
  // The dialog had the focus; destroying it does not leave the owner with a stale focus record.
  owner.SendMessage(kWmClose);
}

TEST(WindowWndHeadless, ModalLoopWithNothingToRunEndsInsteadOfHanging) {
  RecordingWnd owner("owner");
  ASSERT_NE(owner.Create(nullptr, L"", kWsPopup, 0), nullptr);
  RecordingWnd dialog("dialog");
  ASSERT_NE(dialog.Create(owner, L"", kWsPopup, 0), nullptr);
  EXPECT_EQ(dialog.ShowModal(), kModalFailed);
  EXPECT_NE(dialog.GetHWND(), nullptr);
  EXPECT_TRUE(CWindowWnd::IsWindowEnabled(owner));
  RecordingWnd never("never");
  EXPECT_EQ(never.ShowModal(), kModalFailed);
  dialog.SendMessage(kWmClose);
  owner.SendMessage(kWmClose);
}

TEST(WindowWndHeadless, DestroyingTheOwnerDestroysOwnedWindowsFirst) {
  std::vector<std::string> deleted;
  g_deleted = &deleted;
  auto* owner = new RecordingWnd("owner");
  owner->deleteOnFinal = true;
  auto* child = new RecordingWnd("child");
  child->deleteOnFinal = true;
  ASSERT_NE(owner->Create(nullptr, L"", kWsPopup, 0), nullptr);
  ASSERT_NE(child->Create(*owner, L"", kWsPopup, 0), nullptr);
  owner->SendMessage(kWmClose);
  ASSERT_EQ(deleted.size(), 2u);
  EXPECT_EQ(deleted[0], "child");
  EXPECT_EQ(deleted[1], "owner");
  g_deleted = nullptr;
}

TEST(WindowWndHeadless, FocusMovesWithShowAndKillFocusNamesTheNewWindow) {
  RecordingWnd a("a");
  RecordingWnd b("b");
  ASSERT_NE(a.Create(nullptr, L"", kWsPopup, 0), nullptr);
  ASSERT_NE(b.Create(nullptr, L"", kWsPopup, 0), nullptr);
  a.ShowWindow(true, true);
  EXPECT_TRUE(Contains(a.messages, kWmSetFocus));
  a.messages.clear();
  b.ShowWindow(true, true);
  ASSERT_TRUE(Contains(a.messages, kWmKillFocus));
  b.ShowWindow(true, false);   // no change, no messages
  a.SendMessage(kWmClose);
  b.SendMessage(kWmClose);
}

TEST(WindowWndHeadless, CenterOnOwnerOrWorkAreaAndStayInside) {
  CWindowWnd::SetHeadlessScreen({0, 0, 1000, 700});
  RecordingWnd owner("owner");
  ASSERT_NE(owner.Create(nullptr, L"", kWsPopup, 0, 100, 100, 400, 300), nullptr);
  owner.ShowWindow(true, false);
  RecordingWnd dialog("dialog");
  ASSERT_NE(dialog.Create(owner, L"", kWsPopup, 0, 0, 0, 200, 100), nullptr);
  dialog.CenterWindow();
  EXPECT_EQ(dialog.GetWindowRect(), (UiRect{200, 200, 400, 300}));

  // An owner at the edge: centred, then pulled back inside the work area.
  owner.SetWindowPos(nullptr, 900, 650, 0, 0, kSwpNoSize | kSwpNoZOrder);
  dialog.CenterWindow();
  EXPECT_EQ(dialog.GetWindowRect(), (UiRect{800, 600, 1000, 700}));

  RecordingWnd lone("lone");
  ASSERT_NE(lone.Create(nullptr, L"", kWsPopup, 0, 0, 0, 200, 100), nullptr);
  lone.CenterWindow();
  EXPECT_EQ(lone.GetWindowRect(), (UiRect{400, 300, 600, 400}));
  EXPECT_EQ(lone.GetWorkArea(), (UiRect{0, 0, 1000, 700}));

  lone.ResizeClient(50, -1);
  EXPECT_EQ(lone.GetClientRect(), (UiRect{0, 0, 50, 100}));
  EXPECT_EQ(lone.messages.back(), kWmSize);
  lone.SendMessage(kWmClose);
  dialog.SendMessage(kWmClose);
  owner.SendMessage(kWmClose);
  CWindowWnd::SetHeadlessScreen({0, 0, 1280, 760});
}

TEST(WindowWndHeadless, StylesRegionAndPointPacking) {
  RecordingWnd wnd;
  ASSERT_NE(wnd.Create(nullptr, L"", kWsOverlappedWindow | kWsVisible, 0), nullptr);
  EXPECT_TRUE(wnd.IsVisible());
  uint32_t style = wnd.GetStyle();
  wnd.SetStyle((style & 0xFF3EFFFFu) | kWsClipSiblings | kWsClipChildren);
  EXPECT_EQ(wnd.GetStyle() & kWsCaption, 0u);
  EXPECT_EQ(wnd.GetStyle() & kWsMaximizeBox, 0u);
  EXPECT_FALSE(wnd.IsMaximized());
  EXPECT_TRUE(wnd.SetRoundRegion({0, 0, 101, 113}, {3, 3}));
  const intptr_t lp = MakePointLParam(-5, 300);
  EXPECT_EQ(PointXFromLParam(lp), -5);
  EXPECT_EQ(PointYFromLParam(lp), 300);
  wnd.SendMessage(kWmClose);
  EXPECT_FALSE(wnd.SetRoundRegion({0, 0, 1, 1}, {3, 3}));
}

}  // namespace
}  // namespace nimbrook::toolkit
