// The reference service: an HTTP server on a pool of request threads that routes every request
// (descriptors, release files, login, pages, test streams) and delivers it, with a fault when one is
// asked for. Runs on its own thread until Stop(); used by main() and, in-process, by the tests.
#pragma once

#include <httplib.h>

#include <atomic>
#include <memory>
#include <string>
#include <thread>

#include "request_log.h"
#include "service_context.h"

namespace nimbrook::service {

class ServiceServer {
 public:
  explicit ServiceServer(ServiceConfig config);
  ~ServiceServer();
  ServiceServer(const ServiceServer&) = delete;
  ServiceServer& operator=(const ServiceServer&) = delete;

  // Binds the address (port 0: any free port) and starts serving. False with an error text.
  [[nodiscard]] bool Start(std::string& error);
  // Stops accepting, wakes every waiting request, ends transfers and joins the threads.
  void Stop();

  bool Running() const;
  int Port() const { return port_; }
  const std::string& BaseUrl() const { return context_->baseUrl; }
  ServiceContext& Context() { return *context_; }

 private:
  void Handle(const httplib::Request& req, httplib::Response& res, const std::string& body);
  void LogRequest(const httplib::Request& req, const httplib::Response& res);

  std::unique_ptr<ServiceContext> context_;
  httplib::Server server_;
  RequestLog log_;
  std::thread thread_;
  std::atomic<bool> listening_{false};
  std::atomic<bool> ended_{false};
  int port_ = 0;
};

// "http://<host>:<port>", with 127.0.0.1 for the wildcard addresses and brackets for IPv6.
std::string MakeBaseUrl(const std::string& host, int port);

}  // namespace nimbrook::service
