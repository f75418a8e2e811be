// A scriptable HTTP transport for the client's unit tests: responses with chosen statuses, content
// lengths and body chunks, failures with chosen error codes at every step, and a record of every
// session, request and send, so the algorithms are tested without a network.
#pragma once

#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "http/http_transport.h"
#include "http/proxy_settings.h"

namespace nimbrook::testing {

struct FakeResponse {
  uint32_t status = 200;
  std::optional<uint64_t> contentLength;  // the Content-Length header; empty = absent (chunked)
  std::vector<std::string> chunks;        // handed out one per QueryDataAvailable/ReadData pass

  int failingSends = 0;  // the first N Send calls fail with sendError
  uint32_t sendError = 12029;
  std::optional<size_t> failQueryAtPass;  // QueryDataAvailable fails at this pass (0-based)
  std::optional<size_t> failReadAtPass;   // ReadData fails at this pass
  bool readGivesNothing = false;          // ... or, instead of failing, returns 0 bytes
  uint32_t readError = 12030;

  // A 200 response whose body is split into chunks of chunkSize bytes.
  static FakeResponse Body(const std::string& body, size_t chunkSize, bool withLength = true);
};

struct FakeRequestRecord {
  int session = 0;  // id of the session the request was made on
  std::wstring host;
  uint16_t port = 0;
  std::wstring verb;
  std::wstring path;
  bool secure = false;
  std::vector<std::wstring> headers;
  std::vector<std::string> sentBodies;  // one entry per Send call
};

class FakeHttpTransport : public HttpTransport {
 public:
  // Responses, one per request opened, in order. A request with none left gets a 500.
  std::deque<FakeResponse> responses;

  // Failures of the set-up steps (the value is the error code reported).
  std::optional<uint32_t> openSessionError;
  std::optional<uint32_t> setTimeoutsError;
  std::optional<uint32_t> connectError;
  std::optional<uint32_t> openRequestError;
  std::optional<uint32_t> addHeaderError;
  std::optional<uint32_t> crackError;

  bool ieConfigReadable = true;
  IeProxyConfig ieConfig;

  // What happened.
  std::vector<SessionOptions> sessionsOpened;
  std::vector<HttpTimeouts> timeoutsSet;
  std::vector<std::wstring> crackedUrls;
  std::vector<FakeRequestRecord> requests;
  int sessionsAlive = 0;

  TransportStatus OpenSession(const SessionOptions& options, std::unique_ptr<TransportSession>& session) override;
  TransportStatus CrackUrl(const std::wstring& url, UrlParts& parts) override;
  bool ReadIeProxyConfig(IeProxyConfig& config) override;

  int TotalSends() const;
};

class FakeInternetSettings : public InternetSettingsSource {
 public:
  InternetSettings values;
  int reads = 0;
  InternetSettings Read() override {
    ++reads;
    return values;
  }
};

}  // namespace nimbrook::testing
