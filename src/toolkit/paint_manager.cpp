#include "toolkit/paint_manager.h"

#include <algorithm>
#include <cassert>
#include <chrono>

#include "toolkit/control.h"
#include "toolkit/edit.h"
#include "toolkit/option.h"
#include "toolkit/paint_host.h"
#include "toolkit/render_context.h"
#include "toolkit/resource_store.h"

namespace nimbrook::toolkit {
namespace {

void*& InstanceHandle() {
  static void* instance = nullptr;
  return instance;
}

}  // namespace

CPaintManagerUI::CPaintManagerUI() = default;

CPaintManagerUI::~CPaintManagerUI() {
  m_destroying = true;
  if (m_host) {
    for (const auto& t : m_timers) m_host->StopTimer(t.hostId);
  }
  m_timers.clear();
  m_asyncQueue.clear();
  m_root.reset();
}

// --- process-wide set-up

void CPaintManagerUI::SetInstance(void* instance) { InstanceHandle() = instance; }
void* CPaintManagerUI::GetInstance() { return InstanceHandle(); }
bool CPaintManagerUI::SetResourcePath(const std::wstring& directory) {
  return toolkit::SetResourcePath(directory);
}
std::wstring CPaintManagerUI::GetResourcePath() { return Resources().ResourcePath(); }
bool CPaintManagerUI::SetResourceZip(const std::wstring& zipFile) { return toolkit::SetResourceZip(zipFile); }

void CPaintManagerUI::SetHost(PaintHost* host) { m_host = host; }

// --- the tree

bool CPaintManagerUI::AttachDialog(CControlUI* root) {
  if (!root) return false;
  if (root == m_root.get()) return true;
  SetFocus(nullptr);
  m_hot = nullptr;
  m_pressed = nullptr;
  std::unique_ptr<CControlUI> old = std::move(m_root);
  old.reset();
  m_root.reset(root);
  m_attached = true;
  root->SetManager(this, nullptr, true);
  m_firstLayout = true;
  m_updateNeeded = true;
  Invalidate();
  return true;
}

void CPaintManagerUI::InitControls(CControlUI* control, CControlUI*) {
  if (!control || m_destroying) return;
  if (!control->GetName().empty() && !control->m_nameListed) RegisterName(control, control->GetName());
  if (m_attached) control->DoInit();
}

void CPaintManagerUI::ReapObjects(CControlUI* control) {
  if (!control || m_destroying) return;
  UnregisterName(control, control->GetName());
  if (m_focus == control) m_focus = nullptr;
  if (m_hot == control) m_hot = nullptr;
  if (m_pressed == control) {
    m_pressed = nullptr;
    ReleaseCapture();
  }
  if (m_toolTipControl == control) {
    m_toolTipControl = nullptr;
    if (m_host) m_host->HideToolTip();
  }
  KillTimer(control);
  auto dropped = [control](const TNotifyUI& msg) { return msg.pSender == control; };
  m_asyncQueue.erase(std::remove_if(m_asyncQueue.begin(), m_asyncQueue.end(), dropped), m_asyncQueue.end());
  m_delivering.erase(std::remove_if(m_delivering.begin(), m_delivering.end(), dropped), m_delivering.end());
  for (auto it = m_optionGroups.begin(); it != m_optionGroups.end();) {
    auto& members = it->second;
    members.erase(std::remove_if(members.begin(), members.end(),
                                 [control](COptionUI* o) { return static_cast<CControlUI*>(o) == control; }),
                  members.end());
    if (members.empty()) it = m_optionGroups.erase(it);
    else ++it;
  }
}

void CPaintManagerUI::RegisterName(CControlUI* control, const std::wstring& name) {
  NameChain& chain = m_names[name];
  control->m_namePrev = chain.last;
  control->m_nameNext = nullptr;
  if (chain.last) chain.last->m_nameNext = control;
  else chain.first = control;
  chain.last = control;
  control->m_nameListed = true;
}

void CPaintManagerUI::UnregisterName(CControlUI* control, const std::wstring& name) {
  if (!control->m_nameListed) return;
  CControlUI* prev = control->m_namePrev;
  CControlUI* next = control->m_nameNext;
  if (prev) prev->m_nameNext = next;
  if (next) next->m_namePrev = prev;
  if (!prev || !next) {
    auto it = m_names.find(name);
    if (it != m_names.end()) {
      if (!prev) it->second.first = next;
      if (!next) it->second.last = prev;
      if (!it->second.first) m_names.erase(it);
    }
  }
  control->m_nameListed = false;
  control->m_namePrev = nullptr;
  control->m_nameNext = nullptr;
}

void CPaintManagerUI::RenameControl(CControlUI* control, const std::wstring& oldName, const std::wstring& newName) {
  if (m_destroying || !control) return;
  // Only controls that are in the tree are found by name; one being built joins at Add.
  if (!control->m_nameListed) return;
  UnregisterName(control, oldName);
  if (!newName.empty()) RegisterName(control, newName);
}

CControlUI* CPaintManagerUI::FindControl(const std::wstring& name) const {
  auto it = m_names.find(name);
  return it == m_names.end() ? nullptr : it->second.first;
}

CControlUI* CPaintManagerUI::FindControl(UiPoint pt) const {
  return m_root ? m_root->FindControlAt(pt) : nullptr;
}

CControlUI* CPaintManagerUI::FindSubControlByName(CControlUI* parent, const std::wstring& name) const {
  return parent ? parent->FindSubControl(name) : nullptr;
}

// --- notifications

bool CPaintManagerUI::AddNotifier(INotifyUI* notifier) {
  if (!notifier || std::find(m_notifiers.begin(), m_notifiers.end(), notifier) != m_notifiers.end()) return false;
  m_notifiers.push_back(notifier);
  return true;
}

bool CPaintManagerUI::RemoveNotifier(INotifyUI* notifier) {
  auto it = std::find(m_notifiers.begin(), m_notifiers.end(), notifier);
  if (it == m_notifiers.end()) return false;
  m_notifiers.erase(it);
  return true;
}

bool CPaintManagerUI::AddPreMessageFilter(IMessageFilterUI* filter) {
  if (!filter || std::find(m_preFilters.begin(), m_preFilters.end(), filter) != m_preFilters.end()) return false;
  m_preFilters.push_back(filter);
  return true;
}

bool CPaintManagerUI::RemovePreMessageFilter(IMessageFilterUI* filter) {
  auto it = std::find(m_preFilters.begin(), m_preFilters.end(), filter);
  if (it == m_preFilters.end()) return false;
  m_preFilters.erase(it);
  return true;
}

void CPaintManagerUI::SendNotify(CControlUI* control, const std::wstring& type, uintptr_t wParam, intptr_t lParam,
                                 bool async) {
  TNotifyUI msg;
  msg.sType = type;
  msg.pSender = control;
  msg.wParam = wParam;
  msg.lParam = lParam;
  SendNotify(msg, async);
}

namespace {

// Debug builds stop at the first use of a window's notification queue from a second thread.
void CheckQueueThread(std::thread::id& owner) {
#ifndef NDEBUG
  const std::thread::id self = std::this_thread::get_id();
  if (owner == std::thread::id()) owner = self;
  assert(owner == self && "a window's notification queue is used by its UI thread only");
#else
  (void)owner;
#endif
}

}  // namespace

void CPaintManagerUI::SendNotify(TNotifyUI& msg, bool async) {
  if (msg.dwTimestamp == 0) msg.dwTimestamp = GetTickCount();
  if (msg.ptMouse == UiPoint{}) msg.ptMouse = m_lastMouse;
  if (async) {
    CheckQueueThread(m_queueThread);
    m_asyncQueue.push_back(msg);
    if (m_host) m_host->WakeForNotifications();
    return;
  }
  // A copy of the list: a notifier may add or remove notifiers (or itself) while it runs; one that
  // was removed meanwhile is not called.
  const std::vector<INotifyUI*> notifiers = m_notifiers;
  for (INotifyUI* n : notifiers) {
    if (std::find(m_notifiers.begin(), m_notifiers.end(), n) == m_notifiers.end()) continue;
    n->Notify(msg);
  }
}

void CPaintManagerUI::DeliverAsyncNotifications() {
  CheckQueueThread(m_queueThread);
  if (m_delivering.empty()) {
    m_delivering.swap(m_asyncQueue);
  }
  while (!m_delivering.empty()) {
    TNotifyUI msg = m_delivering.front();
    m_delivering.pop_front();
    SendNotify(msg, false);
  }
}

// --- timers

bool CPaintManagerUI::SetTimer(CControlUI* control, uint32_t timerId, uint32_t elapseMs) {
  if (!control || !m_host || m_destroying) return false;
  for (const auto& t : m_timers) {
    if (t.control == control && t.localId == timerId) return m_host->StartTimer(t.hostId, elapseMs);
  }
  const uint32_t hostId = m_nextTimerId++;
  if (!m_host->StartTimer(hostId, elapseMs)) return false;
  m_timers.push_back({control, timerId, hostId});
  return true;
}

bool CPaintManagerUI::KillTimer(CControlUI* control, uint32_t timerId) {
  for (auto it = m_timers.begin(); it != m_timers.end(); ++it) {
    if (it->control == control && it->localId == timerId) {
      if (m_host) m_host->StopTimer(it->hostId);
      m_timers.erase(it);
      return true;
    }
  }
  return false;
}

void CPaintManagerUI::KillTimer(CControlUI* control) {
  for (auto it = m_timers.begin(); it != m_timers.end();) {
    if (it->control == control) {
      if (m_host) m_host->StopTimer(it->hostId);
      it = m_timers.erase(it);
    } else {
      ++it;
    }
  }
}

void CPaintManagerUI::RemoveAllTimers() {
  if (m_host) {
    for (const auto& t : m_timers) m_host->StopTimer(t.hostId);
  }
  m_timers.clear();
}

void CPaintManagerUI::OnTimer(uint32_t hostTimerId) {
  for (const auto& t : m_timers) {
    if (t.hostId == hostTimerId) {
      CControlUI* control = t.control;
      const uint32_t id = t.localId;
      DispatchEvent(control, UiEvent::Timer, m_lastMouse, 0, id);
      return;
    }
  }
  // A timer that fires after it was killed (already queued by the system) is ignored.
}

// --- focus, hot, capture

void CPaintManagerUI::SetFocus(CControlUI* control) {
  if (control == m_focus) return;
  if (control && (control->GetManager() != this || !control->IsVisible() || !control->IsEnabled())) return;
  CControlUI* old = m_focus;
  if (old) {
    m_focus = nullptr;
    old->SetFocusedState(false);
    auto life = old->GetLifeToken();
    DispatchEvent(old, UiEvent::KillFocus, m_lastMouse, 0);
    if (!life.expired()) SendNotify(old, notify::kKillFocus);
  }
  // A killfocus handler may have moved the focus itself or removed the control: it wins.
  if (m_focus != nullptr) return;
  if (control && control->GetManager() == this) {
    auto life = control->GetLifeToken();
    m_focus = control;
    control->SetFocusedState(true);
    DispatchEvent(control, UiEvent::SetFocus, m_lastMouse, 0);
    if (!life.expired()) SendNotify(control, notify::kSetFocus);
  }
}

bool CPaintManagerUI::SetNextTabControl(bool forward) {
  if (!m_root) return false;
  std::vector<CControlUI*> stops;
  m_root->VisitControls([&stops](CControlUI* c) {
    if (c->IsTabStop() && c->IsVisible() && c->IsEnabled() && c->IsKeyboardEnabled()) stops.push_back(c);
  });
  if (stops.empty()) return false;
  auto it = std::find(stops.begin(), stops.end(), m_focus);
  CControlUI* next = nullptr;
  if (it == stops.end()) {
    next = forward ? stops.front() : stops.back();
  } else if (forward) {
    next = (it + 1 == stops.end()) ? stops.front() : *(it + 1);
  } else {
    next = (it == stops.begin()) ? stops.back() : *(it - 1);
  }
  SetFocus(next);
  return true;
}

void CPaintManagerUI::SetCapture() {
  if (m_captured) return;
  m_captured = true;
  if (m_host) m_host->SetCapture();
}

void CPaintManagerUI::ReleaseCapture() {
  if (!m_captured) return;
  m_captured = false;
  if (m_host) m_host->ReleaseCapture();
}

// --- option groups

bool CPaintManagerUI::AddOptionGroup(const std::wstring& group, COptionUI* option) {
  if (group.empty() || !option) return false;
  auto& members = m_optionGroups[group];
  if (std::find(members.begin(), members.end(), option) != members.end()) return false;
  members.push_back(option);
  return true;
}

const std::vector<COptionUI*>* CPaintManagerUI::GetOptionGroup(const std::wstring& group) const {
  auto it = m_optionGroups.find(group);
  return it == m_optionGroups.end() ? nullptr : &it->second;
}

void CPaintManagerUI::RemoveOptionGroup(const std::wstring& group, COptionUI* option) {
  // The groups go with the manager: removing each option of a large group one by one would be quadratic.
  if (m_destroying) return;
  auto it = m_optionGroups.find(group);
  if (it == m_optionGroups.end()) return;
  auto& members = it->second;
  members.erase(std::remove(members.begin(), members.end(), option), members.end());
  if (members.empty()) m_optionGroups.erase(it);
}

// --- fonts and defaults

void CPaintManagerUI::AddFont(int id, const FontSpec& font, bool isDefault) {
  m_fonts[id] = font;
  if (isDefault) m_defaultFont = font;
}

const FontSpec& CPaintManagerUI::GetFont(int id) const {
  auto it = m_fonts.find(id);
  return it == m_fonts.end() ? m_defaultFont : it->second;
}

void CPaintManagerUI::AddDefaultAttributeList(const std::wstring& element, const std::wstring& list) {
  m_defaultAttributes[element] = list;
}

std::wstring CPaintManagerUI::GetDefaultAttributeList(const std::wstring& element) const {
  auto it = m_defaultAttributes.find(element);
  return it == m_defaultAttributes.end() ? std::wstring() : it->second;
}

// --- layout and painting

void CPaintManagerUI::Invalidate(const UiRect& rect) {
  if (m_inLayout || m_batch > 0 || !m_host || rect.IsEmpty()) return;
  m_host->Invalidate(rect);
}

void CPaintManagerUI::Invalidate() {
  const UiSize size = GetClientSize();
  if (m_host && size.cx > 0 && size.cy > 0) m_host->Invalidate({0, 0, size.cx, size.cy});
}

void CPaintManagerUI::EndBatchInvalidate(const UiRect& area) {
  if (m_batch > 0) --m_batch;
  Invalidate(area);
}

FrameHit CPaintManagerUI::HitTestFrame(UiPoint pt, bool maximized,
                                       const std::vector<std::wstring>& clientClasses) const {
  const UiSize size = GetClientSize();
  const UiRect client{0, 0, size.cx, size.cy};
  if (!maximized) {
    const UiRect& box = m_sizeBox;
    if (pt.y < client.top + box.top) {
      if (pt.x < client.left + box.left) return FrameHit::TopLeft;
      if (pt.x > client.right - box.right) return FrameHit::TopRight;
      return FrameHit::Top;
    }
    if (pt.y > client.bottom - box.bottom) {
      if (pt.x < client.left + box.left) return FrameHit::BottomLeft;
      if (pt.x > client.right - box.right) return FrameHit::BottomRight;
      return FrameHit::Bottom;
    }
    if (pt.x < client.left + box.left) return FrameHit::Left;
    if (pt.x > client.right - box.right) return FrameHit::Right;
  }
  const UiRect& cap = m_caption;
  const bool inCaption = pt.x >= client.left + cap.left && pt.x < client.right - cap.right && pt.y >= cap.top &&
                         pt.y < cap.bottom;
  if (!inCaption) return FrameHit::Client;
  CControlUI* control = FindControl(pt);
  if (!control) return FrameHit::Client;
  const std::wstring cls = control->GetClass();
  for (const auto& c : clientClasses) {
    if (c == cls) return FrameHit::Client;
  }
  return FrameHit::Caption;
}

UiSize CPaintManagerUI::GetClientSize() const {
  if (m_clientSizeKnown) return m_clientSize;
  if (m_host) return m_host->GetClientSize();
  return m_initSize;
}

uint32_t CPaintManagerUI::GetTickCount() const {
  if (m_host) return m_host->GetTickCount();
  using namespace std::chrono;
  return static_cast<uint32_t>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

void CPaintManagerUI::DoLayout() {
  if (!m_root || m_inLayout) return;
  // windowinit handlers change texts and visibility; a second pass settles what they changed.
  for (int pass = 0; pass < 3; ++pass) {
    const UiSize size = GetClientSize();
    const UiRect client{0, 0, std::max(0, size.cx), std::max(0, size.cy)};
    if (m_updateNeeded || m_root->GetPos() != client) {
      m_inLayout = true;
      m_updateNeeded = false;
      m_root->SetPos(client);
      // What the pass itself changed (scroll bars appearing) is settled by the pass.
      m_updateNeeded = false;
      m_inLayout = false;
      Invalidate();
    }
    if (!m_firstLayout) break;
    m_firstLayout = false;
    SendNotify(m_root.get(), notify::kWindowInit);
    if (!m_updateNeeded || !m_root) break;
  }
}

void CPaintManagerUI::Paint(RenderContext& ctx, const UiRect& dirty) {
  DoLayout();
  if (m_root && m_root->IsVisible()) m_root->DoPaint(ctx, dirty);
}

// --- input

void CPaintManagerUI::DispatchEvent(CControlUI* control, UiEvent type, UiPoint pt, unsigned keyState,
                                    uintptr_t wParam, wchar_t key) {
  if (!control) return;
  TEventUI event;
  event.Type = type;
  event.pSender = control;
  event.dwTimestamp = GetTickCount();
  event.ptMouse = pt;
  event.wKeyState = keyState;
  event.wParam = wParam;
  event.chKey = key;
  control->DoEvent(event);
}

void CPaintManagerUI::UpdateToolTip() {
  CControlUI* target = m_hot;
  if (target && !target->GetToolTip().empty()) {
    if (m_toolTipControl != target) {
      m_toolTipControl = target;
      if (m_host) m_host->ShowToolTip(target->GetToolTip(), target->GetPos());
    }
  } else if (m_toolTipControl) {
    m_toolTipControl = nullptr;
    if (m_host) m_host->HideToolTip();
  }
}

void CPaintManagerUI::SetHot(CControlUI* control, UiPoint pt, unsigned keyState) {
  if (control == m_hot) return;
  CControlUI* old = m_hot;
  m_hot = control;
  if (old) DispatchEvent(old, UiEvent::MouseLeave, pt, keyState);
  // The leave handler may have removed the new control (ReapObjects clears m_hot then).
  if (m_hot) DispatchEvent(m_hot, UiEvent::MouseEnter, pt, keyState);
  UpdateToolTip();
}

void CPaintManagerUI::OnMouseMove(UiPoint pt, unsigned keyState) {
  m_lastMouse = pt;
  DoLayout();
  SetHot(FindControl(pt), pt, keyState);
  CControlUI* target = m_pressed ? m_pressed : m_hot;
  if (target) {
    DispatchEvent(target, UiEvent::MouseMove, pt, keyState);
  }
  target = m_pressed ? m_pressed : m_hot;
  if (target) {
    DispatchEvent(target, UiEvent::SetCursor, pt, keyState);
  } else if (m_host) {
    m_host->SetCursor(UiCursor::Arrow);
  }
}

void CPaintManagerUI::OnMouseLeave() {
  if (m_pressed) return;   // captured: the press goes on outside the window
  SetHot(nullptr, m_lastMouse, 0);
}

void CPaintManagerUI::OnButtonDown(UiPoint pt, unsigned keyState) {
  m_lastMouse = pt;
  DoLayout();
  CControlUI* control = FindControl(pt);
  if (!control) return;
  m_pressed = control;
  SetFocus(control);
  if (!m_pressed) return;   // a focus handler removed it
  SetCapture();
  DispatchEvent(m_pressed, UiEvent::ButtonDown, pt, keyState);
}

void CPaintManagerUI::OnButtonUp(UiPoint pt, unsigned keyState) {
  m_lastMouse = pt;
  CControlUI* control = m_pressed;
  m_pressed = nullptr;
  ReleaseCapture();
  if (control) DispatchEvent(control, UiEvent::ButtonUp, pt, keyState);
}

void CPaintManagerUI::OnDoubleClick(UiPoint pt, unsigned keyState) {
  m_lastMouse = pt;
  DoLayout();
  CControlUI* control = FindControl(pt);
  if (!control) return;
  m_pressed = control;
  SetCapture();
  DispatchEvent(control, UiEvent::DblClick, pt, keyState);
}

void CPaintManagerUI::OnRightButtonDown(UiPoint pt, unsigned keyState) {
  m_lastMouse = pt;
  DoLayout();
  CControlUI* control = FindControl(pt);
  if (!control) return;
  auto life = control->GetLifeToken();
  SetFocus(control);
  if (!life.expired()) DispatchEvent(control, UiEvent::RButtonDown, pt, keyState);
}

void CPaintManagerUI::OnRightButtonUp(UiPoint pt, unsigned keyState) {
  m_lastMouse = pt;
  CControlUI* control = FindControl(pt);
  if (control) DispatchEvent(control, UiEvent::ContextMenu, pt, keyState);
}

void CPaintManagerUI::OnMouseWheel(UiPoint pt, int delta, unsigned keyState) {
  m_lastMouse = pt;
  DoLayout();
  CControlUI* control = FindControl(pt);
  if (control) DispatchEvent(control, UiEvent::ScrollWheel, pt, keyState, delta > 0 ? 0 : 1);
}

bool CPaintManagerUI::OnKeyDown(unsigned virtualKey, unsigned keyState) {
  if (virtualKey == kVkEscape) return false;
  if (virtualKey == kVkTab) {
    CControlUI* focus = m_focus;
    if (focus && dynamic_cast<CEditUI*>(focus)) {
      // Edit boxes tell the window first; a window that moves the focus itself is obeyed.
      SendNotify(focus, notify::kTab);
      if (m_focus != focus) return true;
    }
    SetNextTabControl((keyState & kKeyStateShift) == 0);
    return true;
  }
  if (!m_focus) return false;
  DispatchEvent(m_focus, UiEvent::KeyDown, m_lastMouse, keyState, 0, static_cast<wchar_t>(virtualKey));
  return true;
}

bool CPaintManagerUI::OnChar(wchar_t ch) {
  if (!m_focus) return false;
  DispatchEvent(m_focus, UiEvent::Char, m_lastMouse, 0, 0, ch);
  return true;
}

void CPaintManagerUI::OnFocusGained() {
  if (m_focus) m_focus->Invalidate();
}

void CPaintManagerUI::OnFocusLost() {
  // A press cannot finish once the window lost the mouse: end it without a click.
  if (m_pressed) {
    CControlUI* control = m_pressed;
    m_pressed = nullptr;
    ReleaseCapture();
    DispatchEvent(control, UiEvent::ButtonUp, {-100000, -100000}, 0);
  }
  SetHot(nullptr, m_lastMouse, 0);
}

void CPaintManagerUI::OnClientResize(UiSize size) {
  m_clientSize = size;
  m_clientSizeKnown = true;
  m_updateNeeded = true;
  Invalidate();
}

}  // namespace nimbrook::toolkit
