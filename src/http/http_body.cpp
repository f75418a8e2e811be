#include "http/http_body.h"

#include <algorithm>

#include "http/http_exception.h"

namespace nimbrook {

bool ReadNextChunk(TransportRequest& request, std::string& chunk) {
  uint32_t available = 0;
  TransportStatus status = request.QueryDataAvailable(available);
  if (!status.ok) throw CHttpException(kHttpReadDataError, status.error);
  if (available == 0) return false;
  chunk.resize(std::min(std::max(available, kReadPieceBytes), kMaxChunkBytes));
  uint32_t read = 0;
  status = request.ReadData(chunk.data(), static_cast<uint32_t>(chunk.size()), read);
  if (!status.ok) throw CHttpException(kHttpReadDataError, status.error);
  // Data was announced but none came: the connection ended under the reader.
  if (read == 0) throw CHttpException(kHttpReadDataError, kWinHttpConnectionError);
  chunk.resize(std::min<size_t>(read, chunk.size()));
  return true;
}

}  // namespace nimbrook
