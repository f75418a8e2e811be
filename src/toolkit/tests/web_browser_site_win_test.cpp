// The browser's container object: DWebBrowserEvents2 reach the control's event handler with their
// arguments (a cancelled new window stays cancelled), the host-information query is answered by the
// handler, and the context menu is suppressed unless the handler wants it.
#include <windows.h>
#include <exdispid.h>
#include <mshtmhst.h>
#include <oleauto.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "toolkit/web_browser.h"
#include "toolkit/web_browser_host_win.h"

#ifndef DISPID_NEWWINDOW3
#define DISPID_NEWWINDOW3 273
#endif

namespace nimbrook::toolkit {
namespace {

class RecordingHandler : public CWebBrowserEventHandler {
 public:
  void NewWindow3(const std::wstring& url, bool& cancel) override {
    newWindows.push_back(url);
    cancel = cancelNewWindows;
  }
  bool GetHostInfo(uint32_t& cbSize, uint32_t& flags, uint32_t& doubleClick) override {
    if (!answerHostInfo) return false;
    cbSize = 20;
    flags = 14;
    doubleClick = 0;
    return true;
  }
  void BeforeNavigate2(const std::wstring& url, bool& cancel) override { navigations.push_back(url); }
  bool ShowContextMenu() override { return suppressMenu; }

  std::vector<std::wstring> newWindows;
  std::vector<std::wstring> navigations;
  bool cancelNewWindows = true;
  bool answerHostInfo = true;
  bool suppressMenu = true;
};

struct Site {
  explicit Site(CWebBrowserUI* control) : unknown(CreateWebBrowserSite(nullptr, control)) {
    unknown->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&events));
    unknown->QueryInterface(IID_IDocHostUIHandler, reinterpret_cast<void**>(&ui));
  }
  ~Site() {
    if (events) events->Release();
    if (ui) ui->Release();
    unknown->Release();
  }
  IUnknown* unknown;
  IDispatch* events = nullptr;
  IDocHostUIHandler* ui = nullptr;
};

// Fires NewWindow3 with the browser's argument layout (reverse order) and returns Cancel.
VARIANT_BOOL FireNewWindow3(IDispatch* events, const wchar_t* url) {
  VARIANT_BOOL cancel = VARIANT_FALSE;
  IDispatch* newDispatch = nullptr;
  VARIANT args[5];
  for (auto& a : args) ::VariantInit(&a);
  args[4].vt = VT_BYREF | VT_DISPATCH;
  args[4].ppdispVal = &newDispatch;
  args[3].vt = VT_BYREF | VT_BOOL;
  args[3].pboolVal = &cancel;
  args[2].vt = VT_I4;
  args[2].lVal = 0;
  args[1].vt = VT_BSTR;
  args[1].bstrVal = ::SysAllocString(L"http://127.0.0.1/notice");
  args[0].vt = VT_BSTR;
  args[0].bstrVal = ::SysAllocString(url);
  DISPPARAMS params{args, nullptr, 5, 0};
  events->Invoke(DISPID_NEWWINDOW3, IID_NULL, 0, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr);
  ::SysFreeString(args[1].bstrVal);
  ::SysFreeString(args[0].bstrVal);
  return cancel;
}

TEST(WebBrowserSite, NewWindowGoesToTheHandlerWhichDecidesTheCancel) {
  CWebBrowserUI control;
  RecordingHandler handler;
  control.SetWebBrowserEventHandler(&handler);
  Site site(&control);
  ASSERT_NE(site.events, nullptr);
  EXPECT_EQ(FireNewWindow3(site.events, L"inline:pay"), VARIANT_TRUE);
  ASSERT_EQ(handler.newWindows.size(), 1u);
  EXPECT_EQ(handler.newWindows[0], L"inline:pay");
  handler.cancelNewWindows = false;
  EXPECT_EQ(FireNewWindow3(site.events, L"http://example.com/"), VARIANT_FALSE);
  EXPECT_EQ(handler.newWindows.back(), L"http://example.com/");
}

TEST(WebBrowserSite, BeforeNavigateCarriesTheUrlAndMalformedEventsAreIgnored) {
  CWebBrowserUI control;
  RecordingHandler handler;
  control.SetWebBrowserEventHandler(&handler);
  Site site(&control);
  VARIANT_BOOL cancel = VARIANT_FALSE;
  VARIANT url;
  ::VariantInit(&url);
  url.vt = VT_BSTR;
  url.bstrVal = ::SysAllocString(L"about:blank");
  VARIANT args[7];
  for (auto& a : args) ::VariantInit(&a);
  args[5].vt = VT_BYREF | VT_VARIANT;
  args[5].pvarVal = &url;
  args[0].vt = VT_BYREF | VT_BOOL;
  args[0].pboolVal = &cancel;
  DISPPARAMS params{args, nullptr, 7, 0};
  EXPECT_EQ(site.events->Invoke(DISPID_BEFORENAVIGATE2, IID_NULL, 0, DISPATCH_METHOD, &params, nullptr,
                                nullptr, nullptr),
            S_OK);
  ASSERT_EQ(handler.navigations.size(), 1u);
  EXPECT_EQ(handler.navigations[0], L"about:blank");
  // Too few arguments, wrong types, no parameters at all: nothing is read, nothing breaks.
  DISPPARAMS shortParams{args, nullptr, 2, 0};
  site.events->Invoke(DISPID_NEWWINDOW3, IID_NULL, 0, DISPATCH_METHOD, &shortParams, nullptr, nullptr, nullptr);
  site.events->Invoke(DISPID_NEWWINDOW3, IID_NULL, 0, DISPATCH_METHOD, nullptr, nullptr, nullptr, nullptr);
  EXPECT_TRUE(handler.newWindows.empty());
  ::SysFreeString(url.bstrVal);
}

TEST(WebBrowserSite, HostInfoAndContextMenuFollowTheHandler) {
  CWebBrowserUI control;
  RecordingHandler handler;
  control.SetWebBrowserEventHandler(&handler);
  Site site(&control);
  ASSERT_NE(site.ui, nullptr);
  DOCHOSTUIINFO info{};
  info.cbSize = sizeof(info);
  EXPECT_EQ(site.ui->GetHostInfo(&info), S_OK);
  EXPECT_EQ(info.dwFlags, 14u);   // no help menu, no 3-D border, no scroll bars
  EXPECT_EQ(info.dwDoubleClick, 0u);
  EXPECT_EQ(info.cbSize, sizeof(info));   // the structure's own size is never overwritten
  handler.answerHostInfo = false;
  EXPECT_EQ(site.ui->GetHostInfo(&info), E_NOTIMPL);

  POINT pt{10, 10};
  EXPECT_EQ(site.ui->ShowContextMenu(0, &pt, nullptr, nullptr), S_OK);   // suppressed
  handler.suppressMenu = false;
  EXPECT_EQ(site.ui->ShowContextMenu(0, &pt, nullptr, nullptr), S_FALSE);

  // Without a handler: no host information, and still no context menu.
  control.SetWebBrowserEventHandler(nullptr);
  EXPECT_EQ(site.ui->GetHostInfo(&info), E_NOTIMPL);
  EXPECT_EQ(site.ui->ShowContextMenu(0, &pt, nullptr, nullptr), S_OK);
  EXPECT_EQ(FireNewWindow3(site.events, L"inline:pay"), VARIANT_FALSE);
}

}  // namespace
}  // namespace nimbrook::toolkit
