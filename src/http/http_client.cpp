#include "http/http_client.h"

#include <atomic>
#include <ctime>
#include <stdexcept>

#include "core/log.h"
#include "core/text.h"
#include "http/file_download_request.h"
#include "http/http_body.h"
#include "http/http_exception.h"

namespace nimbrook {
namespace {

// A form answer larger than this is not a service answer; the exchange fails instead of exhausting
// memory.
constexpr size_t kMaxFormAnswerBytes = 64u << 20;

int64_t SecondsNow() { return static_cast<int64_t>(std::time(nullptr)); }

}  // namespace

HttpClient::HttpClient(HttpVariant variant, HttpTransport& transport, InternetSettingsSource& internetSettings,
                       Clock clock)
    : variant_(variant),
      transport_(transport),
      internetSettings_(internetSettings),
      clock_(clock ? std::move(clock) : Clock(SecondsNow)) {}

int HttpClient::Result(int32_t /*kind*/, uint32_t systemError) const {
  // A failure must never read as completion, even when the platform gave no error code.
  if (systemError == 0) return -2;
  return static_cast<int>(systemError);
}

void HttpClient::Log(const std::wstring& text) const {
  if (variant_.logging) WriteLog(text);
}

ProxySettings HttpClient::DiscoverProxy() {
  if (variant_.proxySource == ProxySource::kInternetSettings) return UpdaterProxySettings(internetSettings_.Read());
  IeProxyConfig config;
  const bool read = transport_.ReadIeProxyConfig(config);
  return ClientProxySettings(read, config);
}

TransportSession* HttpClient::EnsureSession(SessionSlot& slot, const wchar_t* agent) {
  if (!slot.Empty()) return slot.Get();
  SessionOptions options;
  options.userAgent = agent;
  options.proxy = DiscoverProxy();
  std::unique_ptr<TransportSession> session;
  TransportStatus status = transport_.OpenSession(options, session);
  if (!status.ok) {
    Log(L"初始化winhttp出错");
    throw CHttpException(kHttpOpenError, status.error);
  }
  if (!session) return nullptr;
  status = session->SetTimeouts(variant_.timeouts);
  if (!status.ok) {
    // The session is dropped, so the next operation on this slot starts afresh.
    Log(L"设置winhttp超时出错");
    throw CHttpException(kHttpSetTimeoutError, status.error);
  }
  slot.Reset(std::move(session));
  return slot.Get();
}

UrlParts HttpClient::Crack(const std::wstring& url, HttpOperation operation) {
  UrlParts parts;
  const TransportStatus status = transport_.CrackUrl(PrepareUrl(url, variant_, operation, clock_()), parts);
  if (!status.ok) throw CHttpException(kHttpCrackUrlError, status.error);
  return parts;
}

std::unique_ptr<TransportConnection> HttpClient::Connect(TransportSession& session, const UrlParts& parts) {
  std::unique_ptr<TransportConnection> connection;
  const TransportStatus status = session.Connect(parts.host, parts.port, connection);
  if (!status.ok) {
    Log(L"winhttp connect失败");
    throw CHttpException(kHttpConnectError, status.error);
  }
  return connection;
}

std::unique_ptr<TransportRequest> HttpClient::OpenRequest(TransportConnection& connection, const wchar_t* verb,
                                                          const UrlParts& parts) {
  std::unique_ptr<TransportRequest> request;
  const TransportStatus status = connection.OpenRequest(verb, RequestPathOf(parts), parts.secure, request);
  if (!status.ok) {
    Log(L"创建http请求句柄失败");
    throw CHttpException(kHttpOpenRequestError, status.error);
  }
  return request;
}

void HttpClient::Send(TransportRequest& request, const std::string& body) {
  TransportStatus status;
  const int attempts = variant_.sendAttempts < 1 ? 1 : variant_.sendAttempts;
  for (int attempt = 0; attempt < attempts; ++attempt) {
    status = request.Send(body);
    if (status.ok) return;
  }
  Log(L"发送http请求失败");
  throw CHttpException(kHttpSendRequestError, status.error);
}

int HttpClient::PostForm(std::wstring& response, SessionSlot& slot, const std::wstring& url, const std::string& body) {
  if (!variant_.hasPostForm) return -1;
  try {
    TransportSession* session = EnsureSession(slot, kPostFormAgent);
    if (session == nullptr) {
      Log(L"建立会话出错");
      return -1;
    }
    const UrlParts parts = Crack(url, HttpOperation::kPostForm);
    std::unique_ptr<TransportConnection> connection = Connect(*session, parts);
    if (!connection) {
      Log(L"获取连接句柄失败");
      return -1;
    }
    std::unique_ptr<TransportRequest> request = OpenRequest(*connection, L"POST", parts);
    if (!request) {
      Log(L"发送post请求失败");
      return -1;
    }
    const TransportStatus header = request->AddHeader(L"Content-Type: application/x-www-form-urlencoded");
    if (!header.ok) {
      Log(L"添加http请求头失败");
      throw CHttpException(kHttpAddHeaderError, header.error);
    }
    Send(*request, body);

    const uint32_t statusCode = request->StatusCode();
    if (statusCode != 200) {
      Log(L"http返回代码：" + std::to_wstring(static_cast<int32_t>(statusCode)));
      return 0;
    }
    std::string answer;
    std::string chunk;
    while (ReadNextChunk(*request, chunk)) {
      if (answer.size() + chunk.size() > kMaxFormAnswerBytes) throw std::length_error("form answer too large");
      answer += chunk;
    }
    response = text::FromUtf8(answer);
    return 0;
  } catch (const CHttpException& e) {
    Log(e.Message());
    return Result(e.Kind(), e.SystemError());
  } catch (...) {
    return -2;
  }
}

int HttpClient::DownloadToFile(SessionSlot& slot, const std::wstring& url, const std::wstring& path) {
  try {
    TransportSession* session = EnsureSession(slot, kDownloadAgent);
    if (session == nullptr) return -1;
    const UrlParts parts = Crack(url, HttpOperation::kDownload);
    std::unique_ptr<TransportConnection> connection = Connect(*session, parts);
    if (!connection) return -1;
    std::unique_ptr<TransportRequest> request = OpenRequest(*connection, L"GET", parts);
    if (!request) return -1;
    Send(*request, std::string());

    const uint32_t statusCode = request->StatusCode();
    if (statusCode != 200) {
      // An unreadable status is a failed exchange, not a completed one.
      return statusCode == 0 ? -2 : static_cast<int>(statusCode);
    }
    FileDownloadRequest download(*request, path);
    return download.WriteBody(request->ContentLength(), variant_.downloadEnd);
  } catch (const CHttpException& e) {
    return Result(e.Kind(), e.SystemError());
  } catch (...) {
    return -2;
  }
}

bool HttpClient::DownloadWithRetry(const std::wstring& url, const std::wstring& path) {
  if (!variant_.hasDownloadWithRetry) return false;
  for (int attempt = 0; attempt < 2; ++attempt) {
    SessionSlot slot;
    const int result = DownloadToFile(slot, url, path);
    ReleaseSession(slot);
    if (result == 0) return true;
  }
  return false;
}

void HttpClient::ReleaseSession(SessionSlot& slot) { slot.Reset(); }

namespace {

std::atomic<HttpClient*>& ProcessClientOverride() {
  static std::atomic<HttpClient*> client{nullptr};
  return client;
}

}  // namespace

HttpClient& ProcessHttpClient() {
  if (HttpClient* client = ProcessClientOverride().load()) return *client;
  static HttpClient client(HttpVariant::Client());
  return client;
}

void SetProcessHttpClient(HttpClient* client) { ProcessClientOverride().store(client); }

int PostForm(std::wstring& response, SessionSlot& slot, const std::wstring& url, const std::string& body) {
  return ProcessHttpClient().PostForm(response, slot, url, body);
}

int DownloadToFile(SessionSlot& slot, const std::wstring& url, const std::wstring& path) {
  return ProcessHttpClient().DownloadToFile(slot, url, path);
}

bool DownloadWithRetry(const std::wstring& url, const std::wstring& path) {
  return ProcessHttpClient().DownloadWithRetry(url, path);
}

void ReleaseSession(SessionSlot& slot) { ProcessHttpClient().ReleaseSession(slot); }

}  // namespace nimbrook
