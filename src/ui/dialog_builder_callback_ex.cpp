#include "ui/dialog_builder_callback_ex.h"

#include "ui/button_ex.h"
#include "ui/embedded_panes.h"
#include "ui/list_container_element_ex.h"
#include "ui/telephone_wnd.h"

namespace nimbrook {

toolkit::CControlUI* CDialogBuilderCallbackEx::CreateControl(const std::wstring& className) {
  if (className == L"jiasu") return new CJiasuWndUI();
  if (className == L"video") return new CVideoWndUI();
  if (className == L"telephone") return new CTelePhoneWndUI();
  if (className == L"ButtonEx") return new CButtonExUI();
  if (className == L"ListContainerElementEx") return new CListContainerElementExUI();
  return nullptr;
}

}  // namespace nimbrook
