// "nimbrook-cli check-update --program-dir DIR [--default-descriptor-url URL] [--release-public-key
// TEXT]": one update check as the client runs it at start, with DIR as the program directory; the URL
// replaces the built-in default descriptor address, TEXT the build's release public key (empty: none). The files in DIR are left as the client leaves them. Prints
// {"state": N} with the final state; exit status 0 for states 1 and 2, 1 for a failed check, 2 for a
// usage error.
#include <cstdio>
#include <string>

#include "client/client_composition.h"
#include "command_registry.h"
#include "core/file_io.h"
#include "core/log.h"
#include "core/paths.h"
#include "core/text.h"
#include "update/update_check.h"

namespace nimbrook::cli {
namespace {

constexpr char kUsage[] =
    "usage: nimbrook-cli check-update --program-dir DIR [--default-descriptor-url URL] [--release-public-key TEXT]";

int RunCheckUpdate(const Arguments& args) {
  const std::string programDir = Option(args, "--program-dir");
  if (programDir.empty() || (HasOption(args, "--default-descriptor-url") &&
                             Option(args, "--default-descriptor-url").empty())) {
    PrintError("check-update needs --program-dir (and a value for --default-descriptor-url when given)");
    std::fprintf(stderr, "%s\n", kUsage);
    return 2;
  }
  // The client's objects for a client installed in DIR; the given URL replaces the built-in default.
  ClientOptions options;
  options.programDir = text::FromAnsi(programDir);
  if (HasOption(args, "--default-descriptor-url")) {
    options.defaultDescriptorUrl = text::FromAnsi(Option(args, "--default-descriptor-url"));
  }
  ClientComposition composition(options);
  if (!CreateDirectoryIfMissing(Paths().programDir) || !CreateDirectoryIfMissing(Paths().configDir)) {
    PrintError("the configuration directory cannot be created: " + text::ToUtf8(Paths().configDir));
    return 1;
  }
  SetLogFile(L"");
  ResetLog();

  UpdateCheck& check = *composition.Services().update;
  if (HasOption(args, "--release-public-key")) check.SetReleasePublicKey(Option(args, "--release-public-key"));
  check.Run();

  const int state = check.State();
  PrintLine("{\"state\": " + std::to_string(state) + "}");
  return state == kUpdateCheckFailed ? 1 : 0;
}

const CommandRegistration kCheckUpdate("check-update",
                                       "check-update --program-dir DIR [--default-descriptor-url URL] [--release-public-key TEXT]    "
                                       "run one update check in DIR as the client does (JSON state)",
                                       RunCheckUpdate);

}  // namespace
}  // namespace nimbrook::cli
