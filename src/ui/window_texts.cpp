#include "ui/window_texts.h"

#include "core/languages.h"
#include "toolkit/button.h"
#include "toolkit/list_elements.h"
#include "tunnel/protocol.h"
#include "ui/menu_wnd.h"
#include "ui/pop_box.h"

namespace nimbrook {

using namespace toolkit;

namespace {

void SetControlText(CPaintManagerUI& pm, const wchar_t* name, const std::wstring& text) {
  if (CControlUI* control = pm.FindControl(name)) control->SetText(text);
}

// The row and its button. Names and texts are set directly, not spliced into the attribute text, so
// a protocol name with quotes in it cannot change the other attributes.
constexpr wchar_t kRowAttributes[] = L"height=\"25\" align=\"center\"";
constexpr wchar_t kButtonAttributes[] =
    L"align=\"left\"  height=\"25\" textpadding=\"18,3,0,0\" font=\"0\" textcolor=\"#ff000000\" "
    L"hottextcolor=\"#ff000000\" pushedtextcolor=\"#ff000000\" ";
// The current protocol's row carries a check mark in the space the text padding leaves.
constexpr wchar_t kCurrentMark[] = L"bkimage=\"file='picker_check.png' dest='2,7,14,19'\"";

}  // namespace

void FillPopBoxTexts(CPaintManagerUI& pm, const std::wstring& kind, const std::wstring& text) {
  // Kinds are compared exactly; an unknown kind keeps whatever its layout shows.
  if (kind == kPopBoxOk || kind == kPopBoxClearDns) {
    SetControlText(pm, L"title", Text(L"msg_title"));
    SetControlText(pm, L"ok", Text(L"ok"));
  } else if (kind == kPopBoxOkCancel) {
    SetControlText(pm, L"title", Text(L"msg_title"));
    SetControlText(pm, L"ok", Text(L"ok"));
    SetControlText(pm, L"cancel", Text(L"cancel"));
  } else if (kind == kPopBoxUpdateNow) {
    SetControlText(pm, L"title", Text(L"update_tip"));
    SetControlText(pm, L"ok", Text(L"update_now"));
    // The cancel button keeps the layout's text; a layout that left it blank gets the usual one
    // rather than an unlabelled button.
    CControlUI* cancel = pm.FindControl(L"cancel");
    if (cancel != nullptr && cancel->GetText().empty()) cancel->SetText(Text(L"cancel"));
  }
  SetControlText(pm, L"text", text);
}

void FillMenuTexts(CPaintManagerUI& pm) {
  for (const MenuItem& entry : kMenuItems) SetControlText(pm, entry.textControl, Text(entry.textControl));
}

void FillRouteTexts(CPaintManagerUI& pm) {
  for (const wchar_t* key : {kRouteItemIpScope, kRouteItemGlobal}) SetControlText(pm, key, Text(key));
}

int FillProtocolRows(CContainerUI& list, const std::wstring& current, const std::vector<std::wstring>& protocols) {
  int added = 0;
  for (const std::wstring& name : protocols) {
    auto* row = new CListContainerElementUI();
    (void)row->ApplyAttributeList(kRowAttributes);   // align means nothing to a row; height does
    row->SetName(name);
    auto* button = new CButtonUI();
    (void)button->ApplyAttributeList(kButtonAttributes);
    button->SetName(name);
    button->SetText(Text(name));
    if (name == current) {
      (void)button->ApplyAttributeList(kCurrentMark);
      row->SetSelectedState(true);
    }
    row->Add(button);
    if (list.Add(row)) ++added;
  }
  return added;
}

}  // namespace nimbrook
