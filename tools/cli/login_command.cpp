// "nimbrook-cli login --program-dir DIR --endpoints "URL;URL" --user U --password P [--locale chs]
// [--source S]": one real login as the client makes it, with DIR as the program directory. The
// endpoints are the freshly downloaded list, DIR\config\version.ini's loginURL the installed one;
// version.ini's loginURL is rewritten as the client does. Prints the outcome as one JSON object;
// exit status 0 after code 15, 1 after code 16, 2 for a usage error.
#include <cstdio>
#include <memory>
#include <nlohmann/json.hpp>

#include "account/descriptor.h"
#include "account/descriptor_cipher.h"
#include "account/login_service.h"
#include "catalogue_json.h"
#include "client/client_composition.h"
#include "client/memory_profile.h"
#include "command_registry.h"
#include "core/file_io.h"
#include "core/identity.h"
#include "core/languages.h"
#include "core/log.h"
#include "core/paths.h"
#include "core/settings.h"
#include "core/text.h"
#include "os/profile_file.h"

namespace nimbrook::cli {
namespace {

constexpr char kUsage[] =
    "usage: nimbrook-cli login --program-dir DIR --endpoints \"URL;URL\" --user U --password P [--locale chs] "
    "[--source S]";

std::string Utf8(const std::wstring& wide) { return text::ToUtf8(wide); }

int RunLogin(const Arguments& args) {
  const std::string programDir = Option(args, "--program-dir");
  const std::string user = Option(args, "--user");
  const std::string password = Option(args, "--password");
  if (programDir.empty() || !HasOption(args, "--endpoints") || user.empty() || !HasOption(args, "--password")) {
    PrintError("login needs --program-dir, --endpoints, --user and --password");
    std::fprintf(stderr, "%s\n", kUsage);
    return 2;
  }
  const std::string locale = Option(args, "--locale", "chs");
  const std::wstring language = text::FromAnsi(locale);
  if (!IsLanguageCode(language)) {
    PrintError("unknown locale: " + locale + " (eng, chs or cht)");
    return 2;
  }

  // The client's objects for a client installed in DIR, with settings kept in memory only: the
  // command must not change the program directory's config.ini.
  MemoryProfileFiles memory;
  ClientOptions options;
  options.programDir = text::FromAnsi(programDir);
  options.settingsProfile = &memory;
  ClientComposition composition(options);
  ClientServices services = composition.Services();
  if (!CreateDirectoryIfMissing(Paths().programDir) || !CreateDirectoryIfMissing(Paths().configDir)) {
    PrintError("the configuration directory cannot be created: " + Utf8(Paths().configDir));
    return 1;
  }
  SetLogFile(L"");
  ResetLog();
  SelectLanguage(language);
  LoadLanguage();

  Settings& settings = services.settings;
  const std::string source =
      HasOption(args, "--source")
          ? Option(args, "--source")
          : os::SystemProfile().ReadStringA(JoinPath(Paths().configDir, L"config.ini"), "Setting", "source",
                                            "not found", 1024);
  if (source != "not found") (void)memory.WriteStringA(settings.ConfigPath(), "Setting", "source", source);
  settings.Load();
  settings.SetUsername(user);
  settings.SetPassword(password);
  settings.PublishIdentity(GatherMachineIdentity());

  // Fresh list: the given endpoints; local list: the installed descriptor's loginURL, read as the
  // update check reads it.
  EndpointLists lists;
  lists.fresh.plain = text::FromAnsi(Option(args, "--endpoints"));
  std::string enciphered;
  if (!lists.fresh.plain.empty() && TryEncodeDescriptorValue(text::ToAnsi(lists.fresh.plain), enciphered)) {
    lists.fresh.enciphered = text::AsciiToWide(enciphered);
  }
  if (auto local = ReadDescriptorEntry(services.profile, DescriptorPath(), L"loginURL", kUpdateCheckMarker,
                                       kUpdateCheckValueCapacity)) {
    lists.local.plain = local->plain;
    lists.local.enciphered = local->enciphered;
  }

  LoginService& service = *services.login;
  service.SetEndpointLists(lists);
  LoginService::LoginWorker(services.login);

  const std::wstring answer = service.Answer();
  nlohmann::ordered_json out;
  out["code"] = service.Code();
  out["state"] = service.State();
  out["loginEndpoint"] = Utf8(LoginEndpoint());
  out["urlList"] = Utf8(service.UrlList());
  out["failureText"] = Utf8(service.FailureText());
  out["answer"] = Utf8(answer);
  // Only an accepted answer is kept, so head and catalogue are null after a failed login.
  out["head"] = answer.empty() ? nlohmann::json(nullptr) : HeadJson(answer);
  out["catalogue"] = answer.empty() ? nlohmann::json(nullptr) : CatalogueJson(answer);
  PrintLine(out.dump());
  return service.Code() == kLoginSucceededCode ? 0 : 1;
}

const CommandRegistration kLogin("login",
                                 "login --program-dir DIR --endpoints \"URL;URL\" --user U --password P "
                                 "[--locale chs] [--source S]    log in as the client does (JSON)",
                                 RunLogin);

}  // namespace
}  // namespace nimbrook::cli
