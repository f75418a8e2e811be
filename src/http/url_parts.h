// URL handling of the HTTP client: the preparation every request URL goes through (cache-busting
// seconds, the updater's slash rule, the default scheme) and a portable URL cracker that splits a URL
// the way WinHttpCrackUrl does, for the platforms without WinHTTP.
#pragma once

#include <cstdint>
#include <string>

#include "http/http_variant.h"

namespace nimbrook {

// Buffer sizes of a cracked URL, in characters, terminator included.
inline constexpr size_t kUrlHostCapacity = 1024;
inline constexpr size_t kUrlPathCapacity = 3072;

struct UrlParts {
  std::wstring host;      // without brackets for an IPv6 literal
  std::wstring path;      // path and query together, e.g. "/a/b.ini?1700000000"
  uint16_t port = 0;      // from the URL, or 80 / 443 by scheme
  bool secure = false;    // "https://"
};

enum class HttpOperation { kPostForm, kDownload };

// The URL a request is made for: url + separator + seconds (decimal), then, in the updater, every
// "\" turned into "/", then "http://" in front when the URL holds neither "https://" nor "http://".
std::wstring PrepareUrl(const std::wstring& url, const HttpVariant& variant, HttpOperation operation,
                        int64_t secondsSince1970);

// Splits url into parts as WinHttpCrackUrl does with a 1024-character host buffer, a 3072-character
// path buffer and no separate extra-info buffer. Returns 0 on success or the error WinHttpCrackUrl
// reports: 12006 for a scheme other than http/https, 12005 for a malformed URL, 122 when the host or
// the path does not fit its buffer.
[[nodiscard]] uint32_t CrackUrlPortable(const std::wstring& url, UrlParts& parts);

// The path a request is opened with: the cracked path, with "/" in front when it is empty or starts
// with the query.
std::wstring RequestPathOf(const UrlParts& parts);

}  // namespace nimbrook
