// The HTTP client's error kinds and its exception. CHttpException is raised inside the client only;
// PostForm and DownloadToFile turn it into their integer result, so it never leaves the module.
#pragma once

#include <cstdint>
#include <string>

namespace nimbrook {

// Error kinds, with the names the log shows.
enum HttpErrorKind : int32_t {
  kHttpOk = 0,
  kHttpCloseHandleError = 1001,
  kHttpSetOptionError = 1002,  // kept for the table; not raised
  kHttpOpenError = 1003,
  kHttpConnectError = 1004,
  kHttpOpenRequestError = 1005,
  kHttpAddHeaderError = 1006,
  kHttpSendRequestError = 1007,
  kHttpRegeditError = 1008,  // kept for the table; not raised
  kHttpSetTimeoutError = 1009,
  kHttpCrackUrlError = 1010,
  kHttpReadDataError = 1011,
};

// System error codes the client reports, as WinHTTP numbers them; the libcurl transport maps its own
// failures onto the same numbers so that results agree across platforms.
inline constexpr uint32_t kErrorNotEnoughMemory = 8;
inline constexpr uint32_t kErrorInsufficientBuffer = 122;
inline constexpr uint32_t kWinHttpTimeout = 12002;            // ERROR_WINHTTP_TIMEOUT
inline constexpr uint32_t kWinHttpInvalidUrl = 12005;         // ERROR_WINHTTP_INVALID_URL
inline constexpr uint32_t kWinHttpUnrecognizedScheme = 12006; // ERROR_WINHTTP_UNRECOGNIZED_SCHEME
inline constexpr uint32_t kWinHttpNameNotResolved = 12007;    // ERROR_WINHTTP_NAME_NOT_RESOLVED
inline constexpr uint32_t kWinHttpCannotConnect = 12029;      // ERROR_WINHTTP_CANNOT_CONNECT
inline constexpr uint32_t kWinHttpConnectionError = 12030;    // ERROR_WINHTTP_CONNECTION_ERROR
inline constexpr uint32_t kWsaTimedOut = 10060;               // WSAETIMEDOUT, Wine's time-out code

// "Ok", "Open Error", ...; "Unknown Error" for any other kind.
const char* HttpErrorName(int32_t kind);

class CHttpException {
 public:
  // systemError is the platform's error code of the failed call (0 when it gave none).
  CHttpException(int32_t kind, uint32_t systemError);

  int32_t Kind() const { return kind_; }
  uint32_t SystemError() const { return systemError_; }
  // "HTTP <name> 错误码：<code>\n", or "HTTP <name>\n" when the system error code is 0.
  const std::wstring& Message() const { return message_; }

 private:
  int32_t kind_;
  uint32_t systemError_;
  std::wstring message_;
};

}  // namespace nimbrook
