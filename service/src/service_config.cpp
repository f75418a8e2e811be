// Command line of the service.
#include "service_config.h"

#include "text_fields.h"

namespace nimbrook::service {

std::string Usage() {
  return "usage: nimbrook-service --port PORT --data-dir DIR [--host HOST] [--release NAME] [--log FILE]\n"
         "  --port PORT      port to listen on (default 8080; 0 picks a free one)\n"
         "  --host HOST      address to listen on (default 127.0.0.1)\n"
         "  --data-dir DIR   the data directory (accounts, catalogue, descriptor, releases, pages)\n"
         "  --release NAME   serve this release instead of the one named in DIR/current-release\n"
         "  --log FILE       also append the request log to FILE\n";
}

bool ParseCommandLine(const std::vector<std::string>& args, ServiceConfig& config, std::string& error) {
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& name = args[i];
    if (name == "--help" || name == "-h") {
      error = Usage();
      return false;
    }
    if (name != "--port" && name != "--host" && name != "--data-dir" && name != "--release" && name != "--log") {
      error = "unknown argument: " + name + "\n" + Usage();
      return false;
    }
    if (i + 1 >= args.size()) {
      error = name + " needs a value\n" + Usage();
      return false;
    }
    const std::string& value = args[++i];
    if (name == "--port") {
      unsigned long long port = 0;
      if (!ParseDecimal(value, port) || port > 65535) {
        error = "bad port: " + value;
        return false;
      }
      config.port = static_cast<int>(port);
    } else if (name == "--host") {
      if (value.empty()) {
        error = "empty host";
        return false;
      }
      config.host = value;
    } else if (name == "--data-dir") {
      config.dataDir = value;
    } else if (name == "--release") {
      config.release = value;
    } else {
      config.logFile = value;
    }
  }
  return true;
}

}  // namespace nimbrook::service
