// The synchronous HTTP client of both programs: form POSTs to the service, downloads to files, and
// the client program's download retry. Each operation runs on the caller's session slot and returns
// an integer result; no exception leaves it.
//
// Results of PostForm and DownloadToFile:
//   0             completed (DownloadToFile: status 200 and the whole body on disk; PostForm: an
//                 answer arrived, its text stored only for status 200)
//   HTTP status   DownloadToFile only: the server answered with that status; no file is touched
//   -1            session, connection or request could not be set up, or the destination file
//                 could not be opened, written or closed
//   other         the platform error code of the failed step (12002 time-out, 12029 refused, 12030
//                 connection cut or body shorter than announced, ...)
//   -2            any other failure (including a failure that came without an error code)
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "http/http_transport.h"
#include "http/http_variant.h"
#include "http/proxy_settings.h"
#include "http/session_slot.h"

namespace nimbrook {

inline constexpr wchar_t kPostFormAgent[] = L"NimbrookClient";
inline constexpr wchar_t kDownloadAgent[] =
    L"Mozilla/5.0 (Windows NT 5.1) AppleWebKit/535.1 (KHTML, like Gecko) Chrome/14.0.835.202 Safari/535.1";

class HttpClient {
 public:
  using Clock = std::function<int64_t()>;  // seconds since 1970

  explicit HttpClient(HttpVariant variant, HttpTransport& transport = SystemHttpTransport(),
                      InternetSettingsSource& internetSettings = SystemInternetSettings(), Clock clock = {});

  const HttpVariant& Variant() const { return variant_; }

  // POSTs body (narrow text, sent as its bytes) as a form to url. On status 200 response is set to
  // the answer converted from UTF-8; otherwise it is left as it was. Client program only: the
  // updater's build returns -1 without doing anything.
  [[nodiscard]] int PostForm(std::wstring& response, SessionSlot& slot, const std::wstring& url,
                             const std::string& body);

  // GETs url and writes the body to path.
  [[nodiscard]] int DownloadToFile(SessionSlot& slot, const std::wstring& url, const std::wstring& path);

  // Up to two DownloadToFile attempts, each with a fresh session; true when one returned 0.
  // Client program only: false in the updater's build.
  [[nodiscard]] bool DownloadWithRetry(const std::wstring& url, const std::wstring& path);

  void ReleaseSession(SessionSlot& slot);

 private:
  int Result(int32_t kind, uint32_t systemError) const;
  void Log(const std::wstring& text) const;
  ProxySettings DiscoverProxy();
  // The slot's session, created on first use. Null when the transport gave a session without a
  // handle; raises CHttpException when opening or configuring it fails.
  TransportSession* EnsureSession(SessionSlot& slot, const wchar_t* agent);
  UrlParts Crack(const std::wstring& url, HttpOperation operation);
  std::unique_ptr<TransportConnection> Connect(TransportSession& session, const UrlParts& parts);
  std::unique_ptr<TransportRequest> OpenRequest(TransportConnection& connection, const wchar_t* verb,
                                                const UrlParts& parts);
  void Send(TransportRequest& request, const std::string& body);

  HttpVariant variant_;
  HttpTransport& transport_;
  InternetSettingsSource& internetSettings_;
  Clock clock_;
};

// The client program's HTTP client (client variant, system transport). Tests may put another in its
// place with SetProcessHttpClient (nullptr restores the default).
HttpClient& ProcessHttpClient();
void SetProcessHttpClient(HttpClient* client);

// The client program's operations, on ProcessHttpClient().
[[nodiscard]] int PostForm(std::wstring& response, SessionSlot& slot, const std::wstring& url, const std::string& body);
[[nodiscard]] int DownloadToFile(SessionSlot& slot, const std::wstring& url, const std::wstring& path);
[[nodiscard]] bool DownloadWithRetry(const std::wstring& url, const std::wstring& path);
void ReleaseSession(SessionSlot& slot);

}  // namespace nimbrook
