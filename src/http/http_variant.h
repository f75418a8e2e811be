// The two builds of the HTTP client: the client program's and the updater's. They share every
// algorithm and differ only in the settled points held here (proxy source, time-outs, URL clean-up,
// send attempts, end of a download, logging, which operations exist).
#pragma once

#include <cstdint>

namespace nimbrook {

// Time-outs of a session in milliseconds, in the order WinHttpSetTimeouts takes them.
struct HttpTimeouts {
  int resolve = 0;
  int connect = 0;
  int send = 0;
  int receive = 0;
};

enum class HttpProgram { kClient, kUpdater };

// Where a new session takes its proxy from.
enum class ProxySource {
  kBrowserSettings,   // WinHttpGetIEProxyConfigForCurrentUser
  kInternetSettings,  // the registry values ProxyEnable / ProxyServer / ProxyOverride
};

// How the cache-busting seconds are joined to a download URL (a POST URL always takes "?").
enum class QuerySeparator {
  kAmpersandAfterQuery,  // "&" when the URL already has a "?", else "?"
  kAlwaysQuestionMark,
};

// When a download's read loop stops. Either way a body shorter than an announced content length is
// a failure, and a body without a content length is read to its end.
enum class DownloadEnd {
  kContentLengthOrNoMoreData,  // stop at a nonzero content length or when no more data comes
  kContentLength,              // read while the offset is below the content length
};

struct HttpVariant {
  HttpProgram program = HttpProgram::kClient;
  ProxySource proxySource = ProxySource::kBrowserSettings;
  HttpTimeouts timeouts;
  bool backslashesToSlashes = false;
  QuerySeparator downloadSeparator = QuerySeparator::kAmpersandAfterQuery;
  int sendAttempts = 1;
  DownloadEnd downloadEnd = DownloadEnd::kContentLengthOrNoMoreData;
  bool logging = true;
  bool hasPostForm = false;         // PostForm and DownloadWithRetry exist in this build
  bool hasDownloadWithRetry = false;

  static HttpVariant Client();
  static HttpVariant Updater();
};

}  // namespace nimbrook
