// Real window creation that fails, before the first message and after it: the window object has
// received its final message exactly once either way, so a window that deletes itself there is
// neither leaked nor deleted twice.
#include <windows.h>

#include <gtest/gtest.h>

#include <vector>

#include "toolkit/window_wnd.h"

namespace nimbrook::toolkit {
namespace {

int g_deletes = 0;

class RefusingWnd : public CWindowWnd {
 public:
  enum class Refuse { kClass, kParent, kNcCreate, kCreate };
  explicit RefusingWnd(Refuse refuse) : m_refuse(refuse) {}
  ~RefusingWnd() override { ++g_deletes; }

  intptr_t HandleMessage(unsigned msg, uintptr_t wParam, intptr_t lParam) override {
    if (msg == kWmNcCreate || msg == kWmCreate || msg == kWmNcDestroy) seen->push_back(msg);
    if (msg == kWmNcCreate && m_refuse == Refuse::kNcCreate) return FALSE;
    if (msg == kWmCreate && m_refuse == Refuse::kCreate) return -1;
    return CWindowWnd::HandleMessage(msg, wParam, lParam);
  }

  // Outlive the object.
  std::vector<unsigned>* seen = nullptr;
  int* finals = nullptr;

 protected:
  const wchar_t* GetWindowClassName() const override {
    return m_refuse == Refuse::kClass ? L"" : L"NimbrookRefusingWnd";
  }
  void OnFinalMessage(WindowHandle) override {
    ++*finals;
    delete this;
  }

 private:
  Refuse m_refuse;
};

TEST(WindowWndWin, FailedCreationDeliversTheFinalMessageOnceWhateverStepFailed) {
  struct Case {
    const char* name;
    RefusingWnd::Refuse refuse;
    bool messagesSeen;
  };
  const Case cases[] = {
      {"class cannot be registered", RefusingWnd::Refuse::kClass, false},
      {"parent is not a window", RefusingWnd::Refuse::kParent, false},
      {"WM_NCCREATE refused", RefusingWnd::Refuse::kNcCreate, true},
      {"WM_CREATE answered -1", RefusingWnd::Refuse::kCreate, true},
  };
  // A handle value that names no window.
  HWND notAWindow = reinterpret_cast<HWND>(static_cast<uintptr_t>(0x7FFF0FF0));
  ASSERT_FALSE(::IsWindow(notAWindow));
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<unsigned> messages;
    int finals = 0;
    g_deletes = 0;
    auto* wnd = new RefusingWnd(c.refuse);
    wnd->seen = &messages;
    wnd->finals = &finals;
    WindowHandle parent = c.refuse == RefusingWnd::Refuse::kParent ? notAWindow : nullptr;
    EXPECT_EQ(wnd->Create(parent, L"", kWsPopup, kWsExToolWindow), nullptr);
    EXPECT_EQ(finals, 1);
    EXPECT_EQ(g_deletes, 1);
    // The failures after the first message reach the window and end in WM_NCDESTROY.
    EXPECT_EQ(!messages.empty(), c.messagesSeen);
    if (c.messagesSeen) {
      EXPECT_EQ(messages.back(), kWmNcDestroy);
    }
  }
}

}  // namespace
}  // namespace nimbrook::toolkit
