#include "fake_http_transport.h"

#include <algorithm>
#include <cstring>

namespace nimbrook::testing {
namespace {

class FakeRequest final : public TransportRequest {
 public:
  FakeRequest(FakeHttpTransport& transport, size_t record, FakeResponse response)
      : transport_(transport), record_(record), response_(std::move(response)) {}

  TransportStatus AddHeader(const std::wstring& header) override {
    if (transport_.addHeaderError) return TransportStatus::Failed(*transport_.addHeaderError);
    Record().headers.push_back(header);
    return TransportStatus::Ok();
  }

  TransportStatus Send(const std::string& body) override {
    Record().sentBodies.push_back(body);
    if (sends_++ < response_.failingSends) return TransportStatus::Failed(response_.sendError);
    sent_ = true;
    return TransportStatus::Ok();
  }

  uint32_t StatusCode() override { return sent_ ? response_.status : 0; }
  std::optional<uint64_t> ContentLength() override { return response_.contentLength; }

  TransportStatus QueryDataAvailable(uint32_t& available) override {
    available = 0;
    if (response_.failQueryAtPass && *response_.failQueryAtPass == pass_) {
      return TransportStatus::Failed(response_.readError);
    }
    if (pass_ < response_.chunks.size()) available = static_cast<uint32_t>(Remaining());
    return TransportStatus::Ok();
  }

  TransportStatus ReadData(char* buffer, uint32_t size, uint32_t& read) override {
    read = 0;
    if (response_.failReadAtPass && *response_.failReadAtPass == pass_) {
      if (response_.readGivesNothing) return TransportStatus::Ok();
      return TransportStatus::Failed(response_.readError);
    }
    if (pass_ >= response_.chunks.size()) return TransportStatus::Ok();
    const size_t count = std::min<size_t>(size, Remaining());
    std::memcpy(buffer, response_.chunks[pass_].data() + offset_, count);
    offset_ += count;
    read = static_cast<uint32_t>(count);
    if (offset_ == response_.chunks[pass_].size()) {
      ++pass_;
      offset_ = 0;
    }
    return TransportStatus::Ok();
  }

 private:
  size_t Remaining() const { return response_.chunks[pass_].size() - offset_; }
  FakeRequestRecord& Record() { return transport_.requests[record_]; }

  FakeHttpTransport& transport_;
  size_t record_;
  FakeResponse response_;
  int sends_ = 0;
  bool sent_ = false;
  size_t pass_ = 0;
  size_t offset_ = 0;
};

class FakeConnection final : public TransportConnection {
 public:
  FakeConnection(FakeHttpTransport& transport, int session, std::wstring host, uint16_t port)
      : transport_(transport), session_(session), host_(std::move(host)), port_(port) {}

  TransportStatus OpenRequest(const std::wstring& verb, const std::wstring& path, bool secure,
                              std::unique_ptr<TransportRequest>& request) override {
    if (transport_.openRequestError) return TransportStatus::Failed(*transport_.openRequestError);
    FakeRequestRecord record;
    record.session = session_;
    record.host = host_;
    record.port = port_;
    record.verb = verb;
    record.path = path;
    record.secure = secure;
    transport_.requests.push_back(record);
    FakeResponse response;
    response.status = 500;
    if (!transport_.responses.empty()) {
      response = transport_.responses.front();
      transport_.responses.pop_front();
    }
    request = std::make_unique<FakeRequest>(transport_, transport_.requests.size() - 1, response);
    return TransportStatus::Ok();
  }

 private:
  FakeHttpTransport& transport_;
  int session_;
  std::wstring host_;
  uint16_t port_;
};

class FakeSession final : public TransportSession {
 public:
  FakeSession(FakeHttpTransport& transport, int id) : transport_(transport), id_(id) { ++transport_.sessionsAlive; }
  ~FakeSession() override { --transport_.sessionsAlive; }

  TransportStatus SetTimeouts(const HttpTimeouts& timeouts) override {
    if (transport_.setTimeoutsError) return TransportStatus::Failed(*transport_.setTimeoutsError);
    transport_.timeoutsSet.push_back(timeouts);
    return TransportStatus::Ok();
  }

  TransportStatus Connect(const std::wstring& host, uint16_t port,
                          std::unique_ptr<TransportConnection>& connection) override {
    if (transport_.connectError) return TransportStatus::Failed(*transport_.connectError);
    connection = std::make_unique<FakeConnection>(transport_, id_, host, port);
    return TransportStatus::Ok();
  }

 private:
  FakeHttpTransport& transport_;
  int id_;
};

}  // namespace

FakeResponse FakeResponse::Body(const std::string& body, size_t chunkSize, bool withLength) {
  FakeResponse response;
  for (size_t i = 0; i < body.size(); i += chunkSize) response.chunks.push_back(body.substr(i, chunkSize));
  if (withLength) response.contentLength = body.size();
  return response;
}

TransportStatus FakeHttpTransport::OpenSession(const SessionOptions& options,
                                               std::unique_ptr<TransportSession>& session) {
  sessionsOpened.push_back(options);
  if (openSessionError) return TransportStatus::Failed(*openSessionError);
  session = std::make_unique<FakeSession>(*this, static_cast<int>(sessionsOpened.size()));
  return TransportStatus::Ok();
}

TransportStatus FakeHttpTransport::CrackUrl(const std::wstring& url, UrlParts& parts) {
  crackedUrls.push_back(url);
  if (crackError) return TransportStatus::Failed(*crackError);
  const uint32_t error = CrackUrlPortable(url, parts);
  return error == 0 ? TransportStatus::Ok() : TransportStatus::Failed(error);
}

bool FakeHttpTransport::ReadIeProxyConfig(IeProxyConfig& config) {
  if (!ieConfigReadable) return false;
  config = ieConfig;
  return true;
}

int FakeHttpTransport::TotalSends() const {
  int total = 0;
  for (const auto& r : requests) total += static_cast<int>(r.sentBodies.size());
  return total;
}

}  // namespace nimbrook::testing
