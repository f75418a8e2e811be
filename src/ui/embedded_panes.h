// Containers of the main window whose content comes from a layout of their own: CJiasuWndUI
// ("jiasu" in layouts, built from "jiasu.xml" with the client's builder callback) and CVideoWndUI
// ("video", built from "video.xml" with the toolkit's controls only). Each keeps its own paint
// manager for the build; the built tree joins the window's manager when the container does.
#pragma once

#include "toolkit/container.h"
#include "toolkit/dialog_builder.h"
#include "toolkit/paint_manager.h"

namespace nimbrook {

inline constexpr wchar_t kJiasuLayout[] = L"jiasu.xml";
inline constexpr wchar_t kVideoLayout[] = L"video.xml";

class CJiasuWndUI : public toolkit::CContainerUI {
 public:
  CJiasuWndUI();
  ~CJiasuWndUI() override;

 private:
  toolkit::CPaintManagerUI m_pm;
};

class CVideoWndUI : public toolkit::CContainerUI {
 public:
  CVideoWndUI();
  ~CVideoWndUI() override;

 private:
  toolkit::CPaintManagerUI m_pm;
};

// Builds layoutFile into container as its only child, or leaves the container empty when the build
// fails. A layout that (directly or through its own panes) names itself again is cut off after a few
// levels instead of recursing without end.
bool FillFromLayout(toolkit::CContainerUI& container, toolkit::CPaintManagerUI& manager,
                    const std::wstring& layoutFile, toolkit::IDialogBuilderCallback* callback);

}  // namespace nimbrook
