// A GET request whose body goes to a file. It owns the destination while the body is written: the
// file is opened only for a status 200 answer, closed on every path, and removed again unless the
// whole body was written, so a failed download never leaves a partial file behind under the name the
// caller expects.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "core/file_io.h"
#include "http/http_transport.h"
#include "http/http_variant.h"

namespace nimbrook {

class FileDownloadRequest {
 public:
  FileDownloadRequest(TransportRequest& request, std::wstring path);
  ~FileDownloadRequest();
  FileDownloadRequest(const FileDownloadRequest&) = delete;
  FileDownloadRequest& operator=(const FileDownloadRequest&) = delete;

  // Writes the response body to the destination (mode "wb", truncating an existing file). Returns 0
  // when the whole body is on disk and the file closed; -1 when the file cannot be opened, written
  // or closed. Read failures, and a body that ends before its announced content length, raise
  // CHttpException kind 1011. On every outcome but 0 the destination is removed.
  int WriteBody(std::optional<uint64_t> contentLength, DownloadEnd end);

  uint64_t BytesWritten() const { return offset_; }

 private:
  bool Write(const std::string& chunk);

  TransportRequest& request_;
  std::wstring path_;
  FileHandle file_;
  bool created_ = false;
  bool complete_ = false;
  uint64_t offset_ = 0;
};

}  // namespace nimbrook
