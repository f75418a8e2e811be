#include "toolkit/web_browser.h"

#include "toolkit/attribute_values.h"
#include "toolkit/paint_host.h"
#include "toolkit/paint_manager.h"

namespace nimbrook::toolkit {

CWebBrowserUI::CWebBrowserUI() { m_bkColor = 0xFFFFFFFF; }

CWebBrowserUI::~CWebBrowserUI() { ReleaseNativeChild(); }

std::wstring CWebBrowserUI::GetClass() const { return L"WebBrowserUI"; }

bool CWebBrowserUI::Navigate(const std::wstring& url) {
  m_url = url;
  if (!m_native || !m_manager || !m_manager->GetHost()) return false;
  return m_manager->GetHost()->NavigateBrowser(this, url);
}

bool CWebBrowserUI::SetAttribute(const std::wstring& name, const std::wstring& value) {
  bool b = false;
  if (name == L"homepage") {
    SetHomePage(value);
  } else if (name == L"autonavi") {
    if (!ParseBool(value, b)) return false;
    SetAutoNavigate(b);
  } else {
    return CControlUI::SetAttribute(name, value);
  }
  return true;
}

void CWebBrowserUI::SetPos(const UiRect& rect) {
  CControlUI::SetPos(rect);
  PlaceNativeChild();
}

void CWebBrowserUI::SetVisible(bool visible) {
  CControlUI::SetVisible(visible);
  PlaceNativeChild();
}

void CWebBrowserUI::SetInternVisible(bool visible) {
  CControlUI::SetInternVisible(visible);
  PlaceNativeChild();
}

void CWebBrowserUI::SetManager(CPaintManagerUI* manager, CControlUI* parent, bool init) {
  if (m_manager != manager) {
    ReleaseNativeChild();
    m_creationTried = false;
  }
  CControlUI::SetManager(manager, parent, init);
}

void CWebBrowserUI::DoInit() {
  if (m_creationTried || !m_manager || !m_manager->GetHost()) return;
  m_creationTried = true;
  m_native = m_manager->GetHost()->CreateNativeChild(this, NativeChildKind::Browser);
  if (!m_native) return;   // the pane stays empty; the host has said why in the log
  PlaceNativeChild();
  if (m_autoNavigate && !m_homePage.empty()) Navigate(m_homePage);
}

void CWebBrowserUI::PlaceNativeChild() {
  if (m_native && m_manager && m_manager->GetHost()) {
    m_manager->GetHost()->PlaceNativeChild(this, m_pos, IsVisible() && !m_pos.IsEmpty());
  }
}

void CWebBrowserUI::ReleaseNativeChild() {
  if (m_native && m_manager && m_manager->GetHost()) m_manager->GetHost()->DestroyNativeChild(this);
  m_native = false;
}

}  // namespace nimbrook::toolkit
