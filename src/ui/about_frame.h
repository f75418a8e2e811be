// CAboutFrame: the modal about window ("AboutFrame", "about.xml"): the product's description, its
// legal lines and the program's version, every text from the language table, so the layout carries
// no wording of its own. Closed by its close button or Escape, always with 1.
//   CAboutFrame::Show(mainWindow);
#pragma once

#include <string>

#include "toolkit/notify.h"
#include "toolkit/paint_manager.h"
#include "toolkit/window_wnd.h"
#include "ui/ui_base.h"

namespace nimbrook {

inline constexpr wchar_t kAboutWindowClass[] = L"AboutFrame";
inline constexpr wchar_t kAboutLayout[] = L"about.xml";

// The seven text controls, each named like its language id, in the order they are filled.
inline constexpr const wchar_t* kAboutTextIds[] = {L"about_title", L"des1", L"des2", L"des3",
                                                   L"des4", L"copyright1", L"copyright2"};

// Fills the seven texts and "about_version" (the text of "about_version" and the version; hidden when
// the program has no version).
void FillAboutTexts(toolkit::CPaintManagerUI& pm, const std::wstring& version);

class CAboutFrame : public CUIBase, public toolkit::CWindowWnd, public toolkit::INotifyUI {
 public:
  // version: shown after the text of "about_version"; empty hides that line.
  explicit CAboutFrame(std::wstring version);

  // Creates the window on parent, centres it and runs it modally with the running program's version;
  // returns 1.
  static unsigned Show(toolkit::WindowHandle parent);

  intptr_t HandleMessage(unsigned msg, uintptr_t wParam, intptr_t lParam) override;
  void Notify(toolkit::TNotifyUI& msg) override;

 protected:
  const wchar_t* GetWindowClassName() const override { return kAboutWindowClass; }
  unsigned GetClassStyle() const override { return toolkit::kCsDblClks; }
  void OnFinalMessage(toolkit::WindowHandle hWnd) override;

 private:
  std::wstring m_version;
};

}  // namespace nimbrook
