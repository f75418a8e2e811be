// The seam between the HTTP client's algorithms and the platform's HTTP stack: sessions, connections
// and requests with the operations WinHTTP offers, each reporting success or the platform's error
// code. WinHTTP implements it on Windows, libcurl natively, and a scriptable fake in the tests.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "http/http_variant.h"
#include "http/url_parts.h"

namespace nimbrook {

// Outcome of one transport call: ok, or failed with the platform's error code (which may be 0 when
// the platform gave none).
struct [[nodiscard]] TransportStatus {
  bool ok = true;
  uint32_t error = 0;

  static TransportStatus Ok() { return {}; }
  static TransportStatus Failed(uint32_t error) { return {false, error}; }
};

// Proxy use of a session, as WinHttpOpen takes it.
inline constexpr uint32_t kAccessTypeDefaultProxy = 0;  // the system's default proxy configuration
inline constexpr uint32_t kAccessTypeNoProxy = 1;
inline constexpr uint32_t kAccessTypeNamedProxy = 3;

struct ProxySettings {
  uint32_t accessType = kAccessTypeNoProxy;
  std::optional<std::wstring> proxyList;   // "host:port" or "http=host:port;https=..."
  std::optional<std::wstring> bypassList;  // "<local>;*.example.com"
};

struct SessionOptions {
  std::wstring userAgent;
  ProxySettings proxy;
};

// The browser proxy settings of the current user, as WinHttpGetIEProxyConfigForCurrentUser reports
// them (the auto-detect flag and the configuration script are not used).
struct IeProxyConfig {
  std::optional<std::wstring> proxy;
  std::optional<std::wstring> bypass;
};

class TransportRequest {
 public:
  virtual ~TransportRequest() = default;
  // WinHttpAddRequestHeaders with one "Name: value" header.
  virtual TransportStatus AddHeader(const std::wstring& header) = 0;
  // WinHttpSendRequest with body as the optional data, then WinHttpReceiveResponse: returns once
  // the response's status line and headers have arrived. May be called again after a failure.
  virtual TransportStatus Send(const std::string& body) = 0;
  // The response's status code; 0 when it cannot be read.
  virtual uint32_t StatusCode() = 0;
  // The response's Content-Length; empty when the header is absent or unreadable.
  virtual std::optional<uint64_t> ContentLength() = 0;
  // WinHttpQueryDataAvailable: bytes that can be read now without blocking; 0 at the end of the body.
  virtual TransportStatus QueryDataAvailable(uint32_t& available) = 0;
  // WinHttpReadData: up to size bytes into buffer.
  virtual TransportStatus ReadData(char* buffer, uint32_t size, uint32_t& read) = 0;
};

class TransportConnection {
 public:
  virtual ~TransportConnection() = default;
  // WinHttpOpenRequest with the verb ("GET", "POST") and the request path; secure for https.
  virtual TransportStatus OpenRequest(const std::wstring& verb, const std::wstring& path, bool secure,
                                      std::unique_ptr<TransportRequest>& request) = 0;
};

class TransportSession {
 public:
  virtual ~TransportSession() = default;
  virtual TransportStatus SetTimeouts(const HttpTimeouts& timeouts) = 0;
  // WinHttpConnect: names the server; no network traffic yet.
  virtual TransportStatus Connect(const std::wstring& host, uint16_t port,
                                  std::unique_ptr<TransportConnection>& connection) = 0;
};

class HttpTransport {
 public:
  virtual ~HttpTransport() = default;
  // WinHttpOpen with the agent and the proxy settings.
  virtual TransportStatus OpenSession(const SessionOptions& options, std::unique_ptr<TransportSession>& session) = 0;
  // WinHttpCrackUrl, or the portable cracker where WinHTTP is absent.
  virtual TransportStatus CrackUrl(const std::wstring& url, UrlParts& parts) = 0;
  // WinHttpGetIEProxyConfigForCurrentUser; false when it fails.
  virtual bool ReadIeProxyConfig(IeProxyConfig& config) = 0;
};

// WinHTTP on Windows, libcurl natively. Lives until the process ends; safe to use from any thread
// (each session belongs to one caller).
HttpTransport& SystemHttpTransport();

}  // namespace nimbrook
