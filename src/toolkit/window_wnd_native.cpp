// The headless CWindowWnd of native builds: windows are records in a process-wide table, messages
// go straight to HandleMessage (sent) or through one queue (posted), and destruction ends with the
// final message exactly as on Windows, so window logic runs in native tests without a display.
#include "toolkit/window_wnd.h"

#include <algorithm>
#include <deque>
#include <map>
#include <utility>
#include <vector>

#include "core/log.h"

namespace nimbrook::toolkit {

namespace {

struct HeadlessWindow {
  CWindowWnd* window = nullptr;
  WindowHandle parent = nullptr;
  std::wstring className;
  std::wstring text;
  uint32_t style = 0;
  uint32_t exStyle = 0;
  UiRect rect{};   // screen coordinates
  bool enabled = true;
  UiRect region{};
  UiSize regionRound{};
};

struct PostedMessage {
  WindowHandle handle;
  unsigned msg;
  uintptr_t wParam;
  intptr_t lParam;
};

struct HeadlessScreen {
  std::map<uintptr_t, HeadlessWindow> windows;
  std::deque<PostedMessage> posted;
  uintptr_t nextHandle = 0x1000;
  UiRect workArea{0, 0, 1280, 760};
  double dpiScale = 1.0;
  WindowHandle focus = nullptr;
  CWindowWnd::HeadlessCreateFailure createFailure = CWindowWnd::HeadlessCreateFailure::kNone;
};

HeadlessScreen& Screen() {
  static HeadlessScreen screen;
  return screen;
}

uintptr_t Key(WindowHandle h) { return reinterpret_cast<uintptr_t>(h); }

HeadlessWindow* Find(WindowHandle h) {
  auto& windows = Screen().windows;
  auto it = windows.find(Key(h));
  return it == windows.end() ? nullptr : &it->second;
}

}  // namespace

// Reaches the private modal state from the message routing below.
struct WindowWndAccess {
  static std::shared_ptr<CWindowWnd::ModalState>& Modal(CWindowWnd* w) { return w->m_modal; }
  static void SetDefaultSize(CWindowWnd* w, bool value) { w->m_defaultSize = value; }

  // Delivers one message to the window behind the handle, with the close and final-message
  // bookkeeping the Win32 window procedure does.
  static intptr_t Dispatch(WindowHandle handle, unsigned msg, uintptr_t wParam, intptr_t lParam) {
    HeadlessWindow* record = Find(handle);
    if (!record || !record->window) return 0;
    CWindowWnd* window = record->window;
    std::shared_ptr<CWindowWnd::ModalState> modal = window->m_modal;
    if (msg == kWmClose && modal) {
      modal->code = static_cast<unsigned>(wParam);
      modal->closeSeen = true;
      // The owner comes back before the window goes, so it is the one that gets activated.
      if (HeadlessWindow* owner = Find(record->parent)) owner->enabled = true;
    }
    intptr_t result = window->HandleMessage(msg, wParam, lParam);
    if (msg == kWmNcDestroy) {
      auto& screen = Screen();
      screen.windows.erase(Key(handle));
      screen.posted.erase(std::remove_if(screen.posted.begin(), screen.posted.end(),
                                         [handle](const PostedMessage& m) { return m.handle == handle; }),
                          screen.posted.end());
      if (screen.focus == handle) screen.focus = nullptr;
      if (modal) modal->destroyed = true;
      window->m_hWnd = nullptr;
      window->OnFinalMessage(handle);   // may delete the window object
    }
    return result;
  }

  static void Destroy(WindowHandle handle) {
    if (!Find(handle)) return;
    // Owned windows go first, as on Windows.
    std::vector<WindowHandle> owned;
    for (const auto& entry : Screen().windows) {
      if (entry.second.parent == handle) owned.push_back(reinterpret_cast<WindowHandle>(entry.first));
    }
    for (WindowHandle child : owned) Destroy(child);
    if (HeadlessWindow* record = Find(handle)) {
      record->style &= ~kWsVisible;
      Dispatch(handle, kWmDestroy, 0, 0);
      Dispatch(handle, kWmNcDestroy, 0, 0);
    }
  }

  static void SetFocusTo(WindowHandle handle) {
    auto& screen = Screen();
    WindowHandle old = screen.focus;
    if (old == handle) return;
    screen.focus = handle;
    if (old && Find(old)) Dispatch(old, kWmKillFocus, reinterpret_cast<uintptr_t>(handle), 0);
    if (handle && Find(handle)) Dispatch(handle, kWmSetFocus, reinterpret_cast<uintptr_t>(old), 0);
  }

