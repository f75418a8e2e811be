// CEditUI: a one-line text box. The model keeps text, password flag, character limit, read-only and
// number-only flags and the selection; on Windows a native EDIT window (IME, clipboard) sits on top
// of it and reports the user's changes back through OnNativeTextChanged. Without a native child the
// control takes typed characters itself. Every change made by the user sends "textchanged".
#pragma once

#include "toolkit/label.h"

namespace nimbrook::toolkit {

class CEditUI : public CLabelUI {
 public:
  CEditUI();
  ~CEditUI() override;
  std::wstring GetClass() const override;
  bool IsTabStop() const override { return true; }

  // Programmatic change: no "textchanged" (only the user's edits send it). Cut to the limit.
  void SetText(const std::wstring& text) override;
  bool IsPasswordMode() const { return m_password; }
  void SetPasswordMode(bool password);
  wchar_t GetPasswordChar() const { return m_passwordChar; }
  bool IsReadOnly() const { return m_readOnly; }
  void SetReadOnly(bool readOnly);
  int GetMaxChar() const { return m_maxChar; }   // 0: no limit
  void SetMaxChar(int maxChar);
  bool IsNumberOnly() const { return m_numberOnly; }
  void SetNumberOnly(bool numberOnly);
  UiColor GetNativeBkColor() const { return m_nativeBkColor; }
  void SetNativeBkColor(UiColor c);
  const std::wstring& GetPromptText() const { return m_promptText; }
  void SetPromptText(const std::wstring& text);
  // Selection as character positions; end -1 means the end of the text.
  void SetSel(int start, int end);
  void SetSelAll() { SetSel(0, -1); }
  int GetSelStart() const { return m_selStart; }
  int GetSelEnd() const { return m_selEnd; }

  // The user changed the text in the native child: store it (filtered and cut like typed text) and
  // send "textchanged" when it differs.
  void OnNativeTextChanged(const std::wstring& text);
  bool HasNativeChild() const { return m_native; }

  bool SetAttribute(const std::wstring& name, const std::wstring& value) override;
  void DoEvent(TEventUI& event) override;
  void SetPos(const UiRect& rect) override;
  void SetVisible(bool visible) override;
  void SetInternVisible(bool visible) override;
  void SetEnabled(bool enabled) override;
  void SetManager(CPaintManagerUI* manager, CControlUI* parent, bool init = true) override;
  void DoInit() override;

  // Applies the limit and the number-only rule to a text the user produced.
  std::wstring FilterUserText(const std::wstring& text) const;

 protected:
  void PaintText(RenderContext& ctx) override;
  void PaintBorder(RenderContext& ctx) override;
  void SyncNativeChild();
  void PlaceNativeChild();
  void ReleaseNativeChild();

  bool m_password = false;
  wchar_t m_passwordChar = L'*';
  bool m_readOnly = false;
  int m_maxChar = 255;
  bool m_numberOnly = false;
  UiColor m_nativeBkColor = 0xFFFFFFFF;
  std::wstring m_promptText;
  int m_selStart = 0;
  int m_selEnd = 0;
  bool m_native = false;
  bool m_nativeShown = false;   // the child is on screen (not hidden by scrolling)
};

}  // namespace nimbrook::toolkit
