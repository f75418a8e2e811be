// nimbrook-service: the local reference implementation of the service the client talks to.
//   nimbrook-service --port 8080 --data-dir service/data [--host 127.0.0.1] [--release NAME] [--log FILE]
// Runs until SIGTERM or SIGINT.
#include <pthread.h>
#include <signal.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "release_files.h"
#include "service_server.h"

int main(int argc, char** argv) {
  using namespace nimbrook::service;
  ServiceConfig config;
  std::string error;
  if (!ParseCommandLine(std::vector<std::string>(argv + 1, argv + argc), config, error)) {
    const bool help = error == Usage();
    std::fprintf(help ? stdout : stderr, "%s%s", error.c_str(), error.empty() || error.back() == '\n' ? "" : "\n");
    return help ? 0 : 2;
  }
  std::error_code ec;
  if (!std::filesystem::is_directory(config.dataDir, ec)) {
    std::fprintf(stderr, "nimbrook-service: data directory not found: %s\n", config.dataDir.c_str());
    return 1;
  }

  // Signals are taken by sigtimedwait below; block them before any thread starts so that none of
  // the request threads receives them.
  sigset_t stopSignals;
  sigemptyset(&stopSignals);
  sigaddset(&stopSignals, SIGTERM);
  sigaddset(&stopSignals, SIGINT);
  pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

  ServiceServer server(config);
  if (!server.Start(error)) {
    std::fprintf(stderr, "nimbrook-service: %s\n", error.c_str());
    return 1;
  }
  const std::string release = CurrentRelease(config);
  std::printf("nimbrook-service listening on %s (data %s, release %s)\n", server.BaseUrl().c_str(),
              config.dataDir.c_str(), release.empty() ? "(none)" : release.c_str());
  std::fflush(stdout);

  int received = 0;
  while (server.Running()) {
    const timespec wait{0, 200 * 1000 * 1000};
    received = sigtimedwait(&stopSignals, nullptr, &wait);
    if (received == SIGTERM || received == SIGINT) break;
  }
  server.Stop();
  std::printf("nimbrook-service stopped%s\n", received == SIGTERM   ? " (SIGTERM)"
                                              : received == SIGINT ? " (SIGINT)"
                                                                   : "");
  std::fflush(stdout);
  // Ending without a stop signal means the server failed.
  return received == SIGTERM || received == SIGINT ? 0 : 1;
}
