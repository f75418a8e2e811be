// CControlUI, the base of every control: identity (name, text, tooltip, tag, user data), states,
// size rules, colours, border and background image, attribute texts, painting and input. Controls
// live in a tree owned by their containers; the paint manager of the window finds them by name.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "toolkit/notify.h"
#include "toolkit/shared_texts.h"
#include "toolkit/ui_types.h"

namespace nimbrook::toolkit {

class CPaintManagerUI;
class RenderContext;

class CControlUI {
 public:
  CControlUI();
  virtual ~CControlUI();
  CControlUI(const CControlUI&) = delete;
  CControlUI& operator=(const CControlUI&) = delete;

  // The class name layouts and window code compare ("ControlUI", "ButtonUI", ...).
  virtual std::wstring GetClass() const;

  // --- identity
  const std::wstring& GetName() const { return *m_name; }
  void SetName(const std::wstring& name);   // the manager's name map follows
  virtual std::wstring GetText() const { return m_text; }
  virtual void SetText(const std::wstring& text);
  const std::wstring& GetToolTip() const { return Rare().toolTip; }
  void SetToolTip(const std::wstring& text);
  uintptr_t GetTag() const { return Rare().tag; }
  void SetTag(uintptr_t tag);
  const std::wstring& GetUserData() const { return Rare().userData; }
  void SetUserData(const std::wstring& data);

  // --- states
  // Visible when both its own flag and its ancestors' (tab pages, hidden parents) allow it.
  bool IsVisible() const { return m_visible && m_internVisible; }
  bool GetVisibleFlag() const { return m_visible; }
  virtual void SetVisible(bool visible);
  virtual void SetInternVisible(bool visible);
  bool IsEnabled() const { return m_enabled; }
  virtual void SetEnabled(bool enabled);
  bool IsMouseEnabled() const { return m_mouseEnabled; }
  virtual void SetMouseEnabled(bool enabled) { m_mouseEnabled = enabled; }
  bool IsKeyboardEnabled() const { return m_keyboardEnabled; }
  virtual void SetKeyboardEnabled(bool enabled) { m_keyboardEnabled = enabled; }
  // Controls Tab stops at (buttons, options, edits) when visible, enabled and keyboard-enabled.
  virtual bool IsTabStop() const { return false; }
  bool IsFocused() const { return m_focused; }
  void SetFocus();   // through the manager
  // Called by the manager only.
  void SetFocusedState(bool focused) { m_focused = focused; }
  bool IsFloat() const { return m_float; }
  virtual void SetFloat(bool isFloat);
  UiCursor GetCursor() const { return m_cursor; }
  void SetCursor(UiCursor cursor) { m_cursor = cursor; }

  // --- geometry (logical pixels, window client coordinates)
  const UiRect& GetPos() const { return m_pos; }
  // Places the control; containers place their children from here.
  virtual void SetPos(const UiRect& rect);
  int GetWidth() const { return m_pos.Width(); }
  int GetHeight() const { return m_pos.Height(); }
  // Float position: relative to the parent's top-left (pos="l,t,r,b" of a float control).
  const UiRect& GetFloatPos() const { return Rare().floatPos; }
  void SetFloatPos(const UiRect& rect);
  int GetFixedWidth() const { return m_fixedWidth; }     // 0: takes what the layout gives
  void SetFixedWidth(int cx);
  int GetFixedHeight() const { return m_fixedHeight; }
  void SetFixedHeight(int cy);
  int GetMinWidth() const { return Rare().minWidth; }
  void SetMinWidth(int cx);
  int GetMaxWidth() const { return Rare().maxWidth; }
  void SetMaxWidth(int cx);
  int GetMinHeight() const { return Rare().minHeight; }
  void SetMinHeight(int cy);
  int GetMaxHeight() const { return Rare().maxHeight; }
  void SetMaxHeight(int cy);
  const UiRect& GetPadding() const { return Rare().padding; }   // outer margin inside the parent's layout
  void SetPadding(const UiRect& padding);
  // The size this control asks of its layout; 0 in a dimension means "whatever is left".
  virtual UiSize EstimateSize(UiSize available);

  // --- style
  UiColor GetBkColor() const { return m_bkColor; }
  void SetBkColor(UiColor c);
  UiColor GetBkColor2() const { return Rare().bkColor2; }
  void SetBkColor2(UiColor c);
  UiColor GetBorderColor() const { return Rare().borderColor; }
  void SetBorderColor(UiColor c);
  UiColor GetFocusBorderColor() const { return Rare().focusBorderColor; }
  void SetFocusBorderColor(UiColor c);
  int GetBorderSize() const { return Rare().borderSize; }
  void SetBorderSize(int size);
  UiSize GetBorderRound() const { return Rare().borderRound; }
  void SetBorderRound(UiSize round);
  const std::wstring& GetBkImage() const;
  void SetBkImage(const std::wstring& imageText);

