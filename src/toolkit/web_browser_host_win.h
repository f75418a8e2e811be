// The system web browser control inside a toolkit window (Windows only): the Win32 host creates one
// per CWebBrowserUI, places it over the control and forwards navigation; the browser's events and
// host questions go to the control's CWebBrowserEventHandler.
#pragma once

#include <windows.h>
#include <unknwn.h>

#include <memory>
#include <string>

namespace nimbrook::toolkit {

class CWebBrowserUI;

class WebBrowserHost {
 public:
  virtual ~WebBrowserHost() = default;
  // rect in device pixels of the parent's client area.
  virtual void Place(const RECT& rect, bool visible) = 0;
  virtual bool Navigate(const std::wstring& url) = 0;
};

// The container object the browser talks to (client site, in-place site and frame, document host UI
// handler, DWebBrowserEvents2 sink) for control, with one reference the caller releases. The host
// uses it for every browser; tests drive its event mapping directly.
IUnknown* CreateWebBrowserSite(HWND parent, CWebBrowserUI* control);

// The browser in parent for control, or null (with a log line) when the system cannot give one:
// no browser engine, COM not available, in-place activation refused.
std::unique_ptr<WebBrowserHost> CreateWebBrowserHost(HWND parent, CWebBrowserUI* control);

}  // namespace nimbrook::toolkit
