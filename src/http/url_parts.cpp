#include "http/url_parts.h"

#include "http/http_exception.h"

namespace nimbrook {

std::wstring PrepareUrl(const std::wstring& url, const HttpVariant& variant, HttpOperation operation,
                        int64_t secondsSince1970) {
  std::wstring prepared = url;
  wchar_t separator = L'?';
  if (operation == HttpOperation::kDownload && variant.downloadSeparator == QuerySeparator::kAmpersandAfterQuery &&
      url.find(L'?') != std::wstring::npos) {
    separator = L'&';
  }
  prepared += separator;
  prepared += std::to_wstring(secondsSince1970);
  if (variant.backslashesToSlashes) {
    for (auto& c : prepared) {
      if (c == L'\\') c = L'/';
    }
  }
  if (prepared.find(L"https://") == std::wstring::npos && prepared.find(L"http://") == std::wstring::npos) {
    prepared.insert(0, L"http://");
  }
  return prepared;
}

namespace {

bool StartsWithIgnoreCase(const std::wstring& text, const wchar_t* prefix) {
  size_t i = 0;
  for (; prefix[i] != 0; ++i) {
    if (i >= text.size()) return false;
    wchar_t c = text[i];
    if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c - L'A' + L'a');
    if (c != prefix[i]) return false;
  }
  return true;
}

}  // namespace

uint32_t CrackUrlPortable(const std::wstring& url, UrlParts& parts) {
  size_t rest = 0;
  bool secure = false;
  const size_t schemeEnd = url.find(L"://");
  if (schemeEnd == std::wstring::npos) return kWinHttpUnrecognizedScheme;
  if (schemeEnd == 4 && StartsWithIgnoreCase(url, L"http")) {
    secure = false;
  } else if (schemeEnd == 5 && StartsWithIgnoreCase(url, L"https")) {
    secure = true;
  } else {
    return kWinHttpUnrecognizedScheme;
  }
  rest = schemeEnd + 3;

  // The authority runs to the first "/", "?" or "#".
  size_t authorityEnd = url.find_first_of(L"/?#", rest);
  if (authorityEnd == std::wstring::npos) authorityEnd = url.size();
  std::wstring authority = url.substr(rest, authorityEnd - rest);
  const size_t at = authority.rfind(L'@');
  if (at != std::wstring::npos) authority.erase(0, at + 1);

  std::wstring host;
  std::wstring portText;
  if (!authority.empty() && authority[0] == L'[') {
    const size_t close = authority.find(L']');
    if (close == std::wstring::npos) return kWinHttpInvalidUrl;
    host = authority.substr(1, close - 1);
    const std::wstring after = authority.substr(close + 1);
    if (!after.empty()) {
      if (after[0] != L':') return kWinHttpInvalidUrl;
      portText = after.substr(1);
    }
  } else {
    const size_t colon = authority.rfind(L':');
    if (colon != std::wstring::npos) {
      host = authority.substr(0, colon);
      portText = authority.substr(colon + 1);
    } else {
      host = authority;
    }
  }
  if (host.empty()) return kWinHttpInvalidUrl;

  uint32_t port = secure ? 443 : 80;
  if (!portText.empty()) {
    uint32_t value = 0;
    for (wchar_t c : portText) {
      if (c < L'0' || c > L'9') return kWinHttpInvalidUrl;
      value = value * 10 + static_cast<uint32_t>(c - L'0');
      if (value > 65535) return kWinHttpInvalidUrl;
    }
    if (value != 0) port = value;
  }

  std::wstring path = url.substr(authorityEnd);
  if (host.size() >= kUrlHostCapacity || path.size() >= kUrlPathCapacity) return kErrorInsufficientBuffer;

  parts.host = std::move(host);
  parts.path = std::move(path);
  parts.port = static_cast<uint16_t>(port);
  parts.secure = secure;
  return 0;
}

std::wstring RequestPathOf(const UrlParts& parts) {
  if (parts.path.empty() || parts.path[0] != L'/') return L"/" + parts.path;
  return parts.path;
}

}  // namespace nimbrook
