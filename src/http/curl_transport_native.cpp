// The HTTP transport of the native builds, on libcurl's multi interface. A request is driven only
// while its caller waits in Send, QueryDataAvailable or ReadData, so the body streams through a small
// buffer instead of being held in memory; curl's failures are reported with the numbers WinHTTP uses
// for the same situations, so results agree across platforms.
#include <curl/curl.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

#include "core/text.h"
#include "http/http_exception.h"
#include "http/http_transport.h"

namespace nimbrook {
namespace {

using SteadyClock = std::chrono::steady_clock;

// Received bytes held for the reader at most; beyond it the transfer pauses until the reader drains.
constexpr size_t kMaxBufferedBytes = 4u << 20;
constexpr int kPollMilliseconds = 100;

void GlobalInit() {
  static std::once_flag once;
  std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

uint32_t MapCurlError(CURLcode code) {
  switch (code) {
    case CURLE_OPERATION_TIMEDOUT: return kWinHttpTimeout;
    case CURLE_COULDNT_CONNECT: return kWinHttpCannotConnect;
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_RESOLVE_PROXY: return kWinHttpNameNotResolved;
    case CURLE_OUT_OF_MEMORY: return kErrorNotEnoughMemory;
    default: return kWinHttpConnectionError;
  }
}

std::vector<std::string> SplitList(const std::string& text, const char* separators) {
  std::vector<std::string> items;
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = text.find_first_of(separators, start);
    if (end == std::string::npos) end = text.size();
    if (end > start) items.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return items;
}

// The proxy of a WinHTTP proxy list ("host:port", or "http=host:port;https=host:port") for a scheme.
std::string ProxyFor(const std::wstring& list, bool secure) {
  const std::string wanted = secure ? "https=" : "http=";
  std::string untyped;
  for (const auto& item : SplitList(text::ToUtf8(list), "; \t")) {
    if (item.compare(0, wanted.size(), wanted) == 0) return item.substr(wanted.size());
    if (item.find('=') == std::string::npos && untyped.empty()) untyped = item;
  }
  return untyped;
}

// A WinHTTP bypass list ("<local>;*.example.com") as curl's no-proxy list ("localhost,example.com").
std::string NoProxyFor(const std::wstring& list) {
  std::string result;
  for (auto item : SplitList(text::ToUtf8(list), "; \t,")) {
    if (item == "<local>") item = "localhost,127.0.0.1,::1";
    if (item.compare(0, 2, "*.") == 0) item.erase(0, 2);
    if (item.find('*') != std::string::npos) continue;
    if (!result.empty()) result += ',';
    result += item;
  }
  return result;
}

// The request path as a URL curl accepts: bytes that may not stand in a URL are percent-encoded.
std::string EncodePath(const std::wstring& path) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : text::ToUtf8(path)) {
    if (c <= 0x20 || c >= 0x7F || std::strchr("\"<>\\^`{|}", c) != nullptr) {
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 15];
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}

class CurlSession;

class CurlRequest final : public TransportRequest {
 public:
  CurlRequest(CurlSession& session, CURL* easy, std::string url, std::string verb, bool secure);
  ~CurlRequest() override;

  TransportStatus AddHeader(const std::wstring& header) override;
  TransportStatus Send(const std::string& body) override;
  uint32_t StatusCode() override;
  std::optional<uint64_t> ContentLength() override;
  TransportStatus QueryDataAvailable(uint32_t& available) override;
  TransportStatus ReadData(char* buffer, uint32_t size, uint32_t& read) override;

 private:
  enum class Until { kHeaders, kData };

  static size_t OnWrite(char* data, size_t size, size_t count, void* self);
  static size_t OnHeader(char* data, size_t size, size_t count, void* self);
  static int OnProgress(void* self, curl_off_t, curl_off_t dlnow, curl_off_t, curl_off_t ulnow);

  size_t Unread() const { return buffer_.size() - readPos_; }
  void Detach();
  void Finish(CURLcode result);
  bool TimedOut(SteadyClock::time_point waitStart);
  // Runs the transfer until the condition holds, the transfer ends, or a time-out ends it.
  void Drive(Until until);
  TransportStatus EndStatus() const;

  CurlSession& session_;
  CURL* easy_;
  std::string url_;
  std::string verb_;
  bool secure_;
  std::string body_;
  curl_slist* headers_ = nullptr;
  std::vector<std::string> extraHeaders_;