  // --- attributes
  // One layout attribute; false for an unknown name or a value that does not read (then nothing
  // changes).
  virtual bool SetAttribute(const std::wstring& name, const std::wstring& value);
  // name="value" name2="value2" ...: applies each in order. False when the list is malformed or any
  // attribute was refused; the good ones are applied all the same.
  bool ApplyAttributeList(const std::wstring& list);

  // --- tree
  CPaintManagerUI* GetManager() const { return m_manager; }
  CControlUI* GetParent() const { return m_parent; }
  // Connects the control (and its children) to a manager; init registers names, option groups, ...
  virtual void SetManager(CPaintManagerUI* manager, CControlUI* parent, bool init = true);
  // Calls visit for this control and then for every descendant, depth first, in child order.
  virtual void VisitControls(const std::function<void(CControlUI*)>& visit);
  // The control that takes mouse input at pt (client coordinates): the deepest visible,
  // mouse-enabled control under it, or null.
  virtual CControlUI* FindControlAt(UiPoint pt);
  // First descendant (or this) with the name.
  CControlUI* FindSubControl(const std::wstring& name);

  // --- behaviour
  virtual void DoEvent(TEventUI& event);
  // What a click or Return does: sends "click" for buttons; false when disabled or invisible.
  virtual bool Activate();
  virtual void DoPaint(RenderContext& ctx, const UiRect& dirty);
  void Invalidate();            // repaint this control's rectangle
  void NeedUpdate();            // this control's own layout is stale
  void NeedParentUpdate();      // the parent must lay its children out again
  bool IsUpdateNeeded() const { return m_updateNeeded; }
  void ClearUpdateNeeded() { m_updateNeeded = false; }
  // Called when the control joins a manager's attached tree (once per joining).
  virtual void DoInit() {}
  // Expires when the control is destroyed: code that sends a notification (whose handler may delete
  // the sender) checks it before touching the control again.
  std::weak_ptr<const bool> GetLifeToken() const;

 protected:
  virtual void PaintBkColor(RenderContext& ctx);
  virtual void PaintBkImage(RenderContext& ctx);
  virtual void PaintStatusImage(RenderContext& ctx) {}
  virtual void PaintText(RenderContext& ctx) {}
  virtual void PaintBorder(RenderContext& ctx);
  bool DrawImage(RenderContext& ctx, const ImageSpec& image);
  // Sends a notification through the manager (nothing without one).
  void Notify(const wchar_t* type, uintptr_t wParam = 0, intptr_t lParam = 0, bool async = false);
  // Used by subclasses' SetAttribute for the text attributes they share.
  static bool ReadColor(const std::wstring& value, UiColor& out);

  // Size, colour, border, image and text attributes most controls never set, and the life token most
  // never hand out. They live apart, made on first use, so that a plain control (a list row holds
  // dozens) stays small.
  struct RareAttributes {
    std::wstring toolTip;
    std::wstring userData;
    uintptr_t tag = 0;
    UiRect padding{};
    UiRect floatPos{};
    int minWidth = 0;
    int maxWidth = 9999;
    int minHeight = 0;
    int maxHeight = 9999;
    UiColor bkColor2 = 0;
    UiColor borderColor = 0;
    UiColor focusBorderColor = 0;
    int borderSize = 0;
    UiSize borderRound{};
    const SharedImage* bkImage = nullptr;
    std::shared_ptr<const bool> life;
  };
  // The attributes as set, or the defaults when none was.
  const RareAttributes& Rare() const;
  RareAttributes& MutableRare();

  CPaintManagerUI* m_manager = nullptr;
  CControlUI* m_parent = nullptr;
  const std::wstring* m_name;   // the shared copy
  std::wstring m_text;
  UiRect m_pos{};
  int m_fixedWidth = 0;
  int m_fixedHeight = 0;
  UiColor m_bkColor = 0;
  UiCursor m_cursor = UiCursor::Arrow;
  bool m_visible : 1;
  bool m_internVisible : 1;
  bool m_enabled : 1;
  bool m_mouseEnabled : 1;
  bool m_keyboardEnabled : 1;
  bool m_focused : 1;
  bool m_float : 1;
  bool m_updateNeeded : 1;

 private:
  friend class CPaintManagerUI;

  bool m_dying = false;   // the life token has expired for good
  // The manager's chain of the controls that share this control's name, in the order they joined
  // (kept by the manager).
  bool m_nameListed = false;
  CControlUI* m_namePrev = nullptr;
  CControlUI* m_nameNext = nullptr;
  // Mutable for the life token, made when first asked for.
  mutable std::unique_ptr<RareAttributes> m_rare;
};

}  // namespace nimbrook::toolkit
