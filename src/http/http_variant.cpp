#include "http/http_variant.h"

namespace nimbrook {

HttpVariant HttpVariant::Client() {
  HttpVariant v;
  v.program = HttpProgram::kClient;
  v.proxySource = ProxySource::kBrowserSettings;
  v.timeouts = HttpTimeouts{10000, 20000, 10000, 15000};
  v.backslashesToSlashes = false;
  v.downloadSeparator = QuerySeparator::kAmpersandAfterQuery;
  v.sendAttempts = 1;
  v.downloadEnd = DownloadEnd::kContentLengthOrNoMoreData;
  v.logging = true;
  v.hasPostForm = true;
  v.hasDownloadWithRetry = true;
  return v;
}

HttpVariant HttpVariant::Updater() {
  HttpVariant v;
  v.program = HttpProgram::kUpdater;
  v.proxySource = ProxySource::kInternetSettings;
  v.timeouts = HttpTimeouts{60000, 60000, 60000, 60000};
  v.backslashesToSlashes = true;
  v.downloadSeparator = QuerySeparator::kAlwaysQuestionMark;
  v.sendAttempts = 3;
  v.downloadEnd = DownloadEnd::kContentLength;
  v.logging = false;
  v.hasPostForm = false;
  v.hasDownloadWithRetry = false;
  return v;
}

}  // namespace nimbrook
