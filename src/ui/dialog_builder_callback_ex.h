// CDialogBuilderCallbackEx: the client's builder callback. It makes the custom controls the layouts
// name ("jiasu", "video", "telephone", "ButtonEx", "ListContainerElementEx"; exact letter case) and
// leaves every other element name to the toolkit.
#pragma once

#include "toolkit/dialog_builder.h"

namespace nimbrook {

class CDialogBuilderCallbackEx : public toolkit::IDialogBuilderCallback {
 public:
  toolkit::CControlUI* CreateControl(const std::wstring& className) override;
};

}  // namespace nimbrook
