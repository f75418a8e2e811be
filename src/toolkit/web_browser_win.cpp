// The system web browser control (CLSID_WebBrowser) in place inside a toolkit window. One site object
// answers the control's container questions (client site, in-place site and frame, document host UI
// handler) and receives its DWebBrowserEvents2; what a window may decide goes to the control's
// CWebBrowserEventHandler, read at the moment of each event because windows register it after
// creation.
#include <windows.h>
#include <exdisp.h>
#include <exdispid.h>
#include <mshtmhst.h>
#include <oleidl.h>
#include <ocidl.h>

#include "core/log.h"
#include "toolkit/web_browser.h"
#include "toolkit/web_browser_host_win.h"

#ifndef DISPID_NEWWINDOW3
#define DISPID_NEWWINDOW3 273
#endif

namespace nimbrook::toolkit {

namespace {

template <typename T>
void SafeRelease(T*& p) {
  if (p) {
    p->Release();
    p = nullptr;
  }
}

std::wstring HResultText(HRESULT hr) {
  wchar_t buffer[16];
  wsprintfW(buffer, L"0x%08X", static_cast<unsigned>(hr));
  return buffer;
}

std::wstring VariantText(const VARIANT* v) {
  if (!v) return {};
  if (v->vt == (VT_BYREF | VT_VARIANT) && v->pvarVal) return VariantText(v->pvarVal);
  if (v->vt == VT_BSTR && v->bstrVal) return v->bstrVal;
  if (v->vt == (VT_BYREF | VT_BSTR) && v->pbstrVal && *v->pbstrVal) return *v->pbstrVal;
  return {};
}

class BrowserSite : public IOleClientSite,
                    public IOleInPlaceSite,
                    public IOleInPlaceFrame,
                    public IDocHostUIHandler,
                    public IDispatch {
 public:
  BrowserSite(HWND parent, CWebBrowserUI* control) : m_parent(parent), m_control(control) {}

  void Detach() { m_control = nullptr; }
  void SetRect(const RECT& rect) { m_rect = rect; }

  // IUnknown
  STDMETHODIMP QueryInterface(REFIID riid, void** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (riid == IID_IUnknown || riid == IID_IOleClientSite) {
      *out = static_cast<IOleClientSite*>(this);
    } else if (riid == IID_IOleWindow || riid == IID_IOleInPlaceSite) {
      *out = static_cast<IOleInPlaceSite*>(this);
    } else if (riid == IID_IOleInPlaceUIWindow || riid == IID_IOleInPlaceFrame) {
      *out = static_cast<IOleInPlaceFrame*>(this);
    } else if (riid == IID_IDocHostUIHandler) {
      *out = static_cast<IDocHostUIHandler*>(this);
    } else if (riid == IID_IDispatch || riid == DIID_DWebBrowserEvents2) {
      *out = static_cast<IDispatch*>(this);
    } else {
      return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return ++m_refs; }
  STDMETHODIMP_(ULONG) Release() override {
    const ULONG refs = --m_refs;
    if (refs == 0) delete this;
    return refs;
  }

  // IOleClientSite
  STDMETHODIMP SaveObject() override { return E_NOTIMPL; }
  STDMETHODIMP GetMoniker(DWORD, DWORD, IMoniker** out) override {
    if (out) *out = nullptr;
    return E_NOTIMPL;
  }
  STDMETHODIMP GetContainer(IOleContainer** out) override {
    if (out) *out = nullptr;
    return E_NOINTERFACE;
  }
  STDMETHODIMP ShowObject() override { return S_OK; }
  STDMETHODIMP OnShowWindow(BOOL) override { return S_OK; }
  STDMETHODIMP RequestNewObjectLayout() override { return E_NOTIMPL; }

  // IOleWindow (shared by the in-place site and frame)
  STDMETHODIMP GetWindow(HWND* out) override {
    if (!out) return E_POINTER;
    *out = m_parent;
    return S_OK;
  }
  STDMETHODIMP ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }

  // IOleInPlaceSite
  STDMETHODIMP CanInPlaceActivate() override { return S_OK; }
  STDMETHODIMP OnInPlaceActivate() override { return S_OK; }
  STDMETHODIMP OnUIActivate() override { return S_OK; }
  STDMETHODIMP GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** doc, LPRECT pos,
                                LPRECT clip, LPOLEINPLACEFRAMEINFO info) override {
    if (frame) {
      *frame = static_cast<IOleInPlaceFrame*>(this);
      AddRef();
    }
    if (doc) *doc = nullptr;
    if (pos) *pos = m_rect;
    if (clip) *clip = m_rect;
    if (info) {
      info->fMDIApp = FALSE;
      info->hwndFrame = m_parent;
      info->haccel = nullptr;
      info->cAccelEntries = 0;
    }
    return S_OK;
  }
  STDMETHODIMP Scroll(SIZE) override { return E_NOTIMPL; }
  STDMETHODIMP OnUIDeactivate(BOOL) override { return S_OK; }
  STDMETHODIMP OnInPlaceDeactivate() override { return S_OK; }
  STDMETHODIMP DiscardUndoState() override { return E_NOTIMPL; }
  STDMETHODIMP DeactivateAndUndo() override { return E_NOTIMPL; }
  STDMETHODIMP OnPosRectChange(LPCRECT) override { return S_OK; }

