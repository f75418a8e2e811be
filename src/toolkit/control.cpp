#include "toolkit/control.h"

#include <algorithm>

#include "toolkit/attribute_values.h"
#include "toolkit/paint_host.h"
#include "toolkit/paint_manager.h"
#include "toolkit/render_context.h"

namespace nimbrook::toolkit {
namespace {

int Bound(int v) { return std::clamp(v, -kMaxExtent, kMaxExtent); }
UiRect Bound(const UiRect& r) { return {Bound(r.left), Bound(r.top), Bound(r.right), Bound(r.bottom)}; }

}  // namespace

CControlUI::CControlUI()
    : m_name(&SharedName(std::wstring())),
      m_visible(true),
      m_internVisible(true),
      m_enabled(true),
      m_mouseEnabled(true),
      m_keyboardEnabled(true),
      m_focused(false),
      m_float(false),
      m_updateNeeded(true) {}

CControlUI::~CControlUI() {
  m_dying = true;
  if (m_rare) m_rare->life.reset();
  if (m_manager) m_manager->ReapObjects(this);
}

std::weak_ptr<const bool> CControlUI::GetLifeToken() const {
  if (m_dying) return {};
  if (!m_rare) m_rare = std::make_unique<RareAttributes>();
  if (!m_rare->life) m_rare->life = std::make_shared<const bool>(true);
  return m_rare->life;
}

const CControlUI::RareAttributes& CControlUI::Rare() const {
  static const RareAttributes kDefaults;
  return m_rare ? *m_rare : kDefaults;
}

CControlUI::RareAttributes& CControlUI::MutableRare() {
  if (!m_rare) m_rare = std::make_unique<RareAttributes>();
  return *m_rare;
}

std::wstring CControlUI::GetClass() const { return L"ControlUI"; }

void CControlUI::SetName(const std::wstring& name) {
  if (name == *m_name) return;
  const std::wstring& old = *m_name;
  m_name = &SharedName(name);
  if (m_manager) m_manager->RenameControl(this, old, name);
}

void CControlUI::SetToolTip(const std::wstring& text) {
  if (text == GetToolTip()) return;
  MutableRare().toolTip = text;
}

void CControlUI::SetUserData(const std::wstring& data) {
  if (data == GetUserData()) return;
  MutableRare().userData = data;
}

void CControlUI::SetTag(uintptr_t tag) {
  if (m_rare || tag != 0) MutableRare().tag = tag;
}

void CControlUI::SetText(const std::wstring& text) {
  if (text == m_text) return;
  m_text = text;
  Invalidate();
}

void CControlUI::SetVisible(bool visible) {
  if (m_visible == visible) return;
  const bool wasVisible = IsVisible();
  m_visible = visible;
  if (!IsVisible() && m_focused && m_manager) m_manager->SetFocus(nullptr);
  if (wasVisible != IsVisible()) NeedParentUpdate();
}

void CControlUI::SetInternVisible(bool visible) {
  m_internVisible = visible;
  if (!IsVisible() && m_focused && m_manager) m_manager->SetFocus(nullptr);
}

void CControlUI::SetEnabled(bool enabled) {
  if (m_enabled == enabled) return;
  m_enabled = enabled;
  if (!enabled && m_focused && m_manager) m_manager->SetFocus(nullptr);
  Invalidate();
}

void CControlUI::SetFocus() {
  if (m_manager) m_manager->SetFocus(this);
}

void CControlUI::SetFloat(bool isFloat) {
  if (m_float == isFloat) return;
  m_float = isFloat;
  NeedParentUpdate();
}

void CControlUI::SetPos(const UiRect& rect) {
  UiRect r = rect;
  if (r.right < r.left) r.right = r.left;
  if (r.bottom < r.top) r.bottom = r.top;
  if (r == m_pos && !m_updateNeeded) return;
  const UiRect old = m_pos;
  m_pos = r;
  m_updateNeeded = false;
  if (m_manager) {
    m_manager->Invalidate(old);
    m_manager->Invalidate(m_pos);
  }
}

void CControlUI::SetFloatPos(const UiRect& rect) {
  MutableRare().floatPos = Bound(rect);
  NeedParentUpdate();
}

void CControlUI::SetFixedWidth(int cx) {
  cx = std::min(cx, kMaxExtent);
  if (cx < 0 || cx == m_fixedWidth) return;
  m_fixedWidth = cx;
  NeedParentUpdate();
}

void CControlUI::SetFixedHeight(int cy) {
  cy = std::min(cy, kMaxExtent);
  if (cy < 0 || cy == m_fixedHeight) return;
  m_fixedHeight = cy;
  NeedParentUpdate();
}

void CControlUI::SetMinWidth(int cx) {
  cx = std::min(cx, kMaxExtent);
  if (cx < 0) return;
  MutableRare().minWidth = cx;
  NeedParentUpdate();
}

void CControlUI::SetMaxWidth(int cx) {
  cx = std::min(cx, kMaxExtent);
  if (cx < 0) return;
  MutableRare().maxWidth = cx;
  NeedParentUpdate();
}

void CControlUI::SetMinHeight(int cy) {
  cy = std::min(cy, kMaxExtent);
  if (cy < 0) return;
  MutableRare().minHeight = cy;
  NeedParentUpdate();
}

void CControlUI::SetMaxHeight(int cy) {
  cy = std::min(cy, kMaxExtent);
  if (cy < 0) return;
  MutableRare().maxHeight = cy;
  NeedParentUpdate();
}

void CControlUI::SetPadding(const UiRect& padding) {
  const UiRect bounded = Bound(padding);
  if (m_rare || bounded != UiRect{}) MutableRare().padding = bounded;
  NeedParentUpdate();
}

UiSize CControlUI::EstimateSize(UiSize) { return {m_fixedWidth, m_fixedHeight}; }

void CControlUI::SetBkColor(UiColor c) {
  m_bkColor = c;
  Invalidate();
}

void CControlUI::SetBkColor2(UiColor c) {
  if (m_rare || c != 0) MutableRare().bkColor2 = c;
  Invalidate();
}

void CControlUI::SetBorderColor(UiColor c) {
  if (m_rare || c != 0) MutableRare().borderColor = c;
  Invalidate();
}

void CControlUI::SetFocusBorderColor(UiColor c) {
  if (m_rare || c != 0) MutableRare().focusBorderColor = c;
  Invalidate();
}

void CControlUI::SetBorderSize(int size) {
  if (size < 0) return;
  if (m_rare || size != 0) MutableRare().borderSize = size;
  Invalidate();
}

void CControlUI::SetBorderRound(UiSize round) {
  if (m_rare || round != UiSize{}) MutableRare().borderRound = round;
  Invalidate();
}

const std::wstring& CControlUI::GetBkImage() const {
  const SharedImage* image = Rare().bkImage;
  return image ? image->text : SharedName(std::wstring());
}

void CControlUI::SetBkImage(const std::wstring& imageText) {
  const SharedImage* image = SharedImageFor(imageText);
  if (!image) return;
  if (m_rare || !imageText.empty()) MutableRare().bkImage = image;
  Invalidate();
}

bool CControlUI::ReadColor(const std::wstring& value, UiColor& out) { return ParseColor(value, out); }

bool CControlUI::SetAttribute(const std::wstring& name, const std::wstring& value) {
  int n = 0;
  bool b = false;
  UiRect r{};
  UiSize s{};
  UiColor c = 0;
  if (name == L"name") {
    SetName(value);
  } else if (name == L"text") {
    SetText(value);
  } else if (name == L"tooltip") {
    SetToolTip(value);
  } else if (name == L"tag") {
    if (!ParseInt(value, n)) return false;
    SetTag(static_cast<uintptr_t>(static_cast<intptr_t>(n)));
  } else if (name == L"userdata") {
    SetUserData(value);
  } else if (name == L"visible") {
    if (!ParseBool(value, b)) return false;
    SetVisible(b);
  } else if (name == L"enabled") {
    if (!ParseBool(value, b)) return false;
    SetEnabled(b);
  } else if (name == L"mouse") {
    if (!ParseBool(value, b)) return false;
    SetMouseEnabled(b);
  } else if (name == L"keyboard") {
    if (!ParseBool(value, b)) return false;
    SetKeyboardEnabled(b);
  } else if (name == L"float") {
    if (!ParseBool(value, b)) return false;
    SetFloat(b);
  } else if (name == L"pos") {
    if (!ParseRect(value, r)) return false;
    // pos fixes the size too, so a non-float control with pos keeps its width and height.
    r = Bound(r);
    m_fixedWidth = std::clamp(r.Width(), 0, kMaxExtent);
    m_fixedHeight = std::clamp(r.Height(), 0, kMaxExtent);
    SetFloatPos(r);
  } else if (name == L"width") {
    if (!ParseInt(value, n) || n < 0) return false;
    SetFixedWidth(n);
  } else if (name == L"height") {
    if (!ParseInt(value, n) || n < 0) return false;
    SetFixedHeight(n);
  } else if (name == L"minwidth") {
    if (!ParseInt(value, n) || n < 0) return false;
    SetMinWidth(n);
  } else if (name == L"maxwidth") {
    if (!ParseInt(value, n) || n < 0) return false;
    SetMaxWidth(n);
  } else if (name == L"minheight") {
    if (!ParseInt(value, n) || n < 0) return false;
    SetMinHeight(n);
  } else if (name == L"maxheight") {
    if (!ParseInt(value, n) || n < 0) return false;
    SetMaxHeight(n);
  } else if (name == L"padding") {
    if (!ParseRect(value, r)) return false;
    SetPadding(r);
  } else if (name == L"bkcolor" || name == L"bkcolor1") {
    if (!ParseColor(value, c)) return false;
    SetBkColor(c);
  } else if (name == L"bkcolor2") {
    if (!ParseColor(value, c)) return false;
    SetBkColor2(c);
  } else if (name == L"bordercolor") {
    if (!ParseColor(value, c)) return false;
    SetBorderColor(c);
  } else if (name == L"focusbordercolor") {
    if (!ParseColor(value, c)) return false;
    SetFocusBorderColor(c);
  } else if (name == L"bordersize") {
    if (!ParseInt(value, n) || n < 0) return false;
    SetBorderSize(n);
  } else if (name == L"borderround") {
    if (!ParseSize(value, s)) return false;
    SetBorderRound(s);
  } else if (name == L"bkimage") {
    if (!SharedImageFor(value)) return false;
    SetBkImage(value);
  } else if (name == L"cursor") {
    if (value == L"hand") SetCursor(UiCursor::Hand);
    else if (value == L"arrow") SetCursor(UiCursor::Arrow);
    else if (value == L"ibeam") SetCursor(UiCursor::IBeam);
    else return false;
  } else {
    return false;
  }
  return true;
}

bool CControlUI::ApplyAttributeList(const std::wstring& list) {
  std::vector<AttributePair> pairs;
  const bool wellFormed = ParseAttributeList(list, pairs);
  bool ok = wellFormed;
  for (const auto& p : pairs) {
    if (!SetAttribute(p.name, p.value)) ok = false;
  }
  return ok;
}

void CControlUI::SetManager(CPaintManagerUI* manager, CControlUI* parent, bool init) {
  if (m_manager && m_manager != manager) m_manager->ReapObjects(this);
  m_manager = manager;
  m_parent = parent;
  if (init && m_manager) m_manager->InitControls(this, parent);
}

void CControlUI::VisitControls(const std::function<void(CControlUI*)>& visit) { visit(this); }

CControlUI* CControlUI::FindControlAt(UiPoint pt) {
  if (!IsVisible() || !m_mouseEnabled || !m_pos.Contains(pt)) return nullptr;
  return this;
}

CControlUI* CControlUI::FindSubControl(const std::wstring& name) {
  CControlUI* found = nullptr;
  VisitControls([&](CControlUI* c) {
    if (!found && c->GetName() == name) found = c;
  });
  return found;
}

void CControlUI::DoEvent(TEventUI& event) {
  switch (event.Type) {
    case UiEvent::SetCursor:
      if (m_manager && m_manager->GetHost()) m_manager->GetHost()->SetCursor(m_cursor);
      return;
    case UiEvent::SetFocus:
    case UiEvent::KillFocus:
      Invalidate();
      return;
    case UiEvent::Timer:
      Notify(notify::kTimer, event.wParam, event.lParam);
      return;
    default:
      break;
  }
  if (m_parent) m_parent->DoEvent(event);
}

bool CControlUI::Activate() { return IsVisible() && IsEnabled(); }

void CControlUI::DoPaint(RenderContext& ctx, const UiRect& dirty) {
  if (!m_pos.Intersects(dirty)) return;
  const UiSize borderRound = GetBorderRound();
  const bool round = borderRound.cx > 0 && borderRound.cy > 0;
  if (round) ctx.PushClip(m_pos, borderRound);
  PaintBkColor(ctx);
  PaintBkImage(ctx);
  PaintStatusImage(ctx);
  PaintText(ctx);
  PaintBorder(ctx);
  if (round) ctx.PopClip();
}

void CControlUI::PaintBkColor(RenderContext& ctx) {
  if (m_bkColor == 0) return;
  const RareAttributes& rare = Rare();
  if (rare.bkColor2 != 0) {
    ctx.FillGradient(m_pos, m_bkColor, rare.bkColor2);
  } else {
    ctx.FillRoundRect(m_pos, rare.borderRound, m_bkColor);
  }
}

void CControlUI::PaintBkImage(RenderContext& ctx) {
  if (m_rare && m_rare->bkImage) DrawImage(ctx, m_rare->bkImage->spec);
}

void CControlUI::PaintBorder(RenderContext& ctx) {
  if (!m_rare || m_rare->borderSize <= 0) return;
  const RareAttributes& rare = *m_rare;
  const UiColor color = (m_focused && rare.focusBorderColor != 0) ? rare.focusBorderColor : rare.borderColor;
  if (color == 0) return;
  ctx.DrawBorder(m_pos, rare.borderSize, color, rare.borderRound);
}

bool CControlUI::DrawImage(RenderContext& ctx, const ImageSpec& image) {
  if (image.IsEmpty()) return false;
  return ctx.DrawImage(image, m_pos);
}

void CControlUI::Invalidate() {
  if (m_manager && IsVisible()) m_manager->Invalidate(m_pos);
}

void CControlUI::NeedUpdate() {
  m_updateNeeded = true;
  if (m_manager) {
    m_manager->NeedUpdate();
    Invalidate();
  }
}

void CControlUI::NeedParentUpdate() {
  if (m_parent) {
    m_parent->NeedUpdate();
  } else {
    NeedUpdate();
  }
  if (m_manager) m_manager->NeedUpdate();
}

void CControlUI::Notify(const wchar_t* type, uintptr_t wParam, intptr_t lParam, bool async) {
  if (m_manager) m_manager->SendNotify(this, type, wParam, lParam, async);
}

}  // namespace nimbrook::toolkit
