#include "ui/list_container_element_ex.h"

#include "toolkit/notify.h"

namespace nimbrook {

using namespace toolkit;

void CListContainerElementExUI::DoEvent(TEventUI& event) {
  // The base handling sends notifications whose handlers may remove this row.
  auto life = GetLifeToken();
  const UiEvent type = event.Type;
  const uintptr_t wParam = event.wParam;
  const intptr_t lParam = event.lParam;
  CListContainerElementUI::DoEvent(event);
  if (life.expired()) return;
  if (type == UiEvent::DblClick) Notify(notify::kItemDbClick, wParam, lParam);
}

}  // namespace nimbrook
