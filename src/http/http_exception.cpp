#include "http/http_exception.h"

#include "core/text.h"

namespace nimbrook {

const char* HttpErrorName(int32_t kind) {
  switch (kind) {
    case kHttpOk: return "Ok";
    case kHttpCloseHandleError: return "CloseHandle Error";
    case kHttpSetOptionError: return "Setopntion Error";
    case kHttpOpenError: return "Open Error";
    case kHttpConnectError: return "Connect Error";
    case kHttpOpenRequestError: return "Openrequest Error";
    case kHttpAddHeaderError: return "Addheader Error";
    case kHttpSendRequestError: return "Sendrequest Error";
    case kHttpRegeditError: return "Regedit Error";
    case kHttpSetTimeoutError: return "SetTimeout Error";
    case kHttpCrackUrlError: return "Crackurl Error";
    case kHttpReadDataError: return "Read Web Data Error";
    default: return "Unknown Error";
  }
}

CHttpException::CHttpException(int32_t kind, uint32_t systemError) : kind_(kind), systemError_(systemError) {
  message_ = L"HTTP " + text::AsciiToWide(HttpErrorName(kind));
  if (systemError != 0) message_ += L" 错误码：" + std::to_wstring(systemError);
  message_ += L"\n";
}

}  // namespace nimbrook
