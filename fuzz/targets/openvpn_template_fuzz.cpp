// The OpenVPN template edits on any template: the client configuration for every protocol variant,
// and the proxy line the settings window keeps. A host or port that fails the safety checks is never
// used; a safe one never adds a line of its own.
#include <algorithm>

#include "fuzz_support.h"
#include "openvpn_config/client_config.h"
#include "openvpn_config/proxy_template.h"

using namespace nimbrook;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const auto [templatePart, addressPart] = fuzz::SplitTwo(fuzz::Bytes(data, size));
  const std::string templateText(templatePart);
  const std::string address(addressPart);
  const size_t colon = address.rfind(':');
  const std::string host = colon == std::string::npos ? address : address.substr(0, colon);
  const std::string port = colon == std::string::npos ? "1194" : address.substr(colon + 1);

  const std::string safeHost = IsSafeRemoteHost(host) ? host : "vpn.example.net";
  const std::string safePort = IsSafePort(port) ? port : "1194";
  const long templateLines = std::count(templateText.begin(), templateText.end(), '\n');
  for (int32_t protocol = 0; protocol <= 8; ++protocol) {
    const std::string config = BuildClientConfig(templateText, safeHost, safePort, protocol);
    FUZZ_CHECK(!config.empty() && config.back() == '\n');
    // Edits comment lines out or drop one; the address never brings a line break.
    FUZZ_CHECK(std::count(config.begin(), config.end(), '\n') <= templateLines + 1);
  }

  std::string edited = templateText;
  if (const auto proxy = SystemProxyAddress(address)) {
    FUZZ_CHECK(proxy->host.find_first_of("\r\n ") == std::string::npos);
    FUZZ_CHECK(proxy->port.find_first_of("\r\n ") == std::string::npos);
    if (SetProxyLine(edited, proxy)) {
      // Applying the same proxy twice changes nothing more; removing it leaves no proxy line.
      std::string twice = edited;
      FUZZ_CHECK(SetProxyLine(twice, proxy) && twice == edited);
      FUZZ_CHECK(SetProxyLine(edited, std::nullopt));
      std::string none = edited;
      FUZZ_CHECK(SetProxyLine(none, std::nullopt) && none == edited);
    } else {
      FUZZ_CHECK(edited == templateText);
    }
  }
  return 0;
}
