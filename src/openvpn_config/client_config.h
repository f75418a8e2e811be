// The OpenVPN client configuration: before every connection the OpenVPN engine derives
// "client.ovpn" from the shipped "template.ovpn" by literal text edits that depend on the protocol
// variant. The edits are pure text work (BuildClientConfig); the file wrappers only read and write.
#pragma once

#include <cstdint>
#include <string>

namespace nimbrook {

class Connector;

inline constexpr wchar_t kTemplateFileName[] = L"template.ovpn";
inline constexpr wchar_t kClientConfigFileName[] = L"client.ovpn";

// The transport the template's "{proto_name}" becomes: "udp" for 2 and 4, "tcp-client" for 3 and
// 5, empty for every other number.
std::string TransportName(int32_t protocol);

// True for a server address the configuration can carry on its "remote" line: ASCII letters,
// digits, ".", "-", "_" and ":" only (names, IPv4 and IPv6 texts). Anything else (blanks, line
// breaks, quotes, "#", ";") could smuggle extra options into the configuration.
bool IsSafeRemoteHost(const std::string& host);
// True for a decimal port 1-65535 without sign or blanks.
bool IsSafePort(const std::string& port);

// The client configuration for templateText (the template's bytes, read whole): the first "{ip}",
// "{port}" and "{proto_name}" replaced; for TCP variants (3, 5) the "explicit-exit-notify" line
// removed and the first "ping", "ping-exit" and "hand-window" lines commented out with ";"; for UDP
// variants (2, 4) the first "connect-retry" and "connect-retry-max" lines commented out, and the
// proxy line that follows the proxy marker too (OpenVPN takes an HTTP proxy over TCP only); for the
// plain variants (2, 3) the "1" after "use-obfs" turned into "0". An option that is absent is
// skipped. Options are matched as whole option names at the start of a line (after blanks, or after
// "setenv opt"), never inside another line's value such as the proxy host, nor in the address
// filled in. The result ends with the
// "\n" the writer appends. host and port are narrow text (system ANSI code page) and
// are used as given: callers check them first.
std::string BuildClientConfig(const std::string& templateText, const std::string& host, const std::string& port,
                              int32_t protocol);

enum class ClientConfigError {
  kNone,
  kTemplateUnreadable,  // the template is missing or cannot be read
  kBadHost,             // the server address is empty or holds characters a configuration cannot carry
  kBadPort,             // the port is not a decimal number 1-65535
  kWriteFailed,         // the client file cannot be written
};

// Reads templatePath whole, builds the configuration and writes it to clientPath (through a
// temporary file beside it, so a failed write never leaves a half file). host and port are wide
// text, converted to the system ANSI code page.
[[nodiscard]] ClientConfigError WriteClientConfigFile(const std::wstring& templatePath, const std::wstring& clientPath,
                                                      const std::wstring& host, const std::wstring& port,
                                                      int32_t protocol);

// The engine's entry: "template.ovpn" and "client.ovpn" in the process paths' OpenVPN directory,
// with the engine's Host(), Port() and Protocol(). False when the template cannot be read, the
// target cannot be carried safely or the client file cannot be written.
[[nodiscard]] bool WriteClientConfig(const Connector& engine);

}  // namespace nimbrook
