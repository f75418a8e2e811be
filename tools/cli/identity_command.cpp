// "nimbrook-cli identity": the machine identity and system facts exactly as the client would send and
// use them. On Windows the identity comes from WMI; natively from what Linux shows (see
// os/wmi_native.cpp), and the Windows name is "unknown OperatingSystem.".
#include <nlohmann/json.hpp>

#include "command_registry.h"
#include "core/identity.h"
#include "core/system_facts.h"
#include "core/text.h"

namespace nimbrook::cli {
namespace {

// Identity texts are narrow ANSI text; JSON wants UTF-8.
std::string Utf8(const std::string& ansi) { return text::ToUtf8(text::FromAnsi(ansi)); }

int RunIdentity(const Arguments&) {
  const IdentityTexts texts = GatherMachineIdentity();
  nlohmann::ordered_json out;
  out["boardSerial"] = Utf8(texts.boardSerial);
  out["processorId"] = Utf8(texts.processorId);
  out["adapterAddress"] = Utf8(texts.adapterAddress);
  out["diskSerial"] = Utf8(texts.diskSerial);
  out["systemDescription"] = Utf8(texts.systemDescription);
  out["windowsName"] = Utf8(WindowsName());
  out["newerThanXP"] = NewerThanXP();
  out["excludedProtocols"] = text::ToUtf8(ExcludedProtocols());
  PrintLine(out.dump());
  return 0;
}

const CommandRegistration kIdentity("identity", "identity    print the machine identity and system facts (JSON)",
                                    RunIdentity);

}  // namespace
}  // namespace nimbrook::cli
