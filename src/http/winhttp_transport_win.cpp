// The HTTP transport of the Windows programs: one thin class per WinHTTP handle kind. This is the only
// file that includes <winhttp.h> (it conflicts with <wininet.h>).
#include <windows.h>
#include <winhttp.h>

#include "http/http_exception.h"
#include "http/http_transport.h"

namespace nimbrook {
namespace {

// The thread's last error as a WinHTTP code. Wine reports a receive time-out as WSAETIMEDOUT where
// Windows reports ERROR_WINHTTP_TIMEOUT; both are the same failure to the callers.
uint32_t LastError() {
  const DWORD error = GetLastError();
  return error == kWsaTimedOut ? kWinHttpTimeout : static_cast<uint32_t>(error);
}

TransportStatus Failed() { return TransportStatus::Failed(LastError()); }

// One WinHTTP handle, closed when the object goes away.
class WinHttpHandle {
 public:
  WinHttpHandle() = default;
  virtual ~WinHttpHandle() {
    // A failing close cannot be reported from here; the handle is gone either way.
    if (handle_ != nullptr) WinHttpCloseHandle(handle_);
  }
  WinHttpHandle(const WinHttpHandle&) = delete;
  WinHttpHandle& operator=(const WinHttpHandle&) = delete;

  // Creates the handle.
  virtual TransportStatus Open() = 0;
  HINTERNET Handle() const { return handle_; }

 protected:
  TransportStatus Store(HINTERNET handle) {
    if (handle == nullptr) return Failed();
    handle_ = handle;
    return TransportStatus::Ok();
  }

 private:
  HINTERNET handle_ = nullptr;
};

class WinHttpRequest : public WinHttpHandle, public TransportRequest {
 public:
  WinHttpRequest(HINTERNET connection, std::wstring verb, std::wstring path, bool secure, int receiveTimeout)
      : connection_(connection), verb_(std::move(verb)), path_(std::move(path)), secure_(secure),
        receiveTimeout_(receiveTimeout) {}

  TransportStatus Open() override {
    TransportStatus status =
        Store(WinHttpOpenRequest(connection_, verb_.c_str(), path_.c_str(), nullptr, WINHTTP_NO_REFERER,
                                 WINHTTP_DEFAULT_ACCEPT_TYPES, secure_ ? WINHTTP_FLAG_SECURE : 0));
    if (!status.ok) return status;
    // The session's receive time-out does not bound the wait for the response headers everywhere
    // (Wine); this option does, so a server that accepts and never answers ends in a time-out.
    if (receiveTimeout_ > 0) {
      DWORD timeout = static_cast<DWORD>(receiveTimeout_);
      WinHttpSetOption(Handle(), WINHTTP_OPTION_RECEIVE_RESPONSE_TIMEOUT, &timeout, sizeof timeout);
    }
    return status;
  }

  TransportStatus AddHeader(const std::wstring& header) override {
    if (!WinHttpAddRequestHeaders(Handle(), header.c_str(), static_cast<DWORD>(-1L), WINHTTP_ADDREQ_FLAG_ADD)) {
      return Failed();
    }
    return TransportStatus::Ok();
  }

  TransportStatus Send(const std::string& body) override {
    pendingError_ = 0;
    const DWORD length = static_cast<DWORD>(body.size());
    LPVOID data = body.empty() ? WINHTTP_NO_REQUEST_DATA : const_cast<char*>(body.data());
    if (!WinHttpSendRequest(Handle(), WINHTTP_NO_ADDITIONAL_HEADERS, 0, data, length, length, 0)) return Failed();
    if (!WinHttpReceiveResponse(Handle(), nullptr)) return Failed();
    return TransportStatus::Ok();
  }

  uint32_t StatusCode() override {
    DWORD code = 0;
    DWORD size = sizeof code;
    if (!WinHttpQueryHeaders(Handle(), WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                             WINHTTP_HEADER_NAME_BY_INDEX, &code, &size, WINHTTP_NO_HEADER_INDEX)) {
      return 0;
    }
    return code;
  }

  std::optional<uint64_t> ContentLength() override {
    wchar_t text[32] = {};
    DWORD size = sizeof text;
    if (!WinHttpQueryHeaders(Handle(), WINHTTP_QUERY_CONTENT_LENGTH, WINHTTP_HEADER_NAME_BY_INDEX, text, &size,
                             WINHTTP_NO_HEADER_INDEX)) {
      return std::nullopt;
    }
    const size_t length = size / sizeof(wchar_t);
    uint64_t value = 0;
    size_t digits = 0;
    for (size_t i = 0; i < length; ++i) {
      const wchar_t c = text[i];
      if (c == L' ' && digits == 0) continue;
      if (c < L'0' || c > L'9') break;
      if (value > (UINT64_MAX - 9) / 10) return std::nullopt;
      value = value * 10 + static_cast<uint64_t>(c - L'0');
      ++digits;
    }
    if (digits == 0) return std::nullopt;
    return value;
  }

  TransportStatus QueryDataAvailable(uint32_t& available) override {
    DWORD bytes = 0;
    available = 0;
    if (pendingError_) return TakePendingError();
    if (!WinHttpQueryDataAvailable(Handle(), &bytes)) return Failed();
    available = bytes;
    return TransportStatus::Ok();
  }

