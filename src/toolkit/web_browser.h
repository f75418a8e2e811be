// CWebBrowserUI: a pane for a web page. The model keeps the home page and the current URL and the
// window's event handler; the Windows host puts the system browser control into the pane. Where the
// host cannot create one the pane stays empty (its background only) and navigation reports false.
#pragma once

#include <string>

#include "toolkit/control.h"

namespace nimbrook::toolkit {

// Events of the embedded browser a window may override; all default to doing nothing.
class CWebBrowserEventHandler {
 public:
  virtual ~CWebBrowserEventHandler() = default;
  // The page asks for a new window; set cancel to stop the browser opening its own.
  virtual void NewWindow3(const std::wstring& url, bool& cancel) {}
  // The host-information query: structure size, flags and double-click behaviour; return true to
  // answer with them (S_OK), false to let the browser use its defaults.
  virtual bool GetHostInfo(uint32_t& cbSize, uint32_t& flags, uint32_t& doubleClick) { return false; }
  virtual void BeforeNavigate2(const std::wstring& url, bool& cancel) {}
  virtual void NavigateComplete2(const std::wstring& url) {}
  virtual void DocumentComplete(const std::wstring& url) {}
  // The browser's context menu; return true to suppress it (the default).
  virtual bool ShowContextMenu() { return true; }
};

class CWebBrowserUI : public CControlUI {
 public:
  CWebBrowserUI();
  ~CWebBrowserUI() override;
  std::wstring GetClass() const override;

  const std::wstring& GetHomePage() const { return m_homePage; }
  void SetHomePage(const std::wstring& url) { m_homePage = url; }
  bool IsAutoNavigate() const { return m_autoNavigate; }
  void SetAutoNavigate(bool autoNavigate) { m_autoNavigate = autoNavigate; }
  // Asks the host's browser to show url; false (and the URL kept) without a browser.
  bool Navigate(const std::wstring& url);
  bool NavigateHomePage() { return Navigate(m_homePage); }
  const std::wstring& GetUrl() const { return m_url; }
  CWebBrowserEventHandler* GetWebBrowserEventHandler() const { return m_handler; }
  void SetWebBrowserEventHandler(CWebBrowserEventHandler* handler) { m_handler = handler; }
  bool HasNativeChild() const { return m_native; }

  bool SetAttribute(const std::wstring& name, const std::wstring& value) override;
  void SetPos(const UiRect& rect) override;
  void SetVisible(bool visible) override;
  void SetInternVisible(bool visible) override;
  void SetManager(CPaintManagerUI* manager, CControlUI* parent, bool init = true) override;
  void DoInit() override;

 protected:
  void PlaceNativeChild();
  void ReleaseNativeChild();

  std::wstring m_homePage;
  std::wstring m_url;
  bool m_autoNavigate = false;
  bool m_native = false;
  bool m_creationTried = false;
  CWebBrowserEventHandler* m_handler = nullptr;
};

}  // namespace nimbrook::toolkit
