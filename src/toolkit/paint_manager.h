// CPaintManagerUI: one per window. It owns the window's control tree, finds controls by name and by
// point, turns the host's input into control events (hot, pushed, capture, focus, Tab, Return),
// dispatches notifications synchronously or through a queue, runs per-control timers, lays the tree
// out and paints it through a RenderContext. It is portable: the window (PaintHost) feeds it
// platform-neutral input in logical pixels; the Windows side translates WM_* messages in
// paint_manager_win.cpp.
#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <unordered_map>
#include <utility>
#include <vector>

#include "toolkit/notify.h"
#include "toolkit/ui_types.h"

namespace nimbrook::toolkit {

class CControlUI;
class COptionUI;
class PaintHost;
class RenderContext;

// A window that sees its messages before the paint manager handles them (registered with
// AddPreMessageFilter; the Windows side calls the filters in order and stops at one that handled
// the message). Message values are plain integers so that this header stays portable.
class IMessageFilterUI {
 public:
  virtual ~IMessageFilterUI() = default;
  virtual intptr_t MessageHandler(unsigned int msg, uintptr_t wParam, intptr_t lParam, bool& handled) = 0;
};

// Where a point of the client area falls for the window frame (the non-client hit test).
enum class FrameHit { Client, Caption, Left, Right, Top, TopLeft, TopRight, Bottom, BottomLeft, BottomRight };

class CPaintManagerUI {
 public:
  CPaintManagerUI();
  ~CPaintManagerUI();
  CPaintManagerUI(const CPaintManagerUI&) = delete;
  CPaintManagerUI& operator=(const CPaintManagerUI&) = delete;

  // --- process-wide set-up
  static void SetInstance(void* instance);
  static void* GetInstance();
  // Folder layouts and images are read from; false when it is not a folder.
  static bool SetResourcePath(const std::wstring& directory);
  static std::wstring GetResourcePath();
  // The skin archive, relative to the resource folder or absolute; false when it cannot be read.
  static bool SetResourceZip(const std::wstring& zipFile);

  // --- host
  void SetHost(PaintHost* host);
  PaintHost* GetHost() const { return m_host; }

  // --- the tree
  // Takes ownership of the root (from CDialogBuilder::Create) and replaces the previous tree.
  bool AttachDialog(CControlUI* root);
  CControlUI* GetRoot() const { return m_root.get(); }
  // Registers a control that joined the tree (names, option groups); done by containers.
  void InitControls(CControlUI* control, CControlUI* parent = nullptr);
  // Forgets everything about a control that leaves the tree: name, focus, hot, capture, timers,
  // queued notifications, option group. Called by the control's destructor and by containers.
  void ReapObjects(CControlUI* control);
  void RenameControl(CControlUI* control, const std::wstring& oldName, const std::wstring& newName);

  CControlUI* FindControl(const std::wstring& name) const;
  // The control that would take mouse input at pt (client coordinates), or null.
  CControlUI* FindControl(UiPoint pt) const;
  // A descendant of parent with the name (parent included).
  CControlUI* FindSubControlByName(CControlUI* parent, const std::wstring& name) const;

  // --- notifications
  bool AddNotifier(INotifyUI* notifier);
  bool RemoveNotifier(INotifyUI* notifier);
  // Synchronous: every notifier, in the order they were added, before this returns. Asynchronous:
  // queued; the host is woken and the queue drained by DeliverAsyncNotifications on the UI thread.
  void SendNotify(CControlUI* control, const std::wstring& type, uintptr_t wParam = 0,
                  intptr_t lParam = 0, bool async = false);
  void SendNotify(TNotifyUI& msg, bool async = false);
  // Delivers the queued notifications (those queued while delivering wait for the next call;
  // a nested call continues the current batch).
  // A notification whose sender left the tree meanwhile is dropped.
  void DeliverAsyncNotifications();
  size_t PendingNotifications() const { return m_asyncQueue.size(); }

  bool AddPreMessageFilter(IMessageFilterUI* filter);
  bool RemovePreMessageFilter(IMessageFilterUI* filter);
  const std::vector<IMessageFilterUI*>& GetPreMessageFilters() const { return m_preFilters; }

  // --- timers (per control; the host fires them through OnTimer)
  bool SetTimer(CControlUI* control, uint32_t timerId, uint32_t elapseMs);
  bool KillTimer(CControlUI* control, uint32_t timerId);
  void KillTimer(CControlUI* control);   // all of that control's timers
  void RemoveAllTimers();

