#include "ui/menu_wnd.h"

#include "ui/window_rules.h"
#include "ui/window_texts.h"

namespace nimbrook {

using namespace toolkit;

CMenuWnd::CMenuWnd() : CDropDownWnd(L"menu.xml") {}

void CMenuWnd::ShowAt(UiPoint screen) {
  const UiRect rect = GetWindowRect();
  const UiPoint pt = ClampMenuPosition(screen, {rect.Width(), rect.Height()}, GetWorkArea());
  (void)SetWindowPos(nullptr, pt.x, pt.y, 0, 0, kSwpNoSize | kSwpNoZOrder | kSwpNoActivate);
  ShowWindow(true, true);
}

void CMenuWnd::Notify(TNotifyUI& msg) {
  if (msg.sType == notify::kWindowInit) {
    FillMenuTexts(m_pm);
    return;
  }
  if (msg.sType == notify::kItemSelect) {
    HidePopup();
    return;
  }
  if (msg.sType == notify::kItemClick && msg.pSender != nullptr) {
    for (const MenuItem& entry : kMenuItems) {
      if (msg.pSender->GetName() == entry.item) {
        SendPick(entry.item);
        HidePopup();
        return;
      }
    }
  }
}

}  // namespace nimbrook