  // IOleInPlaceUIWindow / IOleInPlaceFrame: no menus, tool bars or status line to share.
  STDMETHODIMP GetBorder(LPRECT) override { return INPLACE_E_NOTOOLSPACE; }
  STDMETHODIMP RequestBorderSpace(LPCBORDERWIDTHS) override { return INPLACE_E_NOTOOLSPACE; }
  STDMETHODIMP SetBorderSpace(LPCBORDERWIDTHS) override { return S_OK; }
  STDMETHODIMP SetActiveObject(IOleInPlaceActiveObject*, LPCOLESTR) override { return S_OK; }
  STDMETHODIMP InsertMenus(HMENU, LPOLEMENUGROUPWIDTHS) override { return S_OK; }
  STDMETHODIMP SetMenu(HMENU, HOLEMENU, HWND) override { return S_OK; }
  STDMETHODIMP RemoveMenus(HMENU) override { return S_OK; }
  STDMETHODIMP SetStatusText(LPCOLESTR) override { return S_OK; }
  STDMETHODIMP EnableModeless(BOOL) override { return S_OK; }
  STDMETHODIMP TranslateAccelerator(LPMSG, WORD) override { return S_FALSE; }

  // IDocHostUIHandler
  STDMETHODIMP ShowContextMenu(DWORD, POINT*, IUnknown*, IDispatch*) override {
    CWebBrowserEventHandler* handler = Handler();
    // Without a handler the menu is suppressed too: the pane is part of our window, not a browser.
    return !handler || handler->ShowContextMenu() ? S_OK : S_FALSE;
  }
  STDMETHODIMP GetHostInfo(DOCHOSTUIINFO* info) override {
    CWebBrowserEventHandler* handler = Handler();
    if (!info || !handler) return E_NOTIMPL;
    uint32_t cbSize = info->cbSize, flags = info->dwFlags, doubleClick = info->dwDoubleClick;
    if (!handler->GetHostInfo(cbSize, flags, doubleClick)) return E_NOTIMPL;
    // Only the fields the structure really has are written, whatever size the handler names.
    info->dwFlags = flags;
    info->dwDoubleClick = doubleClick;
    return S_OK;
  }
  STDMETHODIMP ShowUI(DWORD, IOleInPlaceActiveObject*, IOleCommandTarget*, IOleInPlaceFrame*,
                      IOleInPlaceUIWindow*) override {
    return S_OK;
  }
  STDMETHODIMP HideUI() override { return S_OK; }
  STDMETHODIMP UpdateUI() override { return S_OK; }
  STDMETHODIMP OnDocWindowActivate(BOOL) override { return S_OK; }
  STDMETHODIMP OnFrameWindowActivate(BOOL) override { return S_OK; }
  STDMETHODIMP ResizeBorder(LPCRECT, IOleInPlaceUIWindow*, BOOL) override { return S_OK; }
  STDMETHODIMP TranslateAccelerator(LPMSG, const GUID*, DWORD) override { return S_FALSE; }
  STDMETHODIMP GetOptionKeyPath(LPOLESTR* key, DWORD) override {
    if (key) *key = nullptr;
    return E_NOTIMPL;
  }
  STDMETHODIMP GetDropTarget(IDropTarget*, IDropTarget** out) override {
    if (out) *out = nullptr;
    return E_NOTIMPL;
  }
  STDMETHODIMP GetExternal(IDispatch** out) override {
    if (out) *out = nullptr;
    return S_FALSE;
  }
  STDMETHODIMP TranslateUrl(DWORD, LPWSTR, LPWSTR* out) override {
    if (out) *out = nullptr;
    return S_FALSE;
  }
  STDMETHODIMP FilterDataObject(IDataObject*, IDataObject** out) override {
    if (out) *out = nullptr;
    return S_FALSE;
  }

