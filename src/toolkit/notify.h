// Notifications and input events of the toolkit. Controls turn input (TEventUI, handed to their
// DoEvent) into notifications (TNotifyUI) that the paint manager delivers to the window's
// INotifyUI notifiers, by sender and type ("click", "itemselect", ...).
#pragma once

#include <cstdint>
#include <string>

#include "toolkit/ui_types.h"

namespace nimbrook::toolkit {

class CControlUI;

struct TNotifyUI {
  std::wstring sType;
  CControlUI* pSender = nullptr;
  uint32_t dwTimestamp = 0;
  UiPoint ptMouse{};
  uintptr_t wParam = 0;
  intptr_t lParam = 0;
};

class INotifyUI {
 public:
  virtual ~INotifyUI() = default;
  virtual void Notify(TNotifyUI& msg) = 0;
};

enum class UiEvent {
  MouseMove,
  MouseLeave,
  MouseEnter,
  MouseHover,
  ButtonDown,
  ButtonUp,
  RButtonDown,
  RButtonUp,
  DblClick,
  ContextMenu,
  ScrollWheel,
  KeyDown,
  Char,
  SetFocus,
  KillFocus,
  Timer,
  SetCursor,
};

// The events that come from the mouse: a control that takes no mouse input hands these on.
constexpr bool IsMouseEvent(UiEvent t) {
  switch (t) {
    case UiEvent::MouseMove:
    case UiEvent::MouseLeave:
    case UiEvent::MouseEnter:
    case UiEvent::MouseHover:
    case UiEvent::ButtonDown:
    case UiEvent::ButtonUp:
    case UiEvent::RButtonDown:
    case UiEvent::RButtonUp:
    case UiEvent::DblClick:
    case UiEvent::ContextMenu:
    case UiEvent::ScrollWheel:
      return true;
    default:
      return false;
  }
}

struct TEventUI {
  UiEvent Type = UiEvent::MouseMove;
  CControlUI* pSender = nullptr;
  uint32_t dwTimestamp = 0;
  UiPoint ptMouse{};
  wchar_t chKey = 0;        // KeyDown: the virtual-key code; Char: the character
  unsigned wKeyState = 0;   // kKeyState* bits
  uintptr_t wParam = 0;     // Timer: the control's timer id; ScrollWheel: 0 up, 1 down
  intptr_t lParam = 0;
};

// Notification types the toolkit itself sends.
namespace notify {
inline constexpr wchar_t kWindowInit[] = L"windowinit";
inline constexpr wchar_t kClick[] = L"click";
inline constexpr wchar_t kSelectChanged[] = L"selectchanged";
inline constexpr wchar_t kItemSelect[] = L"itemselect";
inline constexpr wchar_t kItemClick[] = L"itemclick";
inline constexpr wchar_t kItemDbClick[] = L"itemdbclick";
inline constexpr wchar_t kItemActivate[] = L"itemactivate";
inline constexpr wchar_t kHeaderClick[] = L"headerclick";
inline constexpr wchar_t kTextChanged[] = L"textchanged";
inline constexpr wchar_t kReturn[] = L"return";
inline constexpr wchar_t kTab[] = L"tab";
inline constexpr wchar_t kSetFocus[] = L"setfocus";
inline constexpr wchar_t kKillFocus[] = L"killfocus";
inline constexpr wchar_t kTimer[] = L"timer";
inline constexpr wchar_t kMenu[] = L"menu";
inline constexpr wchar_t kScroll[] = L"scroll";
inline constexpr wchar_t kTabSelect[] = L"tabselect";
inline constexpr wchar_t kValueChanged[] = L"valuechanged";
inline constexpr wchar_t kDbClick[] = L"dbclick";
inline constexpr wchar_t kLink[] = L"link";
}  // namespace notify

}  // namespace nimbrook::toolkit
