// "nimbrook-cli update --program-dir DIR --lang eng [--release-public-key TEXT]": runs the updater's
// update job headless with DIR as the program directory (DIR/config/update.ini as the client leaves
// it); TEXT replaces the build's release public key (empty: none). Progress lines go to
// standard error; standard output gets one JSON object {"success": ..., "listed": N, "replaced": M}.
// Exit status 0 on success (or an empty list: nothing to update), 1 on failure (also when
// update.ini cannot be read), 2 for a usage error.
#include <cstdio>
#include <string>

#include "command_registry.h"
#include "core/text.h"
#include "http/http_client.h"
#include "updater/console_reporter.h"
#include "updater/update_job.h"

namespace nimbrook::cli {
namespace {

constexpr char kUsage[] = "usage: nimbrook-cli update --program-dir DIR --lang eng|chs|cht [--release-public-key TEXT]";

void PrintResult(bool success, size_t listed, size_t replaced) {
  PrintLine(std::string("{\"success\": ") + (success ? "true" : "false") + ", \"listed\": " +
            std::to_string(listed) + ", \"replaced\": " + std::to_string(replaced) + "}");
}

int RunUpdate(const Arguments& args) {
  const std::string programDir = Option(args, "--program-dir");
  const std::wstring language = LanguageFromCommandLine(text::FromUtf8(Option(args, "--lang")));
  if (programDir.empty() || language.empty()) {
    PrintError(kUsage);
    return 2;
  }
  const UpdaterPaths paths = ComputeUpdaterPaths(text::FromUtf8(programDir));
  if (!HandOverReadable(paths)) {  // the updater ends without doing anything
    PrintError("config/update.ini cannot be read");
    PrintResult(false, 0, 0);
    return 1;
  }
  ConsoleReporter reporter(stderr);
  HttpClient client(HttpVariant::Updater());
  HttpFileDownloader downloader(client);
  UpdateJobEnvironment environment;
  environment.downloader = &downloader;
  if (HasOption(args, "--release-public-key")) environment.releasePublicKey = Option(args, "--release-public-key");
  UpdateJob job(paths, environment, reporter);
  const UpdateOutcome outcome = job.RunWorker();
  const bool success = outcome == UpdateOutcome::kSucceeded || outcome == UpdateOutcome::kNothingToUpdate;
  PrintResult(success, job.Listed(), job.Replaced());
  return success ? 0 : 1;
}

const CommandRegistration registration("update", "update --program-dir DIR --lang eng|chs|cht    run the update job in DIR headless (JSON outcome)", RunUpdate);

}  // namespace
}  // namespace nimbrook::cli