  static void Resized(WindowHandle handle) {
    HeadlessWindow* record = Find(handle);
    if (!record) return;
    Dispatch(handle, kWmSize, kSizeRestored,
             MakePointLParam(record->rect.Width(), record->rect.Height()));
  }
};

CWindowWnd::CWindowWnd() = default;

CWindowWnd::~CWindowWnd() {
  // A window object deleted while its window lives: the record must not keep a dangling pointer.
  if (HeadlessWindow* record = Find(m_hWnd)) record->window = nullptr;
}

bool CWindowWnd::RegisterWindowClass() { return GetWindowClassName() != nullptr; }

bool CWindowWnd::RegisterSuperclass() {
  return GetWindowClassName() != nullptr && GetSuperClassName() != nullptr;
}

WindowHandle CWindowWnd::Create(WindowHandle parent, const std::wstring& name, uint32_t style,
                                uint32_t exStyle, int x, int y, int cx, int cy) {
  if (m_hWnd) return nullptr;   // one window per object
  auto& screen = Screen();
  const HeadlessCreateFailure failure = std::exchange(screen.createFailure, HeadlessCreateFailure::kNone);
  const bool registered = GetSuperClassName() ? RegisterSuperclass() : RegisterWindowClass();
  if (!registered || failure == HeadlessCreateFailure::kBeforeFirstMessage) {
    // No window ever existed, so no WM_NCDESTROY will bring the final message: it is delivered here.
    OnFinalMessage(nullptr);   // may delete the window object
    return nullptr;
  }
  if (parent && !Find(parent)) parent = nullptr;

  WindowHandle handle = reinterpret_cast<WindowHandle>(screen.nextHandle);
  screen.nextHandle += 4;
  HeadlessWindow record;
  record.window = this;
  record.parent = parent;
  record.className = GetWindowClassName();
  record.text = name;
  record.style = style;
  record.exStyle = exStyle;
  const int left = x == kCwUseDefault ? 0 : x;
  const int top = y == kCwUseDefault ? 0 : y;
  const int width = cx == kCwUseDefault ? 0 : cx;
  const int height = cy == kCwUseDefault ? 0 : cy;
  record.rect = {left, top, left + width, top + height};
  screen.windows[Key(handle)] = record;
  m_hWnd = handle;
  m_modal = std::make_shared<ModalState>();
  WindowWndAccess::SetDefaultSize(this, cx == kCwUseDefault);
  // From here on the object may delete itself in any message: only the shared state is read.
  const std::shared_ptr<ModalState> modal = m_modal;

  const intptr_t ncCreate = WindowWndAccess::Dispatch(handle, kWmNcCreate, 0, 0);
  if (modal->destroyed) return nullptr;   // destroyed itself while being created
  if (ncCreate == 0 || failure == HeadlessCreateFailure::kAtNcCreate) {
    // As CreateWindowEx does: a window that refused WM_NCCREATE gets WM_NCDESTROY only.
    WindowWndAccess::Dispatch(handle, kWmNcDestroy, 0, 0);
    return nullptr;
  }
  const intptr_t create = WindowWndAccess::Dispatch(handle, kWmCreate, 0, 0);
  if (modal->destroyed) return nullptr;
  if (create == -1 || failure == HeadlessCreateFailure::kAtCreate) {
    WindowWndAccess::Destroy(handle);   // ends with the final message, as CreateWindowEx does
    return nullptr;
  }
  WindowWndAccess::Resized(handle);
  return modal->destroyed ? nullptr : handle;
}

WindowHandle CWindowWnd::Create(WindowHandle parent, const std::wstring& name, uint32_t style,
                                uint32_t exStyle, const UiRect& rect) {
  return Create(parent, name, style, exStyle, rect.left, rect.top, rect.Width(), rect.Height());
}

void CWindowWnd::ShowWindow(bool show, bool takeFocus) {
  HeadlessWindow* record = Find(m_hWnd);
  if (!record) return;
  const bool wasVisible = (record->style & kWsVisible) != 0;
  if (show) {
    record->style |= kWsVisible;
  } else {
    record->style &= ~kWsVisible;
  }
  WindowHandle handle = m_hWnd;
  if (wasVisible != show) WindowWndAccess::Dispatch(handle, kWmShowWindow, show ? 1 : 0, 0);
  if (!Find(handle)) return;
  if (show && takeFocus) {
    WindowWndAccess::SetFocusTo(handle);
  } else if (!show && Screen().focus == handle) {
    HeadlessWindow* self = Find(handle);
    WindowWndAccess::SetFocusTo(self && Find(self->parent) ? self->parent : nullptr);
  }
}

unsigned CWindowWnd::ShowModal() {
  WindowHandle handle = m_hWnd;
  HeadlessWindow* record = Find(handle);
  if (!record) return kModalFailed;
  std::shared_ptr<ModalState> modal = m_modal;
  modal->closeSeen = false;
  WindowHandle owner = record->parent;
  if (HeadlessWindow* ownerRecord = Find(owner)) ownerRecord->enabled = false;
  ShowWindow(true, true);

  auto& screen = Screen();
  bool stalled = false;
  // The window object may delete itself while its messages run: only the shared state is read.
  while (!modal->closeSeen && !modal->destroyed) {
    if (!screen.posted.empty()) {
      PostedMessage m = screen.posted.front();
      screen.posted.pop_front();
      WindowWndAccess::Dispatch(m.handle, m.msg, m.wParam, m.lParam);
      continue;
    }
    CWindowWnd* self = FromHandle(handle);
    if (self && self->m_idleWork && self->m_idleWork()) continue;
    stalled = true;
    break;
  }
  if (HeadlessWindow* ownerRecord = Find(owner)) ownerRecord->enabled = true;
  if (stalled) {
    WriteLog(L"模态窗口没有可处理的消息，已退出模态循环");
    return kModalFailed;
  }
  return modal->code;
}

void CWindowWnd::Close(unsigned code) {
  if (!Find(m_hWnd)) return;
  if (m_modal) m_modal->code = code;
  PostMessage(kWmClose, code, 0);
}

void CWindowWnd::CenterWindow() {
  HeadlessWindow* record = Find(m_hWnd);
  if (!record) return;
  const UiRect work = GetWorkArea();
  UiRect center = work;
  if (HeadlessWindow* owner = Find(record->parent)) {
    if ((owner->style & kWsVisible) && !(owner->style & kWsMinimize)) center = owner->rect;
  }
  const int w = record->rect.Width();
  const int h = record->rect.Height();
  int x = center.left + (center.Width() - w) / 2;
  int y = center.top + (center.Height() - h) / 2;
  x = std::max(work.left, std::min(x, work.right - w));
  y = std::max(work.top, std::min(y, work.bottom - h));
  SetWindowPos(nullptr, x, y, -1, -1, kSwpNoSize | kSwpNoZOrder | kSwpNoActivate);
}

void CWindowWnd::ResizeClient(int cx, int cy) {
  HeadlessWindow* record = Find(m_hWnd);
  if (!record) return;
  const int w = cx < 0 ? record->rect.Width() : cx;
  const int h = cy < 0 ? record->rect.Height() : cy;
  SetWindowPos(nullptr, 0, 0, w, h, kSwpNoMove | kSwpNoZOrder | kSwpNoActivate);
}

intptr_t CWindowWnd::SendMessage(unsigned msg, uintptr_t wParam, intptr_t lParam) {
  return WindowWndAccess::Dispatch(m_hWnd, msg, wParam, lParam);
}

bool CWindowWnd::PostMessage(unsigned msg, uintptr_t wParam, intptr_t lParam) {
  if (!Find(m_hWnd)) return false;
  Screen().posted.push_back({m_hWnd, msg, wParam, lParam});
  return true;
}

UiRect CWindowWnd::GetWindowRect() const {
  HeadlessWindow* record = Find(m_hWnd);
  return record ? record->rect : UiRect{};
}

UiRect CWindowWnd::GetClientRect() const {
  HeadlessWindow* record = Find(m_hWnd);
  return record ? UiRect{0, 0, record->rect.Width(), record->rect.Height()} : UiRect{};
}

UiPoint CWindowWnd::ScreenToClient(UiPoint pt) const {
  const UiRect r = GetWindowRect();
  return {pt.x - r.left, pt.y - r.top};
}

UiPoint CWindowWnd::ClientToScreen(UiPoint pt) const {
  const UiRect r = GetWindowRect();
  return {pt.x + r.left, pt.y + r.top};
}

bool CWindowWnd::IsVisible() const {
  HeadlessWindow* record = Find(m_hWnd);
  return record && (record->style & kWsVisible);
}

bool CWindowWnd::IsMaximized() const {
  HeadlessWindow* record = Find(m_hWnd);
  return record && (record->style & kWsMaximize);
}

bool CWindowWnd::IsMinimized() const {
  HeadlessWindow* record = Find(m_hWnd);
  return record && (record->style & kWsMinimize);
}

uint32_t CWindowWnd::GetStyle() const {
  HeadlessWindow* record = Find(m_hWnd);
  return record ? record->style : 0;
}

void CWindowWnd::SetStyle(uint32_t style) {
  if (HeadlessWindow* record = Find(m_hWnd)) record->style = style;
}

uint32_t CWindowWnd::GetExStyle() const {
  HeadlessWindow* record = Find(m_hWnd);
  return record ? record->exStyle : 0;
}

bool CWindowWnd::SetWindowPos(WindowHandle insertAfter, int x, int y, int cx, int cy, unsigned flags) {
  HeadlessWindow* record = Find(m_hWnd);
  if (!record) return false;
  UiRect r = record->rect;
  if (!(flags & kSwpNoMove)) r = r.Offset(x - r.left, y - r.top);
  if (!(flags & kSwpNoSize)) {
    r.right = r.left + std::max(0, cx);
    r.bottom = r.top + std::max(0, cy);
  }
  const bool resized = r.Width() != record->rect.Width() || r.Height() != record->rect.Height();
  const bool moved = r.left != record->rect.left || r.top != record->rect.top;
  record->rect = r;
  WindowHandle handle = m_hWnd;
  if (flags & kSwpShowWindow) ShowWindow(true, !(flags & kSwpNoActivate));
  if (flags & kSwpHideWindow) ShowWindow(false, false);
  if (moved && Find(handle)) WindowWndAccess::Dispatch(handle, kWmMove, 0, MakePointLParam(r.left, r.top));
  if (resized && Find(handle)) WindowWndAccess::Resized(handle);
  return true;
}

UiRect CWindowWnd::GetWorkArea() const { return Screen().workArea; }

bool CWindowWnd::SetRoundRegion(const UiRect& rect, UiSize round) {
  HeadlessWindow* record = Find(m_hWnd);
  if (!record) return false;
  record->region = round.cx == 0 && round.cy == 0 ? UiRect{} : rect;
  record->regionRound = round;
  return true;
}

double CWindowWnd::GetDpiScale() const { return Screen().dpiScale; }

void CWindowWnd::SetText(const std::wstring& text) {
  if (HeadlessWindow* record = Find(m_hWnd)) record->text = text;
}

std::wstring CWindowWnd::GetText() const {
  HeadlessWindow* record = Find(m_hWnd);
  return record ? record->text : std::wstring();
}

intptr_t CWindowWnd::HandleMessage(unsigned msg, uintptr_t wParam, intptr_t lParam) {
  return CallDefault(msg, wParam, lParam);
}

intptr_t CWindowWnd::CallDefault(unsigned msg, uintptr_t wParam, intptr_t lParam) {
  switch (msg) {
    case kWmClose:
      WindowWndAccess::Destroy(m_hWnd);
      return 0;
    case kWmNcCreate:
      return 1;   // DefWindowProc lets creation go on
    case kWmNcHitTest:
      return kHtClient;
    case kWmNcActivate:
      return 1;
    default:
      return 0;
  }
}

void CWindowWnd::SetHeadlessScreen(const UiRect& workArea, double dpiScale) {
  Screen().workArea = workArea;
  Screen().dpiScale = dpiScale > 0 ? dpiScale : 1.0;
}

void CWindowWnd::FailNextHeadlessCreate(HeadlessCreateFailure step) { Screen().createFailure = step; }

size_t CWindowWnd::RunPostedMessages() {
  size_t count = 0;
  auto& posted = Screen().posted;
  while (!posted.empty()) {
    PostedMessage m = posted.front();
    posted.pop_front();
    WindowWndAccess::Dispatch(m.handle, m.msg, m.wParam, m.lParam);
    ++count;
  }
  return count;
}

CWindowWnd* CWindowWnd::FromHandle(WindowHandle handle) {
  HeadlessWindow* record = Find(handle);
  return record ? record->window : nullptr;
}

bool CWindowWnd::IsWindowEnabled(WindowHandle handle) {
  HeadlessWindow* record = Find(handle);
  return record && record->enabled;
}

WindowHandle CWindowWnd::GetParentHandle() const {
  HeadlessWindow* record = Find(m_hWnd);
  return record ? record->parent : nullptr;
}

void BecomeDpiAware() {}

}  // namespace nimbrook::toolkit