  // --- focus, hot, capture
  CControlUI* GetFocus() const { return m_focus; }
  void SetFocus(CControlUI* control);   // null clears it; sends "setfocus"/"killfocus"
  // Moves the focus to the next (or previous) tab stop; wraps around.
  bool SetNextTabControl(bool forward = true);
  CControlUI* GetHot() const { return m_hot; }
  void SetCapture();
  void ReleaseCapture();
  bool IsCaptured() const { return m_captured; }

  // --- option groups
  bool AddOptionGroup(const std::wstring& group, COptionUI* option);
  const std::vector<COptionUI*>* GetOptionGroup(const std::wstring& group) const;
  void RemoveOptionGroup(const std::wstring& group, COptionUI* option);

  // --- window description from the layout's Window element
  UiSize GetInitSize() const { return m_initSize; }
  void SetInitSize(UiSize size) { m_initSize = size; }
  const UiRect& GetCaptionRect() const { return m_caption; }
  void SetCaptionRect(const UiRect& rect) { m_caption = rect; }
  const UiRect& GetSizeBox() const { return m_sizeBox; }
  void SetSizeBox(const UiRect& rect) { m_sizeBox = rect; }
  UiSize GetRoundCorner() const { return m_roundCorner; }
  void SetRoundCorner(UiSize size) { m_roundCorner = size; }
  UiSize GetMinInfo() const { return m_minInfo; }
  void SetMinInfo(UiSize size) { m_minInfo = size; }
  UiSize GetMaxInfo() const { return m_maxInfo; }
  void SetMaxInfo(UiSize size) { m_maxInfo = size; }
  int GetTransparent() const { return m_transparent; }   // bktrans: 255 opaque
  void SetTransparent(int alpha) { m_transparent = alpha; }
  bool IsLayered() const { return m_layered; }
  void SetLayered(bool layered) { m_layered = layered; }
  UiColor GetDefaultFontColor() const { return m_defaultFontColor; }
  void SetDefaultFontColor(UiColor c) { m_defaultFontColor = c; }
  UiColor GetDefaultDisabledColor() const { return m_defaultDisabledColor; }
  void SetDefaultDisabledColor(UiColor c) { m_defaultDisabledColor = c; }

  // The frame rule of a borderless window: when not maximised, the size box gives the border zones;
  // inside the caption rectangle a point over a control gives Caption (the window is dragged by it)
  // unless the control's class is one of clientClasses ("ButtonUI", "OptionUI", ...); no control,
  // or anywhere else, gives Client.
  FrameHit HitTestFrame(UiPoint pt, bool maximized, const std::vector<std::wstring>& clientClasses) const;

  // --- fonts and default attributes
  void AddFont(int id, const FontSpec& font, bool isDefault = false);
  // The font with that id; the default font for -1 or an unknown id.
  const FontSpec& GetFont(int id) const;
  const FontSpec& GetDefaultFont() const { return m_defaultFont; }
  bool HasFont(int id) const { return m_fonts.count(id) != 0; }
  void AddDefaultAttributeList(const std::wstring& element, const std::wstring& list);
  std::wstring GetDefaultAttributeList(const std::wstring& element) const;

  // --- layout and painting
  void Invalidate(const UiRect& rect);
  void Invalidate();              // the whole client area
  void NeedUpdate() { m_updateNeeded = true; }
  // Folds the invalidations of many controls that move at once (scrolling) into one rectangle.
  void BeginBatchInvalidate() { ++m_batch; }
  void EndBatchInvalidate(const UiRect& area);
  bool IsUpdateNeeded() const { return m_updateNeeded; }
  // Lays the tree out over the client area when something changed; the first pass also sends
  // "windowinit" (once). Called by Paint; tests and the benchmark call it directly.
  void DoLayout();
  void Paint(RenderContext& ctx, const UiRect& dirty);
  UiSize GetClientSize() const;
  uint32_t GetTickCount() const;