  bool attached_ = false;
  bool headersDone_ = false;
  bool sawLocation_ = false;
  bool done_ = false;
  bool paused_ = false;
  bool requestSent_ = false;
  CURLcode result_ = CURLE_OK;
  std::string buffer_;
  size_t readPos_ = 0;
  curl_off_t lastDown_ = 0;
  curl_off_t lastUp_ = 0;
  SteadyClock::time_point sendStart_;
  SteadyClock::time_point lastActivity_;
};

class CurlConnection final : public TransportConnection {
 public:
  CurlConnection(CurlSession& session, std::wstring host, uint16_t port)
      : session_(session), host_(std::move(host)), port_(port) {}
  TransportStatus OpenRequest(const std::wstring& verb, const std::wstring& path, bool secure,
                              std::unique_ptr<TransportRequest>& request) override;

 private:
  CurlSession& session_;
  std::wstring host_;
  uint16_t port_;
};

class CurlSession final : public TransportSession {
 public:
  CurlSession(CURLM* multi, SessionOptions options) : multi_(multi), options_(std::move(options)) {}
  ~CurlSession() override { curl_multi_cleanup(multi_); }

  TransportStatus SetTimeouts(const HttpTimeouts& timeouts) override {
    timeouts_ = timeouts;
    return TransportStatus::Ok();
  }
  TransportStatus Connect(const std::wstring& host, uint16_t port,
                          std::unique_ptr<TransportConnection>& connection) override {
    if (host.empty()) return TransportStatus::Failed(kWinHttpInvalidUrl);
    connection = std::make_unique<CurlConnection>(*this, host, port);
    return TransportStatus::Ok();
  }

  CURLM* Multi() const { return multi_; }
  const SessionOptions& Options() const { return options_; }
  const HttpTimeouts& Timeouts() const { return timeouts_; }

