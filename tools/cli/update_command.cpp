// "nimbrook-cli check-update --program-dir DIR [--default-descriptor-url URL]": one update check as
// the client runs it at start, with DIR as the program directory; the URL replaces the built-in
// default descriptor address. The files in DIR are left as the client leaves them. Prints
// {"state": N} with the final state; exit status 0 for states 1 and 2, 1 for a failed check, 2 for a
// usage error.
#include <cstdio>
#include <string>

#include "build_config.h"
#include "command_registry.h"
#include "core/file_io.h"
#include "core/log.h"
#include "core/paths.h"
#include "core/text.h"
#include "http/http_client.h"
#include "os/profile_file.h"
#include "update/update_check.h"

namespace nimbrook::cli {
namespace {

constexpr char kUsage[] = "usage: nimbrook-cli check-update --program-dir DIR [--default-descriptor-url URL]";

int RunCheckUpdate(const Arguments& args) {
  const std::string programDir = Option(args, "--program-dir");
  if (programDir.empty() || (HasOption(args, "--default-descriptor-url") &&
                             Option(args, "--default-descriptor-url").empty())) {
    PrintError("check-update needs --program-dir (and a value for --default-descriptor-url when given)");
    std::fprintf(stderr, "%s\n", kUsage);
    return 2;
  }
  const std::wstring defaultUrl = HasOption(args, "--default-descriptor-url")
                                      ? text::FromAnsi(Option(args, "--default-descriptor-url"))
                                      : text::AsciiToWide(NIMBROOK_DEFAULT_DESCRIPTOR_URL);

  // The process paths of a client installed in DIR.
  SetProcessPaths(ComputePaths(JoinPath(AsDirectory(text::FromAnsi(programDir)), L"Nimbrook.exe")));
  if (!CreateDirectoryIfMissing(Paths().programDir) || !CreateDirectoryIfMissing(Paths().configDir)) {
    PrintError("the configuration directory cannot be created: " + text::ToUtf8(Paths().configDir));
    return 1;
  }
  SetLogFile(L"");
  ResetLog();

  UpdateCheck check(
      os::SystemProfile(),
      [](const std::wstring& url, const std::wstring& path) { return DownloadWithRetry(url, path); }, defaultUrl,
      UpdateDirectories{Paths().programDir, Paths().configDir});
  check.Run();

  const int state = check.State();
  PrintLine("{\"state\": " + std::to_string(state) + "}");
  return state == kUpdateCheckFailed ? 1 : 0;
}

const CommandRegistration kCheckUpdate("check-update",
                                       "check-update --program-dir DIR [--default-descriptor-url URL]    "
                                       "run one update check in DIR as the client does (JSON state)",
                                       RunCheckUpdate);

}  // namespace
}  // namespace nimbrook::cli