  // --- input from the host (logical client coordinates)
  void OnMouseMove(UiPoint pt, unsigned keyState = 0);
  void OnMouseLeave();
  void OnButtonDown(UiPoint pt, unsigned keyState = 0);
  void OnButtonUp(UiPoint pt, unsigned keyState = 0);
  void OnDoubleClick(UiPoint pt, unsigned keyState = 0);
  void OnRightButtonDown(UiPoint pt, unsigned keyState = 0);
  // Delivers the context-menu event to the control under the point (buttons answer with "menu").
  void OnRightButtonUp(UiPoint pt, unsigned keyState = 0);
  // delta > 0 scrolls up (away from the user).
  void OnMouseWheel(UiPoint pt, int delta, unsigned keyState = 0);
  // Returns true when the key was used. Escape is never used: the window closes itself on it.
  bool OnKeyDown(unsigned virtualKey, unsigned keyState = 0);
  bool OnChar(wchar_t ch);
  void OnFocusGained();
  // The window lost the focus: a press in progress ends without a click.
  void OnFocusLost();
  // A host timer fired (the id given to PaintHost::StartTimer).
  void OnTimer(uint32_t hostTimerId);
  void OnClientResize(UiSize size);

#ifdef _WIN32
  // Windows side, defined in paint_manager_win.cpp by the Windows host.
  void Init(void* hwnd);
  void* GetPaintWindow() const { return m_hwnd; }
  bool MessageHandler(unsigned int msg, uintptr_t wParam, intptr_t lParam, intptr_t& lResult);
  static void MessageLoop();
  static bool TranslateMessage(const void* msg);
#endif
  // State the Windows side keeps per manager (its host object, back buffer, ...).
  struct PlatformState;
  void SetPlatformState(std::shared_ptr<PlatformState> state) { m_platform = std::move(state); }
  PlatformState* GetPlatformState() const { return m_platform.get(); }

 private:
  struct TimerInfo {
    CControlUI* control;
    uint32_t localId;
    uint32_t hostId;
  };

  void RegisterName(CControlUI* control, const std::wstring& name);
  // name: the one the control was registered under.
  void UnregisterName(CControlUI* control, const std::wstring& name);
  void DispatchEvent(CControlUI* control, UiEvent type, UiPoint pt, unsigned keyState,
                     uintptr_t wParam = 0, wchar_t key = 0);
  void SetHot(CControlUI* control, UiPoint pt, unsigned keyState);
  void UpdateToolTip();

  PaintHost* m_host = nullptr;
  void* m_hwnd = nullptr;
  std::shared_ptr<PlatformState> m_platform;
  std::unique_ptr<CControlUI> m_root;
  bool m_destroying = false;
  bool m_attached = false;   // a tree was attached: joining controls get DoInit
  bool m_inLayout = false;   // single invalidations are folded into one after the layout
  int m_batch = 0;           // BeginBatchInvalidate nesting
  // Names to controls. Several controls may share a name (rows built alike): the one registered
  // first is found. Each name holds a chain of its controls in the order they were registered; the
  // links live in the controls themselves, so adding and removing stay cheap and a named control
  // costs the index no allocation of its own.
  struct NameChain {
    CControlUI* first = nullptr;
    CControlUI* last = nullptr;
  };
  std::unordered_map<std::wstring, NameChain> m_names;
  std::vector<INotifyUI*> m_notifiers;
  std::vector<IMessageFilterUI*> m_preFilters;
  std::deque<TNotifyUI> m_asyncQueue;
  // The thread that first used the queue: the UI thread. Only it may queue or deliver (checked in
  // debug builds); workers reach a window through window messages.
  std::thread::id m_queueThread;
  std::deque<TNotifyUI> m_delivering;   // the batch DeliverAsyncNotifications is working through
  std::vector<TimerInfo> m_timers;
  uint32_t m_nextTimerId = 1;
  std::map<std::wstring, std::vector<COptionUI*>> m_optionGroups;
  std::map<int, FontSpec> m_fonts;
  FontSpec m_defaultFont;
  std::map<std::wstring, std::wstring> m_defaultAttributes;

  CControlUI* m_focus = nullptr;
  CControlUI* m_hot = nullptr;
  CControlUI* m_pressed = nullptr;   // the control that got the button-down
  CControlUI* m_toolTipControl = nullptr;
  bool m_captured = false;
  UiPoint m_lastMouse{};
  bool m_mouseTracking = false;

  bool m_updateNeeded = true;
  bool m_firstLayout = true;
  UiSize m_clientSize{};
  bool m_clientSizeKnown = false;

  UiSize m_initSize{};
  UiRect m_caption{};
  UiRect m_sizeBox{};
  UiSize m_roundCorner{};
  UiSize m_minInfo{};
  UiSize m_maxInfo{};
  int m_transparent = 255;
  bool m_layered = false;
  UiColor m_defaultFontColor = 0xFF000000;
  UiColor m_defaultDisabledColor = 0xFFA7A6AA;
};

}  // namespace nimbrook::toolkit
