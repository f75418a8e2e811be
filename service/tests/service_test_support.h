// Helpers for the service's tests: the service running in-process on an ephemeral port (on the
// repository's data directory or on a private copy a test may change), an HTTP client for it, and a
// raw socket exchange that shows exactly what came over the wire.
#pragma once

#include <httplib.h>

#include <filesystem>
#include <memory>
#include <string>

#include "service_server.h"
#include "testing/temp_dir.h"

namespace nimbrook::service::testing {

// The repository's data directory.
std::filesystem::path RepositoryData();

class RunningService {
 public:
  // Serves dataDir (the repository's data when empty).
  explicit RunningService(const std::filesystem::path& dataDir = {}, const std::string& release = {});
  ~RunningService();

  int Port() const { return server_->Port(); }
  const std::string& Base() const { return server_->BaseUrl(); }
  ServiceServer& Server() { return *server_; }
  // A client with short time-outs (the service answers at once unless told to stall).
  std::unique_ptr<httplib::Client> Client(int readTimeoutSeconds = 10) const;

 private:
  std::unique_ptr<ServiceServer> server_;
};

// A private copy of the repository's data directory.
class DataCopy {
 public:
  DataCopy();
  const std::filesystem::path& Dir() const { return dir_; }

 private:
  nimbrook::testing::TempDir temp_;
  std::filesystem::path dir_;
};

// One request over a raw socket, read to the end of the connection.
struct RawExchange {
  bool connected = false;
  std::string head;  // status line and headers
  std::string body;  // everything after the blank line, as received
  int status = 0;
  bool HasHeader(const std::string& name) const;
  std::string Header(const std::string& name) const;
};
RawExchange RawRequest(int port, const std::string& request, int timeoutSeconds = 30);
RawExchange RawGet(int port, const std::string& target);

// Decodes a chunked body; false when it is malformed or lacks the final chunk.
bool DecodeChunked(const std::string& body, std::string& out);

// UTF-16LE text (after an FF FE mark) as UTF-8; false without the mark.
bool Utf16LeToUtf8(const std::string& bytes, std::string& utf8);

std::string ReadFile(const std::filesystem::path& path);
void WriteFile(const std::filesystem::path& path, const std::string& bytes);

}  // namespace nimbrook::service::testing
