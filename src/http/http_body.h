// Reading a response body through the transport: chunk by chunk, as WinHttpQueryDataAvailable and
// WinHttpReadData hand it out. Failures raise CHttpException (kind 1011); callers catch it at the
// operation's boundary.
#pragma once

#include <cstddef>
#include <string>

#include "http/http_transport.h"

namespace nimbrook {

// The largest chunk read in one pass, whatever the transport says is available.
inline constexpr uint32_t kMaxChunkBytes = 1u << 20;
// What one pass asks for at least. WinHTTP announces only what it has buffered (about 8 KiB), and
// under Wine every call is a round trip to its server: asking for large pieces keeps a big download
// at a few hundred calls instead of tens of thousands.
inline constexpr uint32_t kReadPieceBytes = 256u << 10;

// Reads the next chunk into chunk (replacing its contents). False at the end of the body (no data
// available). A failed query or read, or a read that returns nothing, raises kind 1011.
bool ReadNextChunk(TransportRequest& request, std::string& chunk);

}  // namespace nimbrook
