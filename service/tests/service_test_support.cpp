// Helpers for the service's tests.
#include "service_test_support.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <cctype>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "ini_file.h"

namespace nimbrook::service::testing {

std::filesystem::path RepositoryData() { return NIMBROOK_SERVICE_DATA; }

RunningService::RunningService(const std::filesystem::path& dataDir, const std::string& release) {
  ServiceConfig config;
  config.port = 0;
  config.dataDir = dataDir.empty() ? RepositoryData() : dataDir;
  config.release = release;
  config.logToStdout = false;
  server_ = std::make_unique<ServiceServer>(config);
  std::string error;
  if (!server_->Start(error)) throw std::runtime_error("service did not start: " + error);
}

RunningService::~RunningService() { server_->Stop(); }

std::unique_ptr<httplib::Client> RunningService::Client(int readTimeoutSeconds) const {
  auto client = std::make_unique<httplib::Client>("127.0.0.1", Port());
  client->set_connection_timeout(5, 0);
  client->set_read_timeout(readTimeoutSeconds, 0);
  client->set_decompress(false);
  return client;
}

DataCopy::DataCopy() : dir_(temp_.Path() / "data") {
  std::filesystem::copy(RepositoryData(), dir_, std::filesystem::copy_options::recursive);
}

bool RawExchange::HasHeader(const std::string& name) const {
  std::istringstream lines(head);
  std::string line;
  while (std::getline(lines, line)) {
    const auto colon = line.find(':');
    if (colon != std::string::npos && EqualsNoCase(line.substr(0, colon), name)) return true;
  }
  return false;
}

std::string RawExchange::Header(const std::string& name) const {
  std::istringstream lines(head);
  std::string line;
  while (std::getline(lines, line)) {
    const auto colon = line.find(':');
    if (colon != std::string::npos && EqualsNoCase(line.substr(0, colon), name)) return Trim(line.substr(colon + 1));
  }
  return {};
}

RawExchange RawRequest(int port, const std::string& request, int timeoutSeconds) {
  RawExchange exchange;
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  if (fd < 0) return exchange;
  timeval timeout{timeoutSeconds, 0};
  setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<uint16_t>(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    close(fd);
    return exchange;
  }
  exchange.connected = true;
  size_t sent = 0;
  while (sent < request.size()) {
    const ssize_t n = send(fd, request.data() + sent, request.size() - sent, MSG_NOSIGNAL);
    if (n <= 0) break;
    sent += static_cast<size_t>(n);
  }
  std::string all;
  char buffer[65536];
  for (;;) {
    const ssize_t n = recv(fd, buffer, sizeof buffer, 0);
    if (n <= 0) break;
    all.append(buffer, static_cast<size_t>(n));
  }
  close(fd);
  const auto blank = all.find("\r\n\r\n");
  exchange.head = all.substr(0, blank);
  if (blank != std::string::npos) exchange.body = all.substr(blank + 4);
  if (exchange.head.compare(0, 9, "HTTP/1.1 ") == 0) exchange.status = std::atoi(exchange.head.c_str() + 9);
  return exchange;
}

RawExchange RawGet(int port, const std::string& target) {
  return RawRequest(port, "GET " + target + " HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n\r\n");
}

bool DecodeChunked(const std::string& body, std::string& out) {
  out.clear();
  size_t position = 0;
  for (;;) {
    const auto lineEnd = body.find("\r\n", position);
    if (lineEnd == std::string::npos) return false;
    const std::string sizeText = body.substr(position, lineEnd - position);
    if (sizeText.empty()) return false;
    size_t size = 0;
    for (const char c : sizeText) {
      if (!std::isxdigit(static_cast<unsigned char>(c))) break;
      size = size * 16 + static_cast<size_t>(std::isdigit(static_cast<unsigned char>(c)) ? c - '0' : (std::tolower(c) - 'a' + 10));
    }
    position = lineEnd + 2;
    if (size == 0) return body.compare(position, 2, "\r\n") == 0;
    if (position + size + 2 > body.size()) return false;
    out.append(body, position, size);
    position += size + 2;
  }
}

bool Utf16LeToUtf8(const std::string& bytes, std::string& utf8) {
  if (bytes.size() < 2 || bytes.compare(0, 2, "\xFF\xFE") != 0) return false;
  utf8.clear();
  for (size_t i = 2; i + 1 < bytes.size(); i += 2) {
    unsigned long cp = static_cast<unsigned char>(bytes[i]) | (static_cast<unsigned char>(bytes[i + 1]) << 8);
    if (cp >= 0xD800 && cp <= 0xDBFF && i + 3 < bytes.size()) {
      const unsigned long low = static_cast<unsigned char>(bytes[i + 2]) | (static_cast<unsigned char>(bytes[i + 3]) << 8);
      cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
      i += 2;
    }
    if (cp < 0x80) {
      utf8.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
      utf8.push_back(static_cast<char>(0xC0 | (cp >> 6)));
      utf8.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
      utf8.push_back(static_cast<char>(0xE0 | (cp >> 12)));
      utf8.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
      utf8.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
      utf8.push_back(static_cast<char>(0xF0 | (cp >> 18)));
      utf8.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
      utf8.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
      utf8.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
  }
  return true;
}

std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream buffer;
  buffer << in.rdbuf();
  return buffer.str();
}

void WriteFile(const std::filesystem::path& path, const std::string& bytes) {
  std::filesystem::create_directories(path.parent_path());
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

}  // namespace nimbrook::service::testing