  // IDispatch: DWebBrowserEvents2
  STDMETHODIMP GetTypeInfoCount(UINT* count) override {
    if (count) *count = 0;
    return S_OK;
  }
  STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo** out) override {
    if (out) *out = nullptr;
    return E_NOTIMPL;
  }
  STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
  STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*, EXCEPINFO*,
                      UINT*) override {
    CWebBrowserEventHandler* handler = Handler();
    if (!handler || !params) return S_OK;
    VARIANT* args = params->rgvarg;   // in reverse order
    const UINT n = params->cArgs;
    switch (id) {
      case DISPID_NEWWINDOW3:
        // (ppDisp, Cancel, dwFlags, bstrUrlContext, bstrUrl)
        if (n >= 5 && args[3].vt == (VT_BYREF | VT_BOOL) && args[3].pboolVal) {
          bool cancel = *args[3].pboolVal != VARIANT_FALSE;
          handler->NewWindow3(VariantText(&args[0]), cancel);
          *args[3].pboolVal = cancel ? VARIANT_TRUE : VARIANT_FALSE;
        }
        break;
      case DISPID_BEFORENAVIGATE2:
        // (pDisp, URL, Flags, TargetFrameName, PostData, Headers, Cancel)
        if (n >= 7 && args[0].vt == (VT_BYREF | VT_BOOL) && args[0].pboolVal) {
          bool cancel = *args[0].pboolVal != VARIANT_FALSE;
          handler->BeforeNavigate2(VariantText(&args[5]), cancel);
          *args[0].pboolVal = cancel ? VARIANT_TRUE : VARIANT_FALSE;
        }
        break;
      case DISPID_NAVIGATECOMPLETE2:
        if (n >= 2) handler->NavigateComplete2(VariantText(&args[0]));
        break;
      case DISPID_DOCUMENTCOMPLETE:
        if (n >= 2) handler->DocumentComplete(VariantText(&args[0]));
        break;
      default:
        break;
    }
    return S_OK;
  }

 private:
  virtual ~BrowserSite() = default;
  CWebBrowserEventHandler* Handler() const {
    return m_control ? m_control->GetWebBrowserEventHandler() : nullptr;
  }

  ULONG m_refs = 1;
  HWND m_parent;
  CWebBrowserUI* m_control;
  RECT m_rect{};
};

class SystemBrowserHost : public WebBrowserHost {
 public:
  ~SystemBrowserHost() override {
    if (m_connection && m_cookie) m_connection->Unadvise(m_cookie);
    SafeRelease(m_connection);
    if (m_inPlace) m_inPlace->InPlaceDeactivate();
    SafeRelease(m_inPlace);
    SafeRelease(m_browser);
    if (m_ole) {
      m_ole->Close(OLECLOSE_NOSAVE);
      m_ole->SetClientSite(nullptr);
    }
    SafeRelease(m_ole);
    if (m_site) {
      m_site->Detach();
      m_site->Release();
      m_site = nullptr;
    }
  }

