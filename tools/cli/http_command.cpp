// "nimbrook-cli fetch URL FILE [--variant client|updater]" downloads URL to FILE with the client's
// (or the updater's) DownloadToFile; "nimbrook-cli post URL BODY" sends BODY as a form with PostForm.
// Both print one JSON object with the result; the exit status is 0 exactly when the result is 0.
// Log lines go to "nimbrook.log" beside the program, as the client writes them.
#include <cstdio>
#include <nlohmann/json.hpp>

#include "command_registry.h"
#include "core/paths.h"
#include "core/text.h"
#include "http/http_client.h"
#include "os/module_path.h"

namespace nimbrook::cli {
namespace {

void UseProgramPaths() { SetProcessPaths(ComputePaths(os::ExecutablePath())); }

int RunFetch(const Arguments& args) {
  const Arguments positionals = Positionals(args, {"--variant"});
  const std::string variantName = Option(args, "--variant", "client");
  if (positionals.size() != 2 || (variantName != "client" && variantName != "updater")) {
    PrintError("usage: nimbrook-cli fetch URL FILE [--variant client|updater]");
    return 2;
  }
  UseProgramPaths();
  HttpClient http(variantName == "updater" ? HttpVariant::Updater() : HttpVariant::Client());
  SessionSlot slot;
  const int result =
      http.DownloadToFile(slot, text::FromAnsi(positionals[0]), text::FromAnsi(positionals[1]));
  http.ReleaseSession(slot);
  PrintLine(nlohmann::json{{"result", result}}.dump());
  return result == 0 ? 0 : 1;
}

int RunPost(const Arguments& args) {
  if (args.size() != 2) {
    PrintError("usage: nimbrook-cli post URL BODY");
    return 2;
  }
  UseProgramPaths();
  HttpClient http(HttpVariant::Client());
  SessionSlot slot;
  std::wstring answer;
  const int result = http.PostForm(answer, slot, text::FromAnsi(args[0]), args[1]);
  http.ReleaseSession(slot);
  nlohmann::json out{{"result", result}, {"answer", text::ToUtf8(answer)}};
  PrintLine(out.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace));
  return result == 0 ? 0 : 1;
}

const CommandRegistration kFetch("fetch",
                                 "fetch URL FILE [--variant client|updater]    download URL to FILE, print "
                                 "{\"result\": N}",
                                 RunFetch);
const CommandRegistration kPost("post", "post URL BODY    send BODY as a form, print {\"result\": N, \"answer\": ...}",
                                RunPost);

}  // namespace
}  // namespace nimbrook::cli