 private:
  CURLM* multi_;
  SessionOptions options_;
  HttpTimeouts timeouts_;
};

TransportStatus CurlConnection::OpenRequest(const std::wstring& verb, const std::wstring& path, bool secure,
                                            std::unique_ptr<TransportRequest>& request) {
  CURL* easy = curl_easy_init();
  if (easy == nullptr) return TransportStatus::Failed(kErrorNotEnoughMemory);
  std::string host = text::ToUtf8(host_);
  if (host.find(':') != std::string::npos) host = "[" + host + "]";
  std::string url = std::string(secure ? "https://" : "http://") + host + ":" + std::to_string(port_) +
                    (path.empty() || path[0] != L'/' ? "/" : "") + EncodePath(path);
  request = std::make_unique<CurlRequest>(session_, easy, std::move(url), text::ToUtf8(verb), secure);
  return TransportStatus::Ok();
}

CurlRequest::CurlRequest(CurlSession& session, CURL* easy, std::string url, std::string verb, bool secure)
    : session_(session), easy_(easy), url_(std::move(url)), verb_(std::move(verb)), secure_(secure) {}

CurlRequest::~CurlRequest() {
  Detach();
  curl_easy_cleanup(easy_);
  curl_slist_free_all(headers_);
}

void CurlRequest::Detach() {
  if (attached_) curl_multi_remove_handle(session_.Multi(), easy_);
  attached_ = false;
}

void CurlRequest::Finish(CURLcode result) {
  done_ = true;
  result_ = result;
  Detach();
}

TransportStatus CurlRequest::AddHeader(const std::wstring& header) {
  if (header.empty() || header.find(L':') == std::wstring::npos) return TransportStatus::Failed(87);
  extraHeaders_.push_back(text::ToUtf8(header));
  return TransportStatus::Ok();
}

size_t CurlRequest::OnWrite(char* data, size_t size, size_t count, void* self) {
  auto* request = static_cast<CurlRequest*>(self);
  const size_t bytes = size * count;
  if (request->Unread() > 0 && request->Unread() + bytes > kMaxBufferedBytes) {
    request->paused_ = true;
    return CURL_WRITEFUNC_PAUSE;
  }
  if (request->readPos_ > 0 && request->readPos_ == request->buffer_.size()) {
    request->buffer_.clear();
    request->readPos_ = 0;
  }
  request->buffer_.append(data, bytes);
  request->lastActivity_ = SteadyClock::now();
  return bytes;
}

size_t CurlRequest::OnHeader(char* data, size_t size, size_t count, void* self) {
  auto* request = static_cast<CurlRequest*>(self);
  const size_t bytes = size * count;
  request->lastActivity_ = SteadyClock::now();
  const std::string line(data, bytes);
  if (line.compare(0, 5, "HTTP/") == 0) {
    request->sawLocation_ = false;
  } else if (line.size() > 9 && curl_strnequal(line.c_str(), "location:", 9)) {
    request->sawLocation_ = true;
  } else if (line == "\r\n" || line == "\n") {
    long code = 0;
    curl_easy_getinfo(request->easy_, CURLINFO_RESPONSE_CODE, &code);
    const bool interim = code < 200;
    const bool followed = request->sawLocation_ &&
                          (code == 301 || code == 302 || code == 303 || code == 307 || code == 308);
    if (!interim && !followed) request->headersDone_ = true;
  }
  return bytes;
}

int CurlRequest::OnProgress(void* self, curl_off_t, curl_off_t dlnow, curl_off_t, curl_off_t ulnow) {
  auto* request = static_cast<CurlRequest*>(self);
  if (dlnow != request->lastDown_ || ulnow != request->lastUp_) {
    request->lastDown_ = dlnow;
    request->lastUp_ = ulnow;
    request->lastActivity_ = SteadyClock::now();
  }
  return 0;
}

TransportStatus CurlRequest::Send(const std::string& body) {
  Detach();
  headersDone_ = sawLocation_ = done_ = paused_ = requestSent_ = false;
  result_ = CURLE_OK;
  buffer_.clear();
  readPos_ = 0;
  lastDown_ = lastUp_ = 0;
  body_ = body;

  const SessionOptions& options = session_.Options();
  const HttpTimeouts& timeouts = session_.Timeouts();
  curl_easy_reset(easy_);
  curl_easy_setopt(easy_, CURLOPT_URL, url_.c_str());
  curl_easy_setopt(easy_, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(easy_, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1));
  const std::string agent = text::ToUtf8(options.userAgent);
  curl_easy_setopt(easy_, CURLOPT_USERAGENT, agent.c_str());
  curl_easy_setopt(easy_, CURLOPT_FOLLOWLOCATION, 1L);
  curl_easy_setopt(easy_, CURLOPT_MAXREDIRS, 10L);
  if (timeouts.connect > 0) curl_easy_setopt(easy_, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(timeouts.connect));

  // Proxy: a named one from the session's lists; otherwise none (the environment is not consulted).
  std::string proxy;
  std::string noProxy;
  if (options.proxy.accessType == kAccessTypeNamedProxy && options.proxy.proxyList) {
    proxy = ProxyFor(*options.proxy.proxyList, secure_);
    if (options.proxy.bypassList) noProxy = NoProxyFor(*options.proxy.bypassList);
  }
  curl_easy_setopt(easy_, CURLOPT_PROXY, proxy.c_str());
  if (!noProxy.empty()) curl_easy_setopt(easy_, CURLOPT_NOPROXY, noProxy.c_str());

  curl_slist_free_all(headers_);
  headers_ = nullptr;
  for (const auto& header : extraHeaders_) headers_ = curl_slist_append(headers_, header.c_str());
  headers_ = curl_slist_append(headers_, "Expect:");  // no "100-continue" round trip
  curl_easy_setopt(easy_, CURLOPT_HTTPHEADER, headers_);

  if (verb_ == "GET") {
    curl_easy_setopt(easy_, CURLOPT_HTTPGET, 1L);
  } else {
    if (verb_ != "POST") curl_easy_setopt(easy_, CURLOPT_CUSTOMREQUEST, verb_.c_str());
    curl_easy_setopt(easy_, CURLOPT_POST, 1L);
    curl_easy_setopt(easy_, CURLOPT_POSTFIELDS, body_.data());
    curl_easy_setopt(easy_, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(body_.size()));
  }
  curl_easy_setopt(easy_, CURLOPT_WRITEFUNCTION, &CurlRequest::OnWrite);
  curl_easy_setopt(easy_, CURLOPT_WRITEDATA, this);
  curl_easy_setopt(easy_, CURLOPT_HEADERFUNCTION, &CurlRequest::OnHeader);
  curl_easy_setopt(easy_, CURLOPT_HEADERDATA, this);
  curl_easy_setopt(easy_, CURLOPT_XFERINFOFUNCTION, &CurlRequest::OnProgress);
  curl_easy_setopt(easy_, CURLOPT_XFERINFODATA, this);
  curl_easy_setopt(easy_, CURLOPT_NOPROGRESS, 0L);

  if (curl_multi_add_handle(session_.Multi(), easy_) != CURLM_OK) return TransportStatus::Failed(kWinHttpConnectionError);
  attached_ = true;
  sendStart_ = lastActivity_ = SteadyClock::now();
  Drive(Until::kHeaders);
  if (!headersDone_ && done_ && result_ != CURLE_OK) return TransportStatus::Failed(MapCurlError(result_));
  if (!headersDone_ && !done_) return TransportStatus::Failed(kWinHttpConnectionError);
  return TransportStatus::Ok();
}

bool CurlRequest::TimedOut(SteadyClock::time_point waitStart) {
  const HttpTimeouts& timeouts = session_.Timeouts();
  const auto now = SteadyClock::now();
  if (!requestSent_) {
    long requestSize = 0;
    if (curl_easy_getinfo(easy_, CURLINFO_REQUEST_SIZE, &requestSize) == CURLE_OK && requestSize > 0) {
      requestSent_ = true;
      lastActivity_ = now;
    }
  }
  if (!requestSent_) {
    // Resolving and connecting are bounded by curl's connect time-out; this only backs it up.
    const long limit = static_cast<long>(timeouts.resolve) + timeouts.connect + timeouts.send;
    return limit > 0 && now - sendStart_ > std::chrono::milliseconds(limit);
  }
  // Like WinHTTP's receive time-out: the longest wait for the next bytes within one call.
  const int limit = timeouts.receive;
  const auto idleSince = std::max(lastActivity_, waitStart);
  return limit > 0 && now - idleSince > std::chrono::milliseconds(limit);
}

void CurlRequest::Drive(Until until) {
  const auto waitStart = SteadyClock::now();
  if (paused_ && Unread() == 0) {
    paused_ = false;
    curl_easy_pause(easy_, CURLPAUSE_CONT);
  }
  while (attached_) {
    int running = 0;
    if (curl_multi_perform(session_.Multi(), &running) != CURLM_OK) {
      Finish(CURLE_RECV_ERROR);
      break;
    }
    int left = 0;
    while (CURLMsg* message = curl_multi_info_read(session_.Multi(), &left)) {
      if (message->msg == CURLMSG_DONE && message->easy_handle == easy_) {
        Finish(message->data.result);
        break;
      }
    }
    if (!attached_) break;
    if (until == Until::kHeaders && headersDone_) break;
    if (until == Until::kData && (Unread() > 0 || paused_)) break;
    if (TimedOut(waitStart)) {
      Finish(CURLE_OPERATION_TIMEDOUT);
      break;
    }
    curl_multi_poll(session_.Multi(), nullptr, 0, kPollMilliseconds, nullptr);
  }
}

TransportStatus CurlRequest::EndStatus() const {
  return result_ == CURLE_OK ? TransportStatus::Ok() : TransportStatus::Failed(MapCurlError(result_));
}

uint32_t CurlRequest::StatusCode() {
  long code = 0;
  if (curl_easy_getinfo(easy_, CURLINFO_RESPONSE_CODE, &code) != CURLE_OK || code < 0) return 0;
  return static_cast<uint32_t>(code);
}

std::optional<uint64_t> CurlRequest::ContentLength() {
  curl_off_t length = -1;
  if (curl_easy_getinfo(easy_, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length) != CURLE_OK || length < 0) {
    return std::nullopt;
  }
  return static_cast<uint64_t>(length);
}

TransportStatus CurlRequest::QueryDataAvailable(uint32_t& available) {
  available = 0;
  if (Unread() == 0 && !done_) Drive(Until::kData);
  if (Unread() > 0) {
    available = static_cast<uint32_t>(std::min<size_t>(Unread(), UINT32_MAX));
    return TransportStatus::Ok();
  }
  return EndStatus();
}

TransportStatus CurlRequest::ReadData(char* buffer, uint32_t size, uint32_t& read) {
  read = 0;
  if (Unread() == 0 && !done_) Drive(Until::kData);
  if (Unread() == 0) return EndStatus();
  const size_t count = std::min<size_t>(size, Unread());
  std::memcpy(buffer, buffer_.data() + readPos_, count);
  readPos_ += count;
  read = static_cast<uint32_t>(count);
  return TransportStatus::Ok();
}

class CurlTransport final : public HttpTransport {
 public:
  TransportStatus OpenSession(const SessionOptions& options, std::unique_ptr<TransportSession>& session) override {
    GlobalInit();
    CURLM* multi = curl_multi_init();
    if (multi == nullptr) return TransportStatus::Failed(kErrorNotEnoughMemory);
    session = std::make_unique<CurlSession>(multi, options);
    return TransportStatus::Ok();
  }

  TransportStatus CrackUrl(const std::wstring& url, UrlParts& parts) override {
    const uint32_t error = CrackUrlPortable(url, parts);
    return error == 0 ? TransportStatus::Ok() : TransportStatus::Failed(error);
  }

  // There are no browser proxy settings here: the query succeeds and names no proxy.
  bool ReadIeProxyConfig(IeProxyConfig& config) override {
    config = IeProxyConfig{};
    return true;
  }
};

}  // namespace

HttpTransport& SystemHttpTransport() {
  static CurlTransport transport;
  return transport;
}

}  // namespace nimbrook
