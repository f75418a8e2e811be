// "nimbrook-cli ovpn-config" writes an OpenVPN client configuration from a template exactly as the
// OpenVPN engine does before a connection; "nimbrook-cli ovpn-proxy" edits a template's proxy line as
// the settings window does (mode 1 takes the browser proxy text from the command line).
#include <string>

#include <nlohmann/json.hpp>

#include "command_registry.h"
#include "core/text.h"
#include "openvpn_config/client_config.h"
#include "openvpn_config/proxy_template.h"

namespace nimbrook::cli {
namespace {

// A whole decimal number (optionally negative) that fits in an int; none for anything else.
bool ParseInt(const std::string& s, int& value) {
  if (s.empty() || s.size() > 10) return false;
  size_t i = s[0] == '-' ? 1 : 0;
  if (i == s.size()) return false;
  long long v = 0;
  for (; i < s.size(); ++i) {
    if (s[i] < '0' || s[i] > '9') return false;
    v = v * 10 + (s[i] - '0');
  }
  value = static_cast<int>(s[0] == '-' ? -v : v);
  return true;
}

const char kConfigUsage[] =
    "usage: nimbrook-cli ovpn-config --template FILE --out FILE --host HOST --port PORT --protocol N";

int RunOvpnConfig(const Arguments& args) {
  int protocol = 0;
  for (const char* required : {"--template", "--out", "--host", "--port", "--protocol"}) {
    if (!HasOption(args, required) || Option(args, required).rfind("--", 0) == 0) {
      PrintError(kConfigUsage);
      return 2;
    }
  }
  if (!ParseInt(Option(args, "--protocol"), protocol)) {
    PrintError("--protocol must be a number");
    return 2;
  }
  const std::string out = Option(args, "--out");
  const ClientConfigError error =
      WriteClientConfigFile(text::FromAnsi(Option(args, "--template")), text::FromAnsi(out),
                            text::FromAnsi(Option(args, "--host")), text::FromAnsi(Option(args, "--port")), protocol);
  switch (error) {
    case ClientConfigError::kNone:
      PrintLine(nlohmann::json{{"written", out}, {"protocol", protocol}, {"transport", TransportName(protocol)}}.dump(
          -1, ' ', false, nlohmann::json::error_handler_t::replace));
      return 0;
    case ClientConfigError::kTemplateUnreadable:
      PrintError("cannot read the template " + Option(args, "--template"));
      break;
    case ClientConfigError::kBadHost:
      PrintError("the host cannot be written into a configuration (letters, digits, '.', '-', '_', ':' only)");
      break;
    case ClientConfigError::kBadPort:
      PrintError("the port must be a number from 1 to 65535");
      break;
    case ClientConfigError::kWriteFailed:
      PrintError("cannot write " + out);
      break;
  }
  return 1;
}

const char kProxyUsage[] =
    "usage: nimbrook-cli ovpn-proxy --template FILE --mode 0|1|2 [--host HOST --port PORT] [--system-proxy TEXT]";

int RunOvpnProxy(const Arguments& args) {
  int mode = -1;
  if (!HasOption(args, "--template") || !ParseInt(Option(args, "--mode"), mode) || mode < 0 || mode > 2) {
    PrintError(kProxyUsage);
    return 2;
  }
  if (mode == kProxyModeManual && (!HasOption(args, "--host") || !HasOption(args, "--port"))) {
    PrintError("mode 2 needs --host and --port");
    return 2;
  }
  ProxyInputs inputs;
  inputs.manualHost = text::FromAnsi(Option(args, "--host"));
  inputs.manualPort = text::FromAnsi(Option(args, "--port"));
  inputs.systemProxyText = Option(args, "--system-proxy");
  // The messages the settings window would show in its message box go to standard error.
  const ProxyMessageCallback show = [](const std::wstring& message, const std::wstring&) {
    PrintError(text::ToUtf8(message));
  };
  const ProxyEditError error = ApplyProxyToTemplateFile(text::FromAnsi(Option(args, "--template")), mode, inputs, show);
  switch (error) {
    case ProxyEditError::kNone:
      PrintLine(nlohmann::json{{"mode", mode}}.dump());
      return 0;
    case ProxyEditError::kBadManualProxy:
      PrintError("the proxy host or port cannot be written into the template");
      break;
    case ProxyEditError::kWriteFailed:
      PrintError("cannot rewrite the template");
      break;
    case ProxyEditError::kBadMode:
    case ProxyEditError::kTemplateMissing:
    case ProxyEditError::kTemplateUnreadable:
    case ProxyEditError::kNoMarker:
      break;  // already reported
  }
  return 1;
}

const CommandRegistration kOvpnConfig("ovpn-config",
                                      "ovpn-config --template F --out F --host H --port P --protocol N    write "
                                      "an OpenVPN client configuration from a template",
                                      RunOvpnConfig);
const CommandRegistration kOvpnProxy("ovpn-proxy",
                                     "ovpn-proxy --template F --mode 0|1|2 [--host H --port P] [--system-proxy "
                                     "TEXT]    set or remove the template's proxy line",
                                     RunOvpnProxy);

}  // namespace
}  // namespace nimbrook::cli
