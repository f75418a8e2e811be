// CPopBox: the client's message box. A kind ("ok", "okcancel", "update_now"; the kind also names the
// layout, kind + ".xml") with a title, the message text and one or two buttons; run modally, it
// returns 1 when "ok" closed it and 2 for "cancel", the close button or Escape.
//   auto* box = new CPopBox(L"okcancel", Text(L"msg_sure_exit"));
//   box->Create(parent, L"", kWsPopup, kWsExToolWindow); box->CenterWindow();
//   if (box->ShowModal() == 1) ...          // the box deletes itself
#pragma once

#include <string>

#include "toolkit/notify.h"
#include "toolkit/window_wnd.h"
#include "ui/ui_base.h"

namespace nimbrook {

inline constexpr wchar_t kPopBoxOk[] = L"ok";
inline constexpr wchar_t kPopBoxOkCancel[] = L"okcancel";
inline constexpr wchar_t kPopBoxUpdateNow[] = L"update_now";
// A failure with a single "ok" button and the warning mark (the DNS flush).
inline constexpr wchar_t kPopBoxClearDns[] = L"cleardns";

class CPopBox : public CUIBase, public toolkit::CWindowWnd, public toolkit::INotifyUI {
 public:
  CPopBox(const std::wstring& kind, const std::wstring& text);

  // Creates the box on parent, centres it and runs it modally; returns the close code (1 or 2).
  static unsigned Show(toolkit::WindowHandle parent, const std::wstring& kind, const std::wstring& text);

  const std::wstring& GetKind() const { return m_kind; }
  const std::wstring& GetMessageText() const { return m_text; }

  intptr_t HandleMessage(unsigned msg, uintptr_t wParam, intptr_t lParam) override;
  void Notify(toolkit::TNotifyUI& msg) override;

 protected:
  const wchar_t* GetWindowClassName() const override { return L"PopBox"; }
  unsigned GetClassStyle() const override { return toolkit::kCsDblClks; }
  void OnFinalMessage(toolkit::WindowHandle hWnd) override;

 private:
  void FillTexts();

  std::wstring m_kind;
  std::wstring m_text;
};

}  // namespace nimbrook
