#include "ui/drop_down_wnd.h"

#include "toolkit/paint_manager.h"
#include "ui/window_rules.h"

namespace nimbrook {

using namespace toolkit;

CDropDownWnd::CDropDownWnd(const std::wstring& layoutFile) : m_layoutFile(layoutFile) {}

CDropDownWnd::~CDropDownWnd() = default;

bool CDropDownWnd::Init(CControlUI* owner) {
  WindowHandle parent = nullptr;
  if (owner != nullptr && owner->GetManager() != nullptr) parent = PaintWindowOf(owner->GetManager());
  if (parent == nullptr) {
    // Ends as a failed Create does, so that every false result leaves the caller the same task: none.
    OnFinalMessage(nullptr);
    return false;
  }
  m_owner = owner;
  m_ownerLife = owner->GetLifeToken();
  if (Create(parent, L"", kWsPopup, kWsExToolWindow) == nullptr) return false;   // deleted itself
  ShowWindow(false, false);
  return true;
}

CControlUI* CDropDownWnd::GetOwnerControl() const { return m_ownerLife.expired() ? nullptr : m_owner; }

void CDropDownWnd::ShowAsPicker(UiPoint screen, int rows) {
  const double scale = GetDpiScale() > 0 ? GetDpiScale() : 1.0;
  const int width = GetWindowRect().Width();
  const int height = static_cast<int>(PickerHeight(rows) * scale + 0.5);
  // Pickers open right below their button: no clamping to the screen.
  (void)SetWindowPos(nullptr, screen.x, screen.y, width, height, kSwpNoZOrder | kSwpNoActivate);
  ShowWindow(true, true);
}

void CDropDownWnd::SendPick(const std::wstring& item) {
  CControlUI* owner = GetOwnerControl();
  if (owner == nullptr || owner->GetManager() == nullptr) return;
  owner->GetManager()->SendNotify(owner, item, 0, 0, true);
}

void CDropDownWnd::HidePopup() {
  ShowWindow(false, false);
  if (!m_closing) {
    m_closing = true;
    // Close posts the close: the pop-up's own paint manager is still delivering the notification
    // that got here.
    Close(kIdOk);
  }
}

intptr_t CDropDownWnd::HandleMessage(unsigned msg, uintptr_t wParam, intptr_t lParam) {
  intptr_t result = 0;
  switch (msg) {
    case kWmCreate:
      // Drop-downs keep the window style they were created with.
      (void)StandardCreate(*this, m_layoutFile, nullptr, this, false);
      m_pm.SetRoundCorner(kDropDownRoundCorner);
      OnCreated();
      return 0;
    case kWmSize: {
      const UiSize round = m_pm.GetRoundCorner();
      if (wParam != kSizeMinimized && !(round.cx == 0 && round.cy == 0)) {
        const double scale = GetDpiScale() > 0 ? GetDpiScale() : 1.0;
        const int width = PointXFromLParam(lParam);
        const int height = PointYFromLParam(lParam);
        (void)SetRoundRegion({0, 0, width + 1, height + 1},
                             {static_cast<int>(round.cx * scale), static_cast<int>(round.cy * scale)});
      }
      break;   // the paint manager lays the tree out for the new size
    }
    case kWmKillFocus:
      // Focus moving to another window means a click elsewhere: the pop-up goes away unpicked.
      if (reinterpret_cast<WindowHandle>(wParam) != GetHWND()) HidePopup();
      return 0;
    case kWmMouseWheel:
      return 0;
    case kWmKeyDown:
      if (wParam == kVkEscape) Close(kIdOk);
      return 0;
    default:
      break;
  }
  if (OfferToPaintManager(msg, wParam, lParam, result)) return result;
  return CWindowWnd::HandleMessage(msg, wParam, lParam);
}

void CDropDownWnd::OnFinalMessage(WindowHandle hWnd) { delete this; }

}  // namespace nimbrook