  // Fills the buffer as far as the body goes: WinHTTP hands out at most what it has buffered per call,
  // so one call per piece would cost one round trip per few KiB. Stops at the end of the body (a read
  // of 0 bytes). A failure after some bytes were read returns those and is kept for the next call,
  // which reports it at once instead of waiting for a second time-out.
  TransportStatus ReadData(char* buffer, uint32_t size, uint32_t& read) override {
    read = 0;
    if (pendingError_) return TakePendingError();
    while (read < size) {
      DWORD bytes = 0;
      if (!WinHttpReadData(Handle(), buffer + read, size - read, &bytes)) {
        if (read > 0) {
          pendingError_ = LastError();
          if (!pendingError_) pendingError_ = kWinHttpConnectionError;
          break;
        }
        return Failed();
      }
      if (bytes == 0) break;
      read += bytes;
    }
    return TransportStatus::Ok();
  }

 private:
  TransportStatus TakePendingError() {
    const uint32_t error = pendingError_;
    pendingError_ = 0;
    return TransportStatus::Failed(error);
  }

  uint32_t pendingError_ = 0;
  HINTERNET connection_;
  std::wstring verb_;
  std::wstring path_;
  bool secure_;
  int receiveTimeout_;
};

class WinHttpConnection : public WinHttpHandle, public TransportConnection {
 public:
  WinHttpConnection(HINTERNET session, std::wstring host, uint16_t port, int receiveTimeout)
      : session_(session), host_(std::move(host)), port_(port), receiveTimeout_(receiveTimeout) {}

  TransportStatus Open() override { return Store(WinHttpConnect(session_, host_.c_str(), port_, 0)); }

  TransportStatus OpenRequest(const std::wstring& verb, const std::wstring& path, bool secure,
                              std::unique_ptr<TransportRequest>& request) override {
    auto opened = std::make_unique<WinHttpRequest>(Handle(), verb, path, secure, receiveTimeout_);
    const TransportStatus status = opened->Open();
    if (status.ok) request = std::move(opened);
    return status;
  }

 private:
  HINTERNET session_;
  std::wstring host_;
  uint16_t port_;
  int receiveTimeout_;
};

class WinHttpSession : public WinHttpHandle, public TransportSession {
 public:
  explicit WinHttpSession(SessionOptions options) : options_(std::move(options)) {}

  TransportStatus Open() override {
    const ProxySettings& proxy = options_.proxy;
    return Store(WinHttpOpen(options_.userAgent.c_str(), proxy.accessType,
                             proxy.proxyList ? proxy.proxyList->c_str() : WINHTTP_NO_PROXY_NAME,
                             proxy.bypassList ? proxy.bypassList->c_str() : WINHTTP_NO_PROXY_BYPASS, 0));
  }

  TransportStatus SetTimeouts(const HttpTimeouts& timeouts) override {
    if (!WinHttpSetTimeouts(Handle(), timeouts.resolve, timeouts.connect, timeouts.send, timeouts.receive)) {
      return Failed();
    }
    receiveTimeout_ = timeouts.receive;
    return TransportStatus::Ok();
  }

  TransportStatus Connect(const std::wstring& host, uint16_t port,
                          std::unique_ptr<TransportConnection>& connection) override {
    auto opened = std::make_unique<WinHttpConnection>(Handle(), host, port, receiveTimeout_);
    const TransportStatus status = opened->Open();
    if (status.ok) connection = std::move(opened);
    return status;
  }

 private:
  SessionOptions options_;
  int receiveTimeout_ = 0;
};

std::optional<std::wstring> TakeGlobalText(LPWSTR text) {
  if (text == nullptr) return std::nullopt;
  std::wstring copy(text);
  GlobalFree(text);
  return copy;
}

class WinHttpTransport final : public HttpTransport {
 public:
  TransportStatus OpenSession(const SessionOptions& options, std::unique_ptr<TransportSession>& session) override {
    auto opened = std::make_unique<WinHttpSession>(options);
    const TransportStatus status = opened->Open();
    if (status.ok) session = std::move(opened);
    return status;
  }

  TransportStatus CrackUrl(const std::wstring& url, UrlParts& parts) override {
    wchar_t host[kUrlHostCapacity] = {};
    wchar_t path[kUrlPathCapacity] = {};
    URL_COMPONENTS components = {};
    components.dwStructSize = sizeof components;
    components.lpszHostName = host;
    components.dwHostNameLength = kUrlHostCapacity;
    components.lpszUrlPath = path;
    components.dwUrlPathLength = kUrlPathCapacity;
    if (!WinHttpCrackUrl(url.c_str(), static_cast<DWORD>(url.size()), 0, &components)) return Failed();
    parts.host.assign(host, components.dwHostNameLength);
    parts.path.assign(path, components.dwUrlPathLength);
    parts.port = components.nPort;
    parts.secure = components.nScheme == INTERNET_SCHEME_HTTPS;
    return TransportStatus::Ok();
  }

  bool ReadIeProxyConfig(IeProxyConfig& config) override {
    WINHTTP_CURRENT_USER_IE_PROXY_CONFIG raw = {};
    if (!WinHttpGetIEProxyConfigForCurrentUser(&raw)) return false;
    config.proxy = TakeGlobalText(raw.lpszProxy);
    config.bypass = TakeGlobalText(raw.lpszProxyBypass);
    TakeGlobalText(raw.lpszAutoConfigUrl);
    return true;
  }
};

}  // namespace

HttpTransport& SystemHttpTransport() {
  static WinHttpTransport transport;
  return transport;
}

}  // namespace nimbrook
