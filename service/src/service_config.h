// The service's settings, from its command line:
//   nimbrook-service --port P --data-dir DIR [--host H] [--release NAME] [--log FILE]
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace nimbrook::service {

struct ServiceConfig {
  std::string host = "127.0.0.1";
  int port = 8080;                      // 0 binds an ephemeral port (tests)
  std::filesystem::path dataDir = "service/data";
  std::string release;                  // fixed current release; empty follows data/current-release
  std::filesystem::path logFile;        // request log besides standard output; empty for none
  bool logToStdout = true;
  int stallSeconds = 120;               // how long /fault/stall holds a request
  int workerThreads = 48;               // request threads; stalled requests hold one each
};

// Parses the command line (without the program name). False with an error text on bad input;
// "--help" gives false with the usage as the text.
[[nodiscard]] bool ParseCommandLine(const std::vector<std::string>& args, ServiceConfig& config, std::string& error);

std::string Usage();

}  // namespace nimbrook::service
