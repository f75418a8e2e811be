// socket-read-benchmark.exe: a plain HTTP/1.0 GET straight through Winsock, the body read PIECE bytes
// per recv and written to FILE in 256 KiB pieces, as the client's download writes. Under Wine it
// gives the floor any HTTP stack on top of Winsock can reach: with PIECE at 8 KiB it reads the way
// WinHTTP reads the socket there (its buffer is 8 KiB, whatever the caller asks for).
//   socket-read-benchmark.exe http://HOST:PORT/PATH FILE PIECE
#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr size_t kWritePiece = 256 * 1024;

bool ParseUrl(const std::string& url, std::string& host, std::string& port, std::string& path) {
  const std::string scheme = "http://";
  if (url.compare(0, scheme.size(), scheme) != 0) return false;
  const size_t slash = url.find('/', scheme.size());
  const std::string authority = url.substr(scheme.size(), slash - scheme.size());
  path = slash == std::string::npos ? "/" : url.substr(slash);
  const size_t colon = authority.find(':');
  host = authority.substr(0, colon);
  port = colon == std::string::npos ? "80" : authority.substr(colon + 1);
  return !host.empty();
}

class Output {
 public:
  explicit Output(const char* path)
      : file_(CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr)) {}
  ~Output() {
    if (file_ != INVALID_HANDLE_VALUE) CloseHandle(file_);
  }
  bool Ok() const { return file_ != INVALID_HANDLE_VALUE; }
  bool Add(const char* data, size_t size) {
    pending_.insert(pending_.end(), data, data + size);
    return pending_.size() < kWritePiece || Flush();
  }
  bool Flush() {
    DWORD written = 0;
    const bool ok = pending_.empty() ||
                    (WriteFile(file_, pending_.data(), static_cast<DWORD>(pending_.size()), &written, nullptr) &&
                     written == pending_.size());
    pending_.clear();
    return ok;
  }

 private:
  HANDLE file_;
  std::vector<char> pending_;
};

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: socket-read-benchmark http://HOST:PORT/PATH FILE PIECE\n");
    return 2;
  }
  std::string host, port, path;
  const int piece = std::atoi(argv[3]);
  if (!ParseUrl(argv[1], host, port, path) || piece <= 0) {
    std::fprintf(stderr, "bad arguments\n");
    return 2;
  }
  WSADATA wsa;
  if (WSAStartup(MAKEWORD(2, 2), &wsa) != 0) return 1;
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* address = nullptr;
  if (getaddrinfo(host.c_str(), port.c_str(), &hints, &address) != 0) return 1;
  SOCKET s = socket(address->ai_family, address->ai_socktype, address->ai_protocol);
  const bool connected = s != INVALID_SOCKET && connect(s, address->ai_addr, static_cast<int>(address->ai_addrlen)) == 0;
  freeaddrinfo(address);
  if (!connected) return 1;
  const std::string request = "GET " + path + " HTTP/1.0\r\nHost: " + host + "\r\n\r\n";
  if (send(s, request.data(), static_cast<int>(request.size()), 0) != static_cast<int>(request.size())) return 1;

  Output out(argv[2]);
  if (!out.Ok()) return 1;
  std::vector<char> buffer(static_cast<size_t>(piece));
  std::string head;
  bool inBody = false;
  long long body = 0;
  for (;;) {
    const int got = recv(s, buffer.data(), piece, 0);
    if (got < 0) return 1;
    if (got == 0) break;
    if (inBody) {
      if (!out.Add(buffer.data(), static_cast<size_t>(got))) return 1;
      body += got;
      continue;
    }
    head.append(buffer.data(), static_cast<size_t>(got));
    const size_t end = head.find("\r\n\r\n");
    if (end == std::string::npos) continue;
    if (head.compare(0, 12, "HTTP/1.1 200") != 0 && head.compare(0, 12, "HTTP/1.0 200") != 0) return 1;
    inBody = true;
    const size_t rest = head.size() - (end + 4);
    if (!out.Add(head.data() + end + 4, rest)) return 1;
    body += static_cast<long long>(rest);
  }
  closesocket(s);
  WSACleanup();
  if (!inBody || !out.Flush()) return 1;
  std::printf("%lld\n", body);
  return 0;
}
