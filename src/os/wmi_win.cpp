// WMI over COM. Everything COM of the identity queries lives in this file: the apartment, the
// locator and service proxies, the query enumerator, BSTRs and VARIANTs, each in its own owner type.
#include <windows.h>
#include <oleauto.h>
#include <wbemcli.h>

#include <utility>

#include "os/wmi.h"

namespace nimbrook::os {
namespace {

// Joins the thread to the multithreaded apartment for the owner's lifetime. A thread that already
// lives in another apartment keeps it (RPC_E_CHANGED_MODE): COM works there too, and that
// apartment is not ours to leave.
class ComApartment {
 public:
  ComApartment() : result_(CoInitializeEx(nullptr, COINIT_MULTITHREADED)) {}
  ~ComApartment() {
    if (SUCCEEDED(result_)) CoUninitialize();
  }
  ComApartment(const ComApartment&) = delete;
  ComApartment& operator=(const ComApartment&) = delete;

  bool usable() const { return SUCCEEDED(result_) || result_ == RPC_E_CHANGED_MODE; }
  HRESULT result() const { return result_; }

 private:
  HRESULT result_;
};

template <typename T>
class ComPtr {
 public:
  ComPtr() = default;
  ~ComPtr() { Reset(); }
  ComPtr(ComPtr&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
  ComPtr& operator=(ComPtr&& other) noexcept {
    if (this != &other) {
      Reset();
      p_ = std::exchange(other.p_, nullptr);
    }
    return *this;
  }
  ComPtr(const ComPtr&) = delete;
  ComPtr& operator=(const ComPtr&) = delete;

  T* get() const { return p_; }
  T* operator->() const { return p_; }
  explicit operator bool() const { return p_ != nullptr; }
  // For out-parameters: releases what is held and hands out the slot.
  T** Receive() {
    Reset();
    return &p_;
  }
  void Reset() {
    if (p_) std::exchange(p_, nullptr)->Release();
  }

 private:
  T* p_ = nullptr;
};

class Bstr {
 public:
  explicit Bstr(const std::wstring& text) : b_(SysAllocStringLen(text.data(), static_cast<UINT>(text.size()))) {}
  ~Bstr() { SysFreeString(b_); }
  Bstr(const Bstr&) = delete;
  Bstr& operator=(const Bstr&) = delete;
  BSTR get() const { return b_; }
  explicit operator bool() const { return b_ != nullptr; }

 private:
  BSTR b_;
};

class Variant {
 public:
  Variant() { VariantInit(&v_); }
  ~Variant() { VariantClear(&v_); }
  Variant(const Variant&) = delete;
  Variant& operator=(const Variant&) = delete;
  VARIANT* get() { return &v_; }

  // The value as text: strings as they are, null and empty as "", anything else through COM's own
  // conversion to a string (empty when it has none).
  std::wstring Text() {
    if (v_.vt == VT_BSTR) return v_.bstrVal ? std::wstring(v_.bstrVal, SysStringLen(v_.bstrVal)) : std::wstring();
    if (v_.vt == VT_NULL || v_.vt == VT_EMPTY) return {};
    Variant converted;
    if (FAILED(VariantChangeType(converted.get(), &v_, 0, VT_BSTR)) || converted.v_.vt != VT_BSTR) return {};
    return converted.Text();
  }

 private:
  VARIANT v_;
};

class ComWmi final : public Wmi {
 public:
  ComWmi() {
    if (!apartment_.usable()) {
      status_ = apartment_.result();
      return;
    }
    ComPtr<IWbemLocator> locator;
    HRESULT hr = CoCreateInstance(CLSID_WbemLocator, nullptr, CLSCTX_INPROC_SERVER, IID_IWbemLocator,
                                  reinterpret_cast<void**>(locator.Receive()));
    if (FAILED(hr)) {
      status_ = hr;
      return;
    }
    Bstr space(L"ROOT\\CIMV2");
    if (!space) {
      status_ = E_OUTOFMEMORY;
      return;
    }
    hr = locator->ConnectServer(space.get(), nullptr, nullptr, nullptr, 0, nullptr, nullptr, services_.Receive());
    if (FAILED(hr)) {
      status_ = hr;
      return;
    }
    // The process-wide COM security is the UI's business; the proxy gets the impersonation level the
    // WMI providers ask for instead.
    hr = SetBlanket(services_.get());
    if (FAILED(hr)) {
      services_.Reset();
      status_ = hr;
    }
  }

  ~ComWmi() override { services_.Reset(); }  // before the apartment is left

  WmiQueryResult Select(const std::wstring& wmiClass, const std::wstring& property,
                        const std::wstring& condition) override {
    WmiQueryResult result;
    if (!services_) {
      result.status = status_;
      return result;
    }
    Bstr language(L"WQL");
    Bstr query(WqlSelect(wmiClass, property, condition));
    if (!language || !query) {
      result.status = E_OUTOFMEMORY;
      return result;
    }
    ComPtr<IEnumWbemClassObject> rows;
    HRESULT hr = services_->ExecQuery(language.get(), query.get(),
                                      WBEM_FLAG_FORWARD_ONLY | WBEM_FLAG_RETURN_IMMEDIATELY, nullptr, rows.Receive());
    if (FAILED(hr)) {
      result.status = hr;
      return result;
    }
    // An out-of-process enumerator is a proxy of its own; in-process ones have no blanket to set.
    (void)SetBlanket(rows.get());
    for (;;) {
      ComPtr<IWbemClassObject> row;
      ULONG returned = 0;
      hr = rows->Next(static_cast<long>(WBEM_INFINITE), 1, row.Receive(), &returned);
      if (FAILED(hr)) {
        result.values.clear();
        result.status = hr;
        return result;
      }
      if (returned == 0 || !row) break;
      Variant value;
      hr = row->Get(property.c_str(), 0, value.get(), nullptr, nullptr);
      if (FAILED(hr)) {  // a property the class does not have
        result.values.clear();
        result.status = hr;
        return result;
      }
      result.values.push_back(value.Text());
    }
    result.ok = true;
    return result;
  }

 private:
  static HRESULT SetBlanket(IUnknown* proxy) {
    return CoSetProxyBlanket(proxy, RPC_C_AUTHN_WINNT, RPC_C_AUTHZ_NONE, nullptr, RPC_C_AUTHN_LEVEL_CALL,
                             RPC_C_IMP_LEVEL_IMPERSONATE, nullptr, EOAC_NONE);
  }

  ComApartment apartment_;  // first in, last out
  ComPtr<IWbemServices> services_;
  HRESULT status_ = E_FAIL;
};

}  // namespace

std::unique_ptr<Wmi> OpenSystemWmi() { return std::make_unique<ComWmi>(); }

}  // namespace nimbrook::os
