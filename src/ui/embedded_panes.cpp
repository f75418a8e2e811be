#include "ui/embedded_panes.h"

#include "core/log.h"
#include "toolkit/dialog_builder.h"
#include "ui/dialog_builder_callback_ex.h"

namespace nimbrook {

using namespace toolkit;

namespace {
// Nesting depth of pane builds on this thread; a pane inside its own layout stops here.
thread_local int g_paneDepth = 0;
constexpr int kMaxPaneDepth = 4;
}  // namespace

bool FillFromLayout(CContainerUI& container, CPaintManagerUI& manager, const std::wstring& layoutFile,
                    IDialogBuilderCallback* callback) {
  CControlUI* root = nullptr;
  if (g_paneDepth < kMaxPaneDepth) {
    ++g_paneDepth;
    CDialogBuilder builder;
    root = builder.Create(layoutFile, callback, &manager, nullptr);
    --g_paneDepth;
  } else {
    WriteLog(L"布局嵌套过深,已停止: " + layoutFile);
  }
  if (root == nullptr) {
    container.RemoveAll();
    return false;
  }
  container.RemoveAll();
  return container.Add(root);
}

CJiasuWndUI::CJiasuWndUI() {
  CDialogBuilderCallbackEx callback;
  (void)FillFromLayout(*this, m_pm, kJiasuLayout, &callback);
}

// The children go before the member manager they may still be registered with.
CJiasuWndUI::~CJiasuWndUI() { RemoveAll(); }

CVideoWndUI::CVideoWndUI() { (void)FillFromLayout(*this, m_pm, kVideoLayout, nullptr); }

CVideoWndUI::~CVideoWndUI() { RemoveAll(); }

}  // namespace nimbrook
