// The server: routing, delivery, request log, start and stop.
#include "service_server.h"

#include <sys/socket.h>

#include <algorithm>
#include <csignal>
#include <chrono>

#include "admin_routes.h"
#include "delivery.h"
#include "descriptor_routes.h"
#include "generator_routes.h"
#include "login_route.h"
#include "page_routes.h"

namespace nimbrook::service {
namespace {

constexpr std::size_t kMaxBodyBytes = 64 * 1024 * 1024;

using Resolver = bool (*)(const RouteRequest&, const ServiceContext&, Resource&);

// Tried in order; the versionURL route comes last because it reads the data directory to learn
// its paths.
const Resolver kResolvers[] = {ResolveLoginRoute, ResolveGeneratorRoute, ResolveDescriptorRoute, ResolvePageRoute,
                               ResolveVersionUrlRoute};

Resource Resolve(const RouteRequest& request, const ServiceContext& context) {
  Resource resource;
  for (const Resolver resolve : kResolvers) {
    if (resolve(request, context, resource)) return resource;
  }
  return Resource::Text(404, "404 Not Found\n");
}

}  // namespace

std::string MakeBaseUrl(const std::string& host, int port) {
  std::string shown = host;
  if (host.empty() || host == "0.0.0.0") shown = "127.0.0.1";
  else if (host == "::") shown = "[::1]";
  else if (host.find(':') != std::string::npos && host.front() != '[') shown = "[" + host + "]";
  return "http://" + shown + ":" + std::to_string(port);
}

ServiceServer::ServiceServer(ServiceConfig config) : context_(std::make_unique<ServiceContext>()) {
  context_->config = std::move(config);
}

ServiceServer::~ServiceServer() { Stop(); }

bool ServiceServer::Start(std::string& error) {
  // A client that goes away mid-answer must not end the process.
  std::signal(SIGPIPE, SIG_IGN);
  const ServiceConfig& config = context_->config;
  if (!log_.Open(config.logToStdout, config.logFile, error)) return false;

  const int workers = config.workerThreads;
  server_.new_task_queue = [workers] { return new httplib::ThreadPool(static_cast<size_t>(workers)); };
  // Short keep-alive waits so that a stop is not held up by idle connections.
  server_.set_keep_alive_timeout(2);
  server_.set_read_timeout(10, 0);
  server_.set_write_timeout(10, 0);
  server_.Get(".*", [this](const httplib::Request& req, httplib::Response& res) { Handle(req, res, std::string()); });
  server_.Post(".*", [this](const httplib::Request& req, httplib::Response& res, const httplib::ContentReader& reader) {
    std::string body;
    bool tooLarge = false;
    reader([&](const char* data, size_t length) {
      if (body.size() + length > kMaxBodyBytes) {
        tooLarge = true;
        return false;
      }
      body.append(data, length);
      return true;
    });
    if (tooLarge) {
      res.status = 413;
      res.set_content("request body too large\n", kTextType);
      return;
    }
    Handle(req, res, body);
  });
  // The library's default sets SO_REUSEPORT, which lets a second service bind the same port and
  // silently take half of the connections. Only SO_REUSEADDR (a quick restart after TIME_WAIT): a
  // port in use is reported as such.
  server_.set_socket_options([](socket_t sock) {
    int yes = 1;
    setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
  });
  server_.set_logger([this](const httplib::Request& req, const httplib::Response& res) { LogRequest(req, res); });

  if (config.port == 0) {
    port_ = server_.bind_to_any_port(config.host);
    if (port_ <= 0) {
      error = "cannot bind " + config.host + " on any port";
      return false;
    }
  } else {
    if (!server_.bind_to_port(config.host, config.port)) {
      error = "cannot bind " + config.host + ":" + std::to_string(config.port) + " (in use?)";
      return false;
    }
    port_ = config.port;
  }
  context_->baseUrl = MakeBaseUrl(config.host, port_);
  context_->stop.Reset();
  ended_ = false;
  thread_ = std::thread([this] {
    server_.listen_after_bind();
    ended_ = true;
  });
  // Stop() may only come once the server runs: a stop before that would be lost.
  while (!server_.is_running() && !ended_) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  listening_ = !ended_;
  if (!listening_) {
    thread_.join();
    error = "the server ended at once";
    return false;
  }
  return true;
}

void ServiceServer::Stop() {
  context_->stop.Raise();
  if (thread_.joinable()) {
    server_.stop();
    thread_.join();
  }
  listening_ = false;
}

bool ServiceServer::Running() const { return listening_ && !ended_; }

void ServiceServer::Handle(const httplib::Request& req, httplib::Response& res, const std::string& body) {
  RequestNote().clear();
  RouteRequest request;
  request.method = req.method;
  const size_t question = req.target.find('?');
  if (question != std::string::npos) request.rawQuery = req.target.substr(question + 1);
  request.body = body;
  if (req.path.compare(0, std::string(kAdminPrefix).size(), kAdminPrefix) == 0) {
    request.path = req.path;
    HandleAdmin(request, *context_, res);
    return;
  }
  Fault fault;
  std::string error;
  if (!ParseFaultPrefix(req.path, fault, request.path, error)) {
    res.status = 400;
    res.set_content(error + "\n", kTextType);
    return;
  }
  if (!fault.Any()) fault = context_->faults.Take(req.path);
  const Resource resource = Resolve(request, *context_);
  const int maxHeld = std::max(1, context_->config.workerThreads - 8);
  Deliver(req, res, resource, fault,
          DeliveryContext{context_->stop, context_->config.stallSeconds, context_->heldRequests, maxHeld});
}

void ServiceServer::LogRequest(const httplib::Request& req, const httplib::Response& res) {
  std::string line = LogTimestamp() + " " + req.remote_addr + " " + req.method + " " + req.target + " " +
                     std::to_string(res.status) + " " +
                     std::to_string(res.body.empty() ? res.content_length_ : res.body.size());
  if (res.has_header(kFaultHeader)) line += " fault=" + res.get_header_value(kFaultHeader);
  std::string& note = RequestNote();
  if (!note.empty()) line += " [" + note + "]";
  note.clear();
  log_.Write(line);
}

}  // namespace nimbrook::service