  // Returns an empty string on success, else what failed.
  std::wstring Start(HWND parent, CWebBrowserUI* control) {
    // The browser control can exist without an engine to show pages (MSHTML missing or switched
    // off): then it would stay blank or ask to install one. Without the HTML document object the
    // pane is better left empty from the start.
    CLSID htmlDocument{};
    ::CLSIDFromString(L"{25336920-03F9-11CF-8FD0-00AA00686F13}", &htmlDocument);
    IUnknown* document = nullptr;
    HRESULT hr = ::CoCreateInstance(htmlDocument, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown,
                                    reinterpret_cast<void**>(&document));
    if (FAILED(hr) || !document) return L"HTMLDocument " + HResultText(hr);
    document->Release();
    hr = ::CoCreateInstance(CLSID_WebBrowser, nullptr, CLSCTX_INPROC_SERVER, IID_IOleObject,
                                    reinterpret_cast<void**>(&m_ole));
    if (FAILED(hr) || !m_ole) return L"CoCreateInstance " + HResultText(hr);
    m_site = new BrowserSite(parent, control);
    hr = m_ole->SetClientSite(static_cast<IOleClientSite*>(m_site));
    if (FAILED(hr)) return L"SetClientSite " + HResultText(hr);
    RECT rect{0, 0, 1, 1};
    m_site->SetRect(rect);
    hr = m_ole->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, static_cast<IOleClientSite*>(m_site), 0, parent,
                       &rect);
    if (FAILED(hr)) return L"DoVerb " + HResultText(hr);
    hr = m_ole->QueryInterface(IID_IWebBrowser2, reinterpret_cast<void**>(&m_browser));
    if (FAILED(hr) || !m_browser) return L"IWebBrowser2 " + HResultText(hr);
    m_ole->QueryInterface(IID_IOleInPlaceObject, reinterpret_cast<void**>(&m_inPlace));
    // Script errors of a notice page must not open message boxes over the client.
    m_browser->put_Silent(VARIANT_TRUE);
    IConnectionPointContainer* container = nullptr;
    if (SUCCEEDED(m_browser->QueryInterface(IID_IConnectionPointContainer,
                                            reinterpret_cast<void**>(&container))) && container) {
      if (SUCCEEDED(container->FindConnectionPoint(DIID_DWebBrowserEvents2, &m_connection)) && m_connection) {
        if (FAILED(m_connection->Advise(static_cast<IDispatch*>(m_site), &m_cookie))) m_cookie = 0;
      }
      container->Release();
    }
    return {};
  }

  void Place(const RECT& rect, bool visible) override {
    m_site->SetRect(rect);
    if (m_inPlace) m_inPlace->SetObjectRects(&rect, &rect);
    HWND window = nullptr;
    if (m_inPlace && SUCCEEDED(m_inPlace->GetWindow(&window)) && window) {
      ::ShowWindow(window, visible ? SW_SHOWNA : SW_HIDE);
    }
  }

  bool Navigate(const std::wstring& url) override {
    if (!m_browser) return false;
    BSTR address = ::SysAllocString(url.c_str());
    if (!address) return false;
    VARIANT empty;
    ::VariantInit(&empty);
    const HRESULT hr = m_browser->Navigate(address, &empty, &empty, &empty, &empty);
    ::SysFreeString(address);
    return SUCCEEDED(hr);
  }

 private:
  IOleObject* m_ole = nullptr;
  IOleInPlaceObject* m_inPlace = nullptr;
  IWebBrowser2* m_browser = nullptr;
  IConnectionPoint* m_connection = nullptr;
  DWORD m_cookie = 0;
  BrowserSite* m_site = nullptr;
};

}  // namespace

IUnknown* CreateWebBrowserSite(HWND parent, CWebBrowserUI* control) {
  return static_cast<IOleClientSite*>(new BrowserSite(parent, control));
}

std::unique_ptr<WebBrowserHost> CreateWebBrowserHost(HWND parent, CWebBrowserUI* control) {
  if (!parent || !control) return nullptr;
  auto host = std::make_unique<SystemBrowserHost>();
  const std::wstring failure = host->Start(parent, control);
  if (!failure.empty()) {
    WriteLog(L"网页浏览控件创建失败（" + failure + L"），" + control->GetName() + L" 显示为空白区域");
    return nullptr;
  }
  return host;
}

}  // namespace nimbrook::toolkit
