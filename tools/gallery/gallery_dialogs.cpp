// The client's dialogs in the gallery, each opened the way the client opens it: message boxes and
// the notice pop-up modally on the gallery window, the menu and the pickers from a gallery control.
// Every dialog logs its window rectangle ("window NAME l t r b", screen pixels) and the rectangles
// of its buttons ("control NAME l t r b"), so scripts can click them and check where they are.
#include <windows.h>

#include "gallery_dialogs.h"

#include "core/languages.h"
#include "toolkit/control.h"
#include "ui/menu_wnd.h"
#include "ui/pop_box.h"
#include "ui/pop_wnd.h"
#include "ui/protocol_wnd.h"
#include "ui/route_wnd.h"

namespace nimbrook::gallery {

using namespace toolkit;

namespace {

std::wstring RectText(const UiRect& r) {
  return std::to_wstring(r.left) + L" " + std::to_wstring(r.top) + L" " + std::to_wstring(r.right) + L" " +
         std::to_wstring(r.bottom);
}

void LogWindow(const GalleryDialogContext& context, const std::wstring& name, CWindowWnd& window) {
  if (context.log) context.log(L"window " + name + L" " + RectText(window.GetWindowRect()));
}

// The screen rectangles of the named controls of a window (laid out first).
void LogControls(const GalleryDialogContext& context, CWindowWnd& window, CPaintManagerUI& pm,
                 std::initializer_list<const wchar_t*> names) {
  if (!context.log) return;
  pm.DoLayout();
  const double scale = window.GetDpiScale() > 0 ? window.GetDpiScale() : 1.0;
  const UiPoint origin = window.ClientToScreen({0, 0});
  for (const wchar_t* name : names) {
    CControlUI* control = pm.FindControl(name);
    if (control == nullptr) continue;
    const UiRect& p = control->GetPos();
    const UiRect screen{origin.x + static_cast<int>(p.left * scale), origin.y + static_cast<int>(p.top * scale),
                        origin.x + static_cast<int>(p.right * scale), origin.y + static_cast<int>(p.bottom * scale)};
    context.log(std::wstring(L"control ") + name + L" " + RectText(screen));
  }
}

bool OpenBox(const std::wstring& name, const std::wstring& kind, const std::wstring& text,
             const GalleryDialogContext& context) {
  auto* box = new CPopBox(kind, text);
  if (box->Create(context.owner, L"", kWsPopup, kWsExToolWindow) == nullptr) {
    if (context.log) context.log(L"create-failed " + name);
    return false;
  }
  box->CenterWindow();
  if (context.notifyLog) (void)box->GetPaintManager().AddNotifier(context.notifyLog);
  LogWindow(context, name, *box);
  LogControls(context, *box, box->GetPaintManager(), {L"ok", L"cancel", L"closebtn", L"title", L"text"});
  const unsigned code = box->ShowModal();   // the box is gone afterwards
  if (context.log) context.log(L"modal " + std::to_wstring(code));
  return true;
}

bool OpenNotice(const GalleryDialogContext& context) {
  auto* pop = new CPopWnd(Text(L"nimbrookjsq"), L"http://127.0.0.1:8080/notice");
  if (pop->CreateOn(context.owner) == nullptr) {
    if (context.log) context.log(L"create-failed notify");
    return false;
  }
  if (context.notifyLog) (void)pop->GetPaintManager().AddNotifier(context.notifyLog);
  LogWindow(context, L"notify", *pop);
  LogControls(context, *pop, pop->GetPaintManager(), {L"closebtn", L"notifyweb"});
  const unsigned code = pop->ShowModal();
  if (context.log) context.log(L"modal " + std::to_wstring(code));
  return true;
}

// Pop-ups: shown below the owner control, or at the given screen point.
template <typename Wnd>
bool OpenDropDown(const std::wstring& name, Wnd* wnd, const GalleryDialogContext& context, bool corner) {
  if (!wnd->Init(context.ownerControl)) {   // a pop-up that could not be created is already gone
    if (context.log) context.log(L"create-failed " + name);
    return false;
  }
  if (context.notifyLog) (void)wnd->GetPaintManager().AddNotifier(context.notifyLog);
  UiPoint at{200, 200};
  const UiRect work = wnd->GetWorkArea();
  if (corner) {
    at = {work.right - 4, work.bottom - 4};
  } else if (context.ownerControl != nullptr) {
    if (context.ownerManager != nullptr) context.ownerManager->DoLayout();
    // As the main window does: right edge of the control less 101, below it.
    const UiRect& p = context.ownerControl->GetPos();
    const double scale = wnd->GetDpiScale() > 0 ? wnd->GetDpiScale() : 1.0;
    POINT origin{0, 0};
    if (context.owner != nullptr) ::ClientToScreen(static_cast<HWND>(context.owner), &origin);
    at = {origin.x + static_cast<int>((p.right - 101) * scale), origin.y + static_cast<int>(p.bottom * scale)};
  }
  wnd->ShowAt(at);
  if (context.log) {
    context.log(L"workarea " + RectText(work));
    context.log(L"dpi " + std::to_wstring(static_cast<int>(wnd->GetDpiScale() * 96 + 0.5)));
  }
  LogWindow(context, name, *wnd);
  return true;
}

}  // namespace

std::vector<std::wstring> GalleryDialogNames() {
  return {L"ok", L"okcancel", L"update_now", L"missing_box", L"notify", L"menu", L"menu_corner",
          L"protocol", L"protocol_all", L"route"};
}

bool OpenGalleryDialog(const std::wstring& name, const GalleryDialogContext& context) {
  if (name == L"ok") return OpenBox(name, kPopBoxOk, Text(L"msg_choose_server"), context);
  if (name == L"okcancel") return OpenBox(name, kPopBoxOkCancel, Text(L"msg_sure_exit"), context);
  if (name == L"update_now") return OpenBox(name, kPopBoxUpdateNow, Text(L"msg_need_update"), context);
  if (name == L"missing_box") return OpenBox(name, L"no_such_box", Text(L"msg_sure_exit"), context);
  if (name == L"notify") return OpenNotice(context);
  if (name == L"menu") return OpenDropDown(name, new CMenuWnd(), context, false);
  if (name == L"menu_corner") return OpenDropDown(name, new CMenuWnd(), context, true);
  if (name == L"protocol") {
    return OpenDropDown(name, new CProtocolWnd(L"AUTO", {L"AUTO", L"PPTP", L"L2TP", L"OVPN-UDP"}), context, false);
  }
  if (name == L"protocol_all") {
    return OpenDropDown(name,
                        new CProtocolWnd(L"OVPN-TCP", {L"AUTO", L"PPTP", L"L2TP", L"IPSEC", L"SSTP", L"OVPN-UDP",
                                                       L"OVPN-TCP", L"OVPN-UDP+", L"OVPN-TCP+"}),
                        context, false);
  }
  if (name == L"route") return OpenDropDown(name, new CRouteWnd(), context, false);
  if (context.log) context.log(L"no such dialog " + name);
  return false;
}

}  // namespace nimbrook::gallery
