#include "http/file_download_request.h"

#include <cstdio>

#include "http/http_body.h"
#include "http/http_exception.h"

namespace nimbrook {

FileDownloadRequest::FileDownloadRequest(TransportRequest& request, std::wstring path)
    : request_(request), path_(std::move(path)) {}

FileDownloadRequest::~FileDownloadRequest() {
  file_.reset();
  if (created_ && !complete_) RemoveFile(path_);
}

bool FileDownloadRequest::Write(const std::string& chunk) {
  if (std::fwrite(chunk.data(), 1, chunk.size(), file_.get()) != chunk.size()) return false;
  offset_ += chunk.size();
  return true;
}

int FileDownloadRequest::WriteBody(std::optional<uint64_t> contentLength, DownloadEnd end) {
  file_ = OpenFile(path_, "wb");
  if (!file_) return -1;
  created_ = true;
  // The C run-time's default buffer (4 KiB on Windows) would split every chunk into small writes.
  std::setvbuf(file_.get(), nullptr, _IOFBF, kReadPieceBytes);

  std::string chunk;
  for (;;) {
    if (contentLength) {
      // With a content length the loop ends when it is reached. The client also stops early on
      // "no more data" (below); the updater reads while the offset is below the length. A length
      // of 0 means an empty body in both.
      if (offset_ >= *contentLength && (*contentLength != 0 || end == DownloadEnd::kContentLength)) break;
    }
    if (!ReadNextChunk(request_, chunk)) break;
    if (!Write(chunk)) return -1;
  }
  // The body ended before the announced length: the connection was cut (WinHTTP does not always say
  // so itself). The file must not be taken for the real one.
  if (contentLength && offset_ < *contentLength) throw CHttpException(kHttpReadDataError, kWinHttpConnectionError);

  if (std::fclose(file_.release()) != 0) return -1;
  complete_ = true;
  return 0;
}

}  // namespace nimbrook
